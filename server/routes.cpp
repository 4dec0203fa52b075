#include "server/routes.h"

#include <functional>
#include <map>
#include <nlohmann/json.hpp>
#include <utility>

#include "server/api_requests.h"
#include "server/component_pool.h"
#include "server/web_assets.h"
#include "session/catalogue_checks.h"
#include "session/database_failures.h"
#include "session/pick_list.h"
#include "session/report.h"
#include "session/request_checks.h"
#include "session/text_table.h"
#include "tarnvelloc/automation/text.h"

namespace tarn::server {
namespace {

using session::Context;
using session::Failure;

constexpr const char* kJson = "application/json; charset=utf-8";

struct Reply {
  int status;
  std::string body;
};

int statusOf(const Failure& failure) {
  switch (failure.kind) {
    case Failure::Kind::kUsage:
      return 400;
    case Failure::Kind::kDatabase:
      return 503;
    case Failure::Kind::kOther:
      break;
  }
  return 500;
}

// An answer that came back from the component: 503 when a database failure came with it.
Reply answered(std::string json, const std::optional<Failure>& failure) {
  return Reply{failure ? 503 : 200, std::move(json)};
}

// Answers a request with `work`'s reply; every failure becomes its JSON error and status.
template <typename Work>
HttpResponse respond(const Context& context, Work work) {
  Reply reply;
  try {
    reply = work();
  } catch (const session::RequestError& e) {
    reply = Reply{statusOf(e.failure), session::failureJson(context, e.failure)};
  } catch (const std::exception& e) {
    const Failure failure{Failure::Kind::kOther, e.what(), {}};
    reply = Reply{500, session::failureJson(context, failure)};
  }
  return HttpResponse{reply.status, kJson, std::move(reply.body), {}};
}

// The component's answer to a reference, with the rows of the asked window.
Reply referenceReply(const Context& context, ComponentPool& pool,
                     const session::ReferenceAnswer& answer, const std::optional<Failure>& failure,
                     erp::RowWindow window) {
  const session::PickList pickList =
      failure ? session::PickList{} : session::runPickList(pool.connection(), answer, window);
  return answered(session::referenceJson(context, answer, pickList, failure), failure);
}

Reply validationReply(const Context& context, const session::ValidationAnswer& answer,
                      const std::optional<Failure>& failure) {
  return answered(session::validationJson(context, answer, failure), failure);
}

using Endpoint = std::function<HttpResponse(const HttpRequest&, const Caller&)>;

std::map<std::string, Endpoint> api(ComponentPool& pool, const std::string& database) {
  std::map<std::string, Endpoint> endpoints;
  endpoints["/api/ref"] = [&pool, database](const HttpRequest& req, const Caller& caller) {
    const Context context{"ref", database};
    return respond(context, [&] {
      const auto query = readReferenceQuery(req.body);
      session::checkNamesAgainstCatalogue(pool.connection(), query.request, session::kApiKeys);
      auto& component = pool.component(caller.erpUser);
      const session::DatabaseFailureScope scope;
      const auto answer = component.reference(query.request);
      const auto failure = scope.failure();
      pool.served(caller.erpUser, failure);
      return referenceReply(context, pool, answer, failure, query.window);
    });
  };
  endpoints["/api/free-ref"] = [&pool, database](const HttpRequest& req, const Caller& caller) {
    const Context context{"free-ref", database};
    return respond(context, [&] {
      const auto query = readFreeReferenceQuery(req.body);
      auto& component = pool.component(caller.erpUser);
      const session::DatabaseFailureScope scope;
      const auto answer = query.hasInventory ? component.structuredFreeReference(
                                                   query.inventory, query.field, query.match)
                                             : component.freeReference(query.field, query.match);
      const auto failure = scope.failure();
      pool.served(caller.erpUser, failure);
      return referenceReply(context, pool, answer, failure, query.window);
    });
  };
  endpoints["/api/validate"] = [&pool, database](const HttpRequest& req, const Caller& caller) {
    const Context context{"validate", database};
    return respond(context, [&] {
      const auto query = readValidationQuery(req.body);
      session::checkNamesAgainstCatalogue(pool.connection(), query.request, session::kApiKeys);
      auto& component = pool.component(caller.erpUser);
      const session::DatabaseFailureScope scope;
      const auto answer = component.validate(query.request, query.value, query.build);
      const auto failure = scope.failure();
      pool.served(caller.erpUser, failure);
      return validationReply(context, answer, failure);
    });
  };
  endpoints["/api/validate-free"] = [&pool, database](const HttpRequest& req,
                                                      const Caller& caller) {
    const Context context{"validate-free", database};
    return respond(context, [&] {
      const auto query = readFreeValidationQuery(req.body);
      auto& component = pool.component(caller.erpUser);
      const session::DatabaseFailureScope scope;
      const auto answer = component.validateFree(query.field, query.value, query.build);
      const auto failure = scope.failure();
      pool.served(caller.erpUser, failure);
      return validationReply(context, answer, failure);
    });
  };
  return endpoints;
}

// GET /api/session: who the request acts for, so that the page knows whether to ask for a
// sign-in; 401 when nobody.
HttpResponse whoIsSignedIn(SignIn& signIn, const HttpRequest& req, const std::string& database) {
  const auto caller = signIn.identify(req);
  if (!caller) return signIn.unauthorised("session", database);
  nlohmann::ordered_json json{{"command", "session"},
                              {"database", database},
                              {"name", caller->name},
                              {"erpUser", automation::toUtf8(caller->erpUser)},
                              {"signOut", !signIn.singleUser()}};
  return HttpResponse{200, kJson, json.dump(2) + "\n", {}};
}

// GET / is the page's index.html; /favicon.ico, which browsers ask for unbidden, its icon.
const WebAsset* assetAt(const std::string& path) {
  for (const WebAsset& asset : webAssets()) {
    if (asset.path == path || (path == "/" && asset.path == "/index.html") ||
        (path == "/favicon.ico" && asset.path == "/favicon.svg")) {
      return &asset;
    }
  }
  return nullptr;
}

// 405 for a known path asked with a method it does not take, naming the ones it takes.
HttpResponse wrongMethod(const HttpRequest& req, const std::string& allowed) {
  HttpResponse answer = refusal(
      405, req.method + " " + session::printable(req.path) + " is not served: it takes " + allowed);
  answer.headers.emplace_back("Allow", allowed);
  return answer;
}

}  // namespace

HttpResponse refusal(int status, const std::string& message) {
  return HttpResponse{
      status,
      kJson,
      session::failureJson(
          Context{},
          Failure{status == 500 ? Failure::Kind::kOther : Failure::Kind::kUsage, message, {}}),
      {}};
}

HttpHeaders securityHeaders() {
  return {{"Content-Security-Policy", "default-src 'self'; frame-ancestors 'none'"},
          {"X-Content-Type-Options", "nosniff"},
          {"Referrer-Policy", "no-referrer"}};
}

HttpHandler routes(ComponentPool& pool, const std::string& database, const RequestGuard& guard,
                   SignIn& signIn) {
  return [endpoints = api(pool, database), &guard, &signIn, database](const HttpRequest& req) {
    if (const auto refused = guard.check(req)) return refusal(refused->status, refused->message);
    if (auto landing = signIn.landing(req)) return *landing;
    if (req.method == "POST") {
      if (req.path == "/api/sign-in") return signIn.signIn(req, database);
      if (req.path == "/api/sign-out") return signIn.signOut(req, database);
      if (const auto it = endpoints.find(req.path); it != endpoints.end()) {
        const auto caller = signIn.identify(req);
        if (!caller) return signIn.unauthorised(req.path.substr(5), database);
        return it->second(req, *caller);
      }
    } else if (req.method == "GET") {
      if (req.path == "/api/session") return whoIsSignedIn(signIn, req, database);
      if (const WebAsset* asset = assetAt(req.path)) {
        return HttpResponse{200,
                            std::string(asset->contentType),
                            std::string(asset->body),
                            {{"Cache-Control", "no-cache"}}};
      }
    }
    const bool postPath =
        endpoints.contains(req.path) || req.path == "/api/sign-in" || req.path == "/api/sign-out";
    if (postPath && req.method != "POST") return wrongMethod(req, "POST");
    if ((req.path == "/api/session" || assetAt(req.path)) && req.method != "GET") {
      return wrongMethod(req, "GET, HEAD");
    }
    return refusal(404, "no such path: " + req.method + " " + session::printable(req.path));
  };
}

}  // namespace tarn::server
