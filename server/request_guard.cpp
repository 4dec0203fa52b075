#include "server/request_guard.h"

#include <algorithm>

#include "session/text_table.h"

namespace tarn::server {
namespace {

std::string lowerCase(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

// An address as it stands in a Host header: IPv6 in brackets.
std::string hostForm(const std::string& name) {
  if (name.find(':') != std::string::npos && name.front() != '[') return "[" + name + "]";
  return name;
}

// "name:port" from a Host header's value; `defaultPort` (":80", ":443") when it names none.
std::string withPort(const std::string& host, const std::string& defaultPort) {
  const auto colon = host.rfind(':');
  const auto bracket = host.rfind(']');
  const bool hasPort =
      colon != std::string::npos && (bracket == std::string::npos || colon > bracket);
  return lowerCase(hasPort ? host : host + defaultPort);
}

bool listensOnLoopback(const std::string& bind) {
  return bind.starts_with("127.") || bind == "::1" || bind == "localhost" || bind == "0.0.0.0" ||
         bind == "::" || bind.empty();
}

}  // namespace

RequestGuard::RequestGuard(const std::string& bind, int port, const std::vector<std::string>& names,
                           bool tls)
    : scheme_(tls ? "https://" : "http://"), defaultPort_(tls ? ":443" : ":80") {
  const std::string suffix = ":" + std::to_string(port);
  const auto add = [&](const std::string& name) {
    const std::string host = lowerCase(hostForm(name)) + suffix;
    if (std::find(hosts_.begin(), hosts_.end(), host) == hosts_.end()) hosts_.push_back(host);
  };
  add(bind);
  if (listensOnLoopback(bind)) {
    for (const char* name : {"127.0.0.1", "localhost", "::1"}) add(name);
  }
  for (const auto& name : names) add(name);
}

std::optional<RequestGuard::Refusal> RequestGuard::check(const HttpRequest& request) const {
  using session::printable;
  const std::string* host = request.header("host");
  if (!host ||
      std::find(hosts_.begin(), hosts_.end(), withPort(*host, defaultPort_)) == hosts_.end()) {
    std::string known;
    for (const auto& name : hosts_) known += (known.empty() ? "" : ", ") + name;
    return Refusal{421, (host ? "unknown Host \"" + printable(*host) + "\"" : "no Host header") +
                            ": this server answers to " + known +
                            " (more with --allowed-host NAME)"};
  }
  if (request.method == "GET" || request.method == "HEAD") return std::nullopt;

  if (const std::string* site = request.header("sec-fetch-site");
      site && *site != "same-origin" && *site != "none") {
    return Refusal{403, "cross-site request refused: Sec-Fetch-Site is \"" + printable(*site) +
                            "\", not same-origin"};
  }
  if (const std::string* origin = request.header("origin")) {
    const std::string own = scheme_ + *host;
    const std::size_t start = scheme_.size();
    const bool same =
        origin->starts_with(scheme_) &&
        withPort(origin->substr(start), defaultPort_) == withPort(*host, defaultPort_) &&
        origin->find('/', start) == std::string::npos;
    if (!same) {
      return Refusal{403, "cross-site request refused: Origin \"" + printable(*origin) +
                              "\" is not this server's (" + printable(own) + ")"};
    }
  }
  if (request.method == "POST") {
    const std::string* type = request.header("content-type");
    const std::string media = type ? lowerCase(type->substr(0, type->find(';'))) : "";
    const auto end = media.find_last_not_of(" \t");
    if (media.substr(0, end == std::string::npos ? 0 : end + 1) != "application/json") {
      return Refusal{415, "a POST must carry Content-Type: application/json" +
                              (type ? " (it carried \"" + printable(*type) + "\")"
                                    : std::string(" (it carried none)"))};
    }
  }
  return std::nullopt;
}

}  // namespace tarn::server
