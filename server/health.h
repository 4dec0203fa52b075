// What velloc serve tells its operator and a load balancer, without a sign-in:
//   GET /healthz  200 while the process answers;
//   GET /readyz   200 when a component can be made on the database and the database answers a
//                 trivial query within the time limit, else 503 naming what failed;
//   GET /metrics  the counters of metrics.h, in Prometheus' text format.
#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "server/http_server.h"
#include "server/metrics.h"

namespace tarn::server {

struct Readiness {
  std::u16string connection;
  std::u16string user;
  std::chrono::milliseconds limit{2000};
};

// The answer to one of the paths above; nothing for any other request.
std::optional<HttpResponse> healthRoute(const HttpRequest& request, const Metrics& metrics,
                                        const Readiness& readiness);

}  // namespace tarn::server
