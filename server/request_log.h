// velloc serve's request log: one JSON object per line (--log FILE, "-" for standard error), for
// each request: time, request id, person, method, path, status, duration in milliseconds, and the
// database's message when a database failure came with the answer; a line when the server starts
// and when it stops. Never a body, a query string, a password, a token or a cookie. Safe to use
// from every thread.
#pragma once

#include <chrono>
#include <fstream>
#include <mutex>
#include <ostream>
#include <string>

#include "server/http_server.h"

namespace tarn::server {

class RequestLog {
 public:
  // Logs to `path`, appended to, or to `standardError` for "-"; to nowhere for "". Raises
  // RequestError when the file cannot be opened.
  RequestLog(const std::string& path, std::ostream& standardError);

  bool enabled() const { return out_ != nullptr; }

  void request(const std::string& id, const HttpRequest& request, const HttpResponse& response,
               std::chrono::duration<double, std::milli> took);
  // {"event": "start"|"stop", …`fields`}: `fields` is a JSON object's members, without braces.
  void event(const std::string& event, const std::string& fields);

 private:
  void write(const std::string& line);

  std::ofstream file_;
  std::ostream* out_ = nullptr;
  std::mutex mutex_;
};

}  // namespace tarn::server
