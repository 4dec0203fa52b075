#include "server/metrics.h"

#include <sstream>

namespace tarn::server {

Metrics::Metrics(std::function<std::size_t()> openConnections,
                 std::function<std::size_t()> componentsAlive)
    : openConnections_(std::move(openConnections)), componentsAlive_(std::move(componentsAlive)) {}

void Metrics::observe(const std::string& route, int status, std::chrono::duration<double> took) {
  const double seconds = took.count();
  const std::lock_guard lock(mutex_);
  ++requests_[{route, status}];
  Latency& latency = latency_[route];
  for (std::size_t i = 0; i < kBuckets.size(); ++i) {
    if (seconds <= kBuckets[i]) ++latency.buckets[i];
  }
  ++latency.count;
  latency.sum += seconds;
}

std::string Metrics::render() const {
  std::ostringstream out;
  out << "# HELP velloc_requests_total Requests answered, by route and status.\n"
      << "# TYPE velloc_requests_total counter\n";
  const std::lock_guard lock(mutex_);
  for (const auto& [key, count] : requests_) {
    out << "velloc_requests_total{route=\"" << key.first << "\",status=\"" << key.second << "\"} "
        << count << "\n";
  }
  out << "# HELP velloc_request_duration_seconds Time from a whole request to its answer.\n"
      << "# TYPE velloc_request_duration_seconds histogram\n";
  for (const auto& [route, latency] : latency_) {
    const std::string label = "route=\"" + route + "\"";
    for (std::size_t i = 0; i < kBuckets.size(); ++i) {
      out << "velloc_request_duration_seconds_bucket{" << label << ",le=\"" << kBuckets[i] << "\"} "
          << latency.buckets[i] << "\n";
    }
    out << "velloc_request_duration_seconds_bucket{" << label << ",le=\"+Inf\"} " << latency.count
        << "\n"
        << "velloc_request_duration_seconds_sum{" << label << "} " << latency.sum << "\n"
        << "velloc_request_duration_seconds_count{" << label << "} " << latency.count << "\n";
  }
  out << "# HELP velloc_database_failures_total Database failures that came with an answer.\n"
      << "# TYPE velloc_database_failures_total counter\n"
      << "velloc_database_failures_total " << databaseFailures_.load() << "\n"
      << "# HELP velloc_components_alive Component objects the workers hold.\n"
      << "# TYPE velloc_components_alive gauge\n"
      << "velloc_components_alive " << componentsAlive_() << "\n"
      << "# HELP velloc_open_connections Connections open now.\n"
      << "# TYPE velloc_open_connections gauge\n"
      << "velloc_open_connections " << openConnections_() << "\n";
  return out.str();
}

}  // namespace tarn::server
