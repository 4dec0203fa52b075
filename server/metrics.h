// What velloc serve counts for its operator, in Prometheus' text format (GET /metrics): requests
// by route and status, a latency histogram per route, database failures met by the calls, the
// component objects alive and the open connections. Safe to use from every thread.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <utility>

namespace tarn::server {

class Metrics {
 public:
  // `openConnections` and `componentsAlive` are read when the metrics are rendered.
  Metrics(std::function<std::size_t()> openConnections,
          std::function<std::size_t()> componentsAlive);

  // One request answered: `route` is the path of a known route, or "other".
  void observe(const std::string& route, int status, std::chrono::duration<double> took);
  void databaseFailure() { ++databaseFailures_; }

  std::string render() const;

 private:
  static constexpr std::array<double, 12> kBuckets{0.001, 0.0025, 0.005, 0.01, 0.025, 0.05,
                                                   0.1,   0.25,   0.5,   1,    2.5,   5};
  struct Latency {
    std::array<std::uint64_t, kBuckets.size()> buckets{};  // cumulative counts per bound
    std::uint64_t count = 0;
    double sum = 0;
  };

  std::function<std::size_t()> openConnections_;
  std::function<std::size_t()> componentsAlive_;
  std::atomic<std::uint64_t> databaseFailures_{0};
  mutable std::mutex mutex_;
  std::map<std::pair<std::string, int>, std::uint64_t> requests_;
  std::map<std::string, Latency> latency_;
};

}  // namespace tarn::server
