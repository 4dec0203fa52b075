// Who may drive velloc serve. A page on another site can make a browser send requests to a server
// on loopback; these checks refuse them before any handler runs:
//  - Host must name this server (its bound address, the loopback names when it listens on
//    loopback or on every address, or an operator's --allowed-host name, each with the server's
//    port), else 421: a foreign name that its owner points at 127.0.0.1 (DNS rebinding) is refused;
//  - a request that is not GET or HEAD must not come from another site: its Origin, when present,
//    must be this server's own (http://HOST, https://HOST under TLS, the Host it named), and its
//    Sec-Fetch-Site, when
//    present, same-origin (or none: typed by the user), else 403;
//  - a POST must carry Content-Type application/json, which a foreign page can send only after a
//    preflight this server never grants, else 415.
// Clients that send neither Origin nor Sec-Fetch-Site (curl, programs) are not browsers driven by
// a foreign page, and pass.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "server/http_server.h"

namespace tarn::server {

class RequestGuard {
 public:
  // `bind` and `port` as the server listens; `names` the operator's extra host names (a name or
  // address, without a port); `tls` when the server speaks HTTPS.
  RequestGuard(const std::string& bind, int port, const std::vector<std::string>& names, bool tls);

  struct Refusal {
    int status;  // 421, 403 or 415
    std::string message;
  };
  std::optional<Refusal> check(const HttpRequest& request) const;

 private:
  std::vector<std::string> hosts_;  // "name:port", in lower case
  std::string scheme_;              // "http://" or "https://"
  std::string defaultPort_;         // the port a Host without one means: ":80" or ":443"
};

}  // namespace tarn::server
