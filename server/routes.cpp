#include "server/routes.h"

#include <httplib.h>

#include "server/api_requests.h"
#include "server/component_pool.h"
#include "server/web_assets.h"
#include "session/catalogue_checks.h"
#include "session/database_failures.h"
#include "session/pick_list.h"
#include "session/report.h"
#include "session/request_checks.h"
#include "session/text_table.h"

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
void respond(httplib::Response& response, const Context& context, Work work) {
  Reply reply;
  try {
    reply = work();
  } catch (const session::RequestError& e) {
    reply = Reply{statusOf(e.failure), session::failureJson(context, e.failure)};
  } catch (const std::exception& e) {
    const Failure failure{Failure::Kind::kOther, e.what(), {}};
    reply = Reply{500, session::failureJson(context, failure)};
  }
  response.status = reply.status;
  response.set_content(reply.body, kJson);
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

void addApi(httplib::Server& server, ComponentPool& pool, const std::string& database) {
  server.Post("/api/ref", [&pool, database](const httplib::Request& req, httplib::Response& res) {
    const Context context{"ref", database};
    respond(res, context, [&] {
      const auto query = readReferenceQuery(req.body);
      session::checkNamesAgainstCatalogue(pool.connection(), query.request, session::kApiKeys);
      auto& component = pool.component();
      const session::DatabaseFailureScope scope;
      const auto answer = component.reference(query.request);
      return referenceReply(context, pool, answer, scope.failure(), query.window);
    });
  });
  server.Post(
      "/api/free-ref", [&pool, database](const httplib::Request& req, httplib::Response& res) {
        const Context context{"free-ref", database};
        respond(res, context, [&] {
          const auto query = readFreeReferenceQuery(req.body);
          auto& component = pool.component();
          const session::DatabaseFailureScope scope;
          const auto answer =
              query.hasInventory
                  ? component.structuredFreeReference(query.inventory, query.field, query.match)
                  : component.freeReference(query.field, query.match);
          return referenceReply(context, pool, answer, scope.failure(), query.window);
        });
      });
  server.Post(
      "/api/validate", [&pool, database](const httplib::Request& req, httplib::Response& res) {
        const Context context{"validate", database};
        respond(res, context, [&] {
          const auto query = readValidationQuery(req.body);
          session::checkNamesAgainstCatalogue(pool.connection(), query.request, session::kApiKeys);
          auto& component = pool.component();
          const session::DatabaseFailureScope scope;
          const auto answer = component.validate(query.request, query.value, query.build);
          return validationReply(context, answer, scope.failure());
        });
      });
  server.Post("/api/validate-free",
              [&pool, database](const httplib::Request& req, httplib::Response& res) {
                const Context context{"validate-free", database};
                respond(res, context, [&] {
                  const auto query = readFreeValidationQuery(req.body);
                  auto& component = pool.component();
                  const session::DatabaseFailureScope scope;
                  const auto answer = component.validateFree(query.field, query.value, query.build);
                  return validationReply(context, answer, scope.failure());
                });
              });
}

void addPage(httplib::Server& server) {
  for (const WebAsset& asset : webAssets()) {
    const auto serveAsset = [&asset](const httplib::Request&, httplib::Response& res) {
      res.set_content(asset.body.data(), asset.body.size(), asset.contentType.data());
      res.set_header("Cache-Control", "no-cache");
    };
    server.Get(std::string(asset.path), serveAsset);
    if (asset.path == "/index.html") server.Get("/", serveAsset);
  }
}

// Requests that reached no handler, or that the server refused before any handler ran (a body
// over the limit, a malformed request), answer one JSON error too.
void addErrors(httplib::Server& server, std::size_t maxBody) {
  server.set_error_handler([maxBody](const httplib::Request& req, httplib::Response& res) {
    if (!res.body.empty()) return;
    std::string message;
    switch (res.status) {
      case 404:
        message = "no such path: " + req.method + " " + session::printable(req.path);
        break;
      case 413:
        res.status = 400;
        message = "the request body is over " + std::to_string(maxBody) + " bytes";
        break;
      default:
        message = "the request could not be served (HTTP " + std::to_string(res.status) + ")";
    }
    res.set_content(session::failureJson(Context{}, Failure{Failure::Kind::kUsage, message, {}}),
                    kJson);
  });
  server.set_exception_handler(
      [](const httplib::Request&, httplib::Response& res, std::exception_ptr) {
        res.status = 500;
        res.set_content(
            session::failureJson(Context{}, Failure{Failure::Kind::kOther, "internal failure", {}}),
            kJson);
      });
}

}  // namespace

void addRoutes(httplib::Server& server, ComponentPool& pool, const std::string& database,
               std::size_t maxBody) {
  addApi(server, pool, database);
  addPage(server);
  addErrors(server, maxBody);
}

}  // namespace tarn::server
