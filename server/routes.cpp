#include "server/routes.h"

#include <atomic>
#include <cctype>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <nlohmann/json.hpp>
#include <random>
#include <utility>

#include "server/api_requests.h"
#include "server/component_pool.h"
#include "server/health.h"
#include "server/openapi.h"
#include "server/thread_connection.h"
#include "server/web_assets.h"
#include "session/catalogue_checks.h"
#include "session/database_failures.h"
#include "session/people.h"
#include "session/pick_list.h"
#include "session/recent_values.h"
#include "session/report.h"
#include "session/request_checks.h"
#include "session/text_table.h"
#include "session/validation_reasons.h"
#include "tarnvelloc/automation/text.h"

namespace tarn::server {
namespace {

using session::Context;
using session::Failure;

constexpr const char* kJson = "application/json; charset=utf-8";

struct Reply {
  int status;
  std::string body;
  std::string databaseMessage;  // for the request log
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
  return Reply{failure ? 503 : 200, std::move(json), failure ? failure->message : ""};
}

// Answers a request with `work`'s reply; every failure becomes its JSON error and status.
template <typename Work>
HttpResponse respond(const Context& context, Work work) {
  Reply reply;
  try {
    reply = work();
  } catch (const session::RequestError& e) {
    if (e.failure.kind == Failure::Kind::kDatabase) dropThreadConnection();
    reply = Reply{statusOf(e.failure), session::failureJson(context, e.failure),
                  e.failure.kind == Failure::Kind::kDatabase ? e.failure.message : ""};
  } catch (const std::exception& e) {
    const Failure failure{Failure::Kind::kOther, e.what(), {}};
    reply = Reply{500, session::failureJson(context, failure), ""};
  }
  HttpResponse response{reply.status, kJson, std::move(reply.body), {}};
  response.databaseMessage = std::move(reply.databaseMessage);
  return response;
}

// The component's answer to a reference, with the rows of the asked window.
Reply referenceReply(const Context& context, ComponentPool& pool,
                     const session::ReferenceAnswer& answer, const std::optional<Failure>& failure,
                     erp::RowWindow window, const session::PickOrder& order,
                     const std::optional<session::Reason>& reason) {
  const session::PickList pickList =
      failure ? session::PickList{}
              : session::runPickList(threadConnection(pool.connection()), answer, window, order);
  return answered(session::referenceJson(context, answer, pickList, failure, reason), failure);
}

// The explanation of a validation the component answered; a database failure while it is worked
// out becomes the answer's failure (503, still carrying the component's code).
template <typename Explain>
session::Explanation explained(std::optional<Failure>& failure, Explain explain) {
  const bool failedInCall = failure.has_value();
  auto explanation = session::explainUnlessFailed(failure, explain);
  if (failure && !failedInCall) dropThreadConnection();
  return explanation;
}

Reply validationReply(const Context& context, const session::ValidationAnswer& answer,
                      const session::Explanation& explanation,
                      const std::optional<Failure>& failure) {
  return answered(session::validationJson(context, answer, explanation, failure), failure);
}

// Remembers a value the component accepted (0) or archived (1) as the person's latest of the
// item, for /api/recent, in the archive's spelling. The validation's answer stands whatever happens
// here: a value not remembered costs the person a shortcut, never the answer.
void rememberChosen(ComponentPool& pool, const Caller& caller, const std::u16string& itemKey,
                    const session::ValidationAnswer& answer,
                    const session::Explanation& explanation,
                    const std::optional<Failure>& failure) {
  const bool chosen = answer.code == velloc::kAccepted || answer.code == velloc::kArchived;
  if (failure || !chosen || answer.returned.empty()) return;
  try {
    session::RecentValues(threadConnection(pool.connection()))
        .record(caller.name, itemKey, explanation.stored.value_or(answer.returned));
  } catch (const session::RequestError& e) {
    if (e.failure.kind == Failure::Kind::kDatabase) dropThreadConnection();
  }
}

// {"command": "recent", "database", "values": [most recent first]}.
Reply recentReply(const Context& context, const std::vector<std::u16string>& values) {
  nlohmann::ordered_json json{{"command", context.command},
                              {"database", context.database},
                              {"values", nlohmann::ordered_json::array()}};
  for (const auto& value : values) json["values"].push_back(automation::toUtf8(value));
  return Reply{
      200, json.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n", ""};
}

using Endpoint = std::function<HttpResponse(const HttpRequest&, const Caller&)>;

std::map<std::string, Endpoint> api(ComponentPool& pool, const std::string& database) {
  std::map<std::string, Endpoint> endpoints;
  endpoints["/api/ref"] = [&pool, database](const HttpRequest& req, const Caller& caller) {
    const Context context{"ref", database};
    return respond(context, [&] {
      const auto query = readReferenceQuery(req.body);
      session::checkNamesAgainstCatalogue(threadConnection(pool.connection()), query.request,
                                          session::kApiKeys);
      auto& component = pool.component(caller.erpUser);
      const session::DatabaseFailureScope scope;
      const auto answer = component.reference(query.request);
      const auto failure = scope.failure();
      pool.served(caller.erpUser, failure);
      const auto reason = failure
                              ? std::nullopt
                              : session::explainReference(threadConnection(pool.connection()),
                                                          caller.erpUser, query.request, answer);
      return referenceReply(context, pool, answer, failure, query.window,
                            {query.request.match, query.after}, reason);
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
      const auto reason =
          failure ? std::nullopt
                  : session::explainFreeReference(
                        threadConnection(pool.connection()), query.field,
                        query.hasInventory ? std::optional(query.inventory) : std::nullopt, answer);
      return referenceReply(context, pool, answer, failure, query.window,
                            {query.match, query.after}, reason);
    });
  };
  endpoints["/api/validate"] = [&pool, database](const HttpRequest& req, const Caller& caller) {
    const Context context{"validate", database};
    return respond(context, [&] {
      const auto query = readValidationQuery(req.body);
      session::checkNamesAgainstCatalogue(threadConnection(pool.connection()), query.request,
                                          session::kApiKeys);
      auto& component = pool.component(caller.erpUser);
      const session::DatabaseFailureScope scope;
      const auto answer = component.validate(query.request, query.value, query.build);
      auto failure = scope.failure();
      pool.served(caller.erpUser, failure);
      const auto explanation = explained(failure, [&] {
        return session::explainValidation(threadConnection(pool.connection()), caller.erpUser,
                                          query.request, answer);
      });
      rememberChosen(pool, caller, session::recentItemKey(query.request), answer, explanation,
                     failure);
      return validationReply(context, answer, explanation, failure);
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
      auto failure = scope.failure();
      pool.served(caller.erpUser, failure);
      const auto explanation = explained(failure, [&] {
        return session::explainFreeValidation(threadConnection(pool.connection()), query.field,
                                              answer);
      });
      rememberChosen(pool, caller, session::recentFreeItemKey(query.field), answer, explanation,
                     failure);
      return validationReply(context, answer, explanation, failure);
    });
  };
  endpoints["/api/recent"] = [&pool, database](const HttpRequest& req, const Caller& caller) {
    const Context context{"recent", database};
    return respond(context, [&] {
      const auto query = readRecentQuery(req.body);
      const auto itemKey = query.free ? session::recentFreeItemKey(query.request.field)
                                      : session::recentItemKey(query.request);
      return recentReply(
          context,
          session::RecentValues(threadConnection(pool.connection())).list(caller.name, itemKey));
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

// Whether the page goes out in English: when the request's Accept-Language ranks some English
// above every Chinese (a tie goes to the one listed first). Chinese otherwise, also when the header
// is missing, names neither or cannot be read.
bool pageInEnglish(const HttpRequest& req) {
  const std::string* header = req.header("accept-language");
  if (header == nullptr) return false;
  struct Best {
    double q = 0;
    std::size_t at = 0;
  } english, chinese;
  std::size_t at = 0;
  for (std::size_t begin = 0; begin <= header->size(); ++at) {
    std::size_t end = header->find(',', begin);
    if (end == std::string::npos) end = header->size();
    std::string range = header->substr(begin, end - begin);
    begin = end + 1;
    double q = 1;
    if (const std::size_t semicolon = range.find(';'); semicolon != std::string::npos) {
      std::string parameter = range.substr(semicolon + 1);
      std::erase(parameter, ' ');
      range.resize(semicolon);
      const char* first = parameter.data() + 2;
      const char* last = parameter.data() + parameter.size();
      if (!parameter.starts_with("q=") || std::from_chars(first, last, q).ptr != last || q < 0 ||
          q > 1) {
        continue;
      }
    }
    std::erase(range, ' ');
    std::string primary = range.substr(0, range.find('-'));
    for (char& c : primary) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    Best* best = primary == "en" ? &english : primary == "zh" ? &chinese : nullptr;
    if (best != nullptr && q > best->q) *best = Best{q, at};
  }
  return english.q > chinese.q ||
         (english.q > 0 && english.q == chinese.q && english.at < chinese.at);
}

// GET / in the language pageInEnglish chooses: index.html's <html lang> is the page's language.
HttpResponse page(const WebAsset& index, const HttpRequest& req) {
  constexpr std::string_view kChinese = "<html lang=\"zh-CN\">";
  const bool english = pageInEnglish(req);
  std::string body(index.body);
  if (const std::size_t at = body.find(kChinese); english && at != std::string::npos) {
    body.replace(at, kChinese.size(), "<html lang=\"en\">");
  }
  return HttpResponse{200,
                      std::string(index.contentType),
                      std::move(body),
                      {{"Cache-Control", "no-cache"},
                       {"Content-Language", english ? "en" : "zh-CN"},
                       {"Vary", "Accept-Language"}}};
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

namespace {

// The route a request is counted under: its path when it is one of the server's own, else
// "other", so that the metrics stay bounded whatever paths clients make up.
std::string routeOf(const std::string& path) {
  static const char* const kRoutes[] = {"/api/ref",           "/api/free-ref", "/api/validate",
                                        "/api/validate-free", "/api/recent",   "/api/sign-in",
                                        "/api/sign-out",      "/api/session",  "/",
                                        "/healthz",           "/readyz",       "/metrics"};
  for (const char* route : kRoutes) {
    if (path == route) return path;
  }
  return assetAt(path) ? "asset" : "other";
}

// A request id: 16 hex digits, sent back as X-Request-Id and written in the log. Each differs
// from every other of the process: a count of the requests, offset by a random key drawn once,
// through a permutation of 64-bit numbers that scatters neighbours (the finaliser of
// SplitMix64). The permutation can be undone, so ids can be told apart but not kept secret: an
// id names a request and guards nothing.
std::string requestId() {
  static const std::uint64_t key = [] {
    std::random_device device;
    return (std::uint64_t{device()} << 32) ^ device();
  }();
  static std::atomic<std::uint64_t> count{0};
  std::uint64_t z = key + 0x9e3779b97f4a7c15ULL * ++count;
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
  z ^= z >> 31;
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(z));
  return text;
}

}  // namespace

HttpHandler routes(const Services& services) {
  const Services& s = services;
  auto dispatch = [endpoints = api(s.pool, s.database), &s](const HttpRequest& req) {
    if (const auto refused = s.guard.check(req)) {
      return refusal(refused->status, refused->message);
    }
    if (auto health = healthRoute(req, s.metrics, s.readiness)) return *health;
    if (auto landing = s.signIn.landing(req)) return *landing;
    if (req.method == "POST") {
      if (req.path == "/api/sign-in") return s.signIn.signIn(req, s.database);
      if (req.path == "/api/sign-out") return s.signIn.signOut(req, s.database);
      if (const auto it = endpoints.find(req.path); it != endpoints.end()) {
        const auto caller = s.signIn.identify(req);
        if (!caller) return s.signIn.unauthorised(req.path.substr(5), s.database);
        HttpResponse answer = it->second(req, *caller);
        answer.person = caller->name;
        return answer;
      }
    } else if (req.method == "GET") {
      if (req.path == "/api/session") return whoIsSignedIn(s.signIn, req, s.database);
      if (req.path == "/api/openapi.json") return HttpResponse{200, kJson, openApiDocument(), {}};
      if (const WebAsset* asset = assetAt(req.path)) {
        if (asset->path == "/index.html") return page(*asset, req);
        return HttpResponse{200,
                            std::string(asset->contentType),
                            std::string(asset->body),
                            {{"Cache-Control", "no-cache"}}};
      }
    }
    const bool postPath =
        endpoints.contains(req.path) || req.path == "/api/sign-in" || req.path == "/api/sign-out";
    if (postPath && req.method != "POST") return wrongMethod(req, "POST");
    if ((req.path == "/api/session" || req.path == "/api/openapi.json" || assetAt(req.path)) &&
        req.method != "GET") {
      return wrongMethod(req, "GET, HEAD");
    }
    return refusal(404, "no such path: " + req.method + " " + session::printable(req.path));
  };
  return [dispatch, &s](const HttpRequest& req) {
    const auto started = std::chrono::steady_clock::now();
    const std::string id = requestId();
    HttpResponse answer = dispatch(req);
    answer.headers.emplace_back("X-Request-Id", id);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - started;
    s.metrics.observe(routeOf(req.path), answer.status, took);
    if (!answer.databaseMessage.empty()) s.metrics.databaseFailure();
    s.log.request(id, req, answer, took);
    return answer;
  };
}

}  // namespace tarn::server
