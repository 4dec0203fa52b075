#include "server/request_log.h"

#include <cmath>
#include <cstdio>
#include <ctime>
#include <nlohmann/json.hpp>

#include "session/failure.h"
#include "session/text_table.h"

namespace tarn::server {
namespace {

using Json = nlohmann::ordered_json;

// The time now, UTC, to the millisecond: 2026-12-08T19:30:05.123Z.
std::string now() {
  const auto time = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(time);
  const auto millis =
      std::chrono::duration_cast<std::chrono::milliseconds>(time.time_since_epoch()).count() % 1000;
  std::tm utc{};
  gmtime_r(&seconds, &utc);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &utc);
  char full[40];
  std::snprintf(full, sizeof full, "%s.%03dZ", text, static_cast<int>(millis));
  return full;
}

}  // namespace

RequestLog::RequestLog(const std::string& path, std::ostream& standardError) {
  if (path.empty()) return;
  if (path == "-") {
    out_ = &standardError;
    return;
  }
  file_.open(path, std::ios::app);
  if (!file_) {
    session::fail(session::Failure::Kind::kUsage,
                  "--log " + session::printable(path) + ": the file cannot be opened to append");
  }
  out_ = &file_;
}

void RequestLog::request(const std::string& id, const HttpRequest& request,
                         const HttpResponse& response,
                         std::chrono::duration<double, std::milli> took) {
  if (!out_) return;
  Json line{{"time", now()},
            {"id", id},
            {"person", response.person.empty() ? Json(nullptr) : Json(response.person)},
            {"method", request.method},
            {"path", request.path},
            {"status", response.status},
            {"ms", std::round(took.count() * 1000) / 1000}};
  if (!response.databaseMessage.empty()) line["database"] = response.databaseMessage;
  write(line.dump(-1, ' ', false, Json::error_handler_t::replace));
}

void RequestLog::event(const std::string& event, const std::string& fields) {
  if (!out_) return;
  write("{\"time\":\"" + now() + "\",\"event\":\"" + event + "\"" +
        (fields.empty() ? "" : "," + fields) + "}");
}

void RequestLog::write(const std::string& line) {
  const std::lock_guard lock(mutex_);
  *out_ << line << '\n' << std::flush;
}

}  // namespace tarn::server
