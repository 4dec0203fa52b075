#include "server/health.h"

#include <future>
#include <memory>
#include <nlohmann/json.hpp>
#include <thread>

#include "session/connection.h"
#include "session/failure.h"
#include "session/velloc_host.h"
#include "tarnvelloc/erp/statement.h"

namespace tarn::server {
namespace {

constexpr const char* kJson = "application/json; charset=utf-8";

// Makes a component and asks the database a trivial question, on a thread of its own so that a
// database that does not answer cannot hold the caller past `limit`; "" when ready, else why not.
std::string probe(const Readiness& readiness) {
  auto outcome = std::make_shared<std::promise<std::string>>();
  auto answered = outcome->get_future();
  std::thread([outcome, readiness] {
    std::string why;
    try {
      session::VellocHost host;
      session::initialise(host, readiness.connection, readiness.user);
      erp::runStatement(readiness.connection, u"select 1");
    } catch (const session::RequestError& e) {
      why = e.failure.message;
    } catch (const std::exception& e) {
      why = e.what();
    }
    outcome->set_value(why);
  }).detach();
  if (answered.wait_for(readiness.limit) != std::future_status::ready) {
    return "the database gave no answer within " + std::to_string(readiness.limit.count()) + " ms";
  }
  return answered.get();
}

HttpResponse json(int status, const std::string& text) {
  return HttpResponse{status, kJson, text + "\n", {{"Cache-Control", "no-store"}}};
}

}  // namespace

std::optional<HttpResponse> healthRoute(const HttpRequest& request, const Metrics& metrics,
                                        const Readiness& readiness) {
  if (request.method != "GET") return std::nullopt;
  if (request.path == "/healthz") return json(200, R"({"status": "ok"})");
  if (request.path == "/readyz") {
    const std::string why = probe(readiness);
    if (why.empty()) return json(200, R"({"status": "ready"})");
    const nlohmann::json answer{{"status", "not ready"}, {"reason", why}};
    return json(503, answer.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
  }
  if (request.path == "/metrics") {
    return HttpResponse{200,
                        "text/plain; version=0.0.4; charset=utf-8",
                        metrics.render(),
                        {{"Cache-Control", "no-store"}}};
  }
  return std::nullopt;
}

}  // namespace tarn::server
