// Who a request to velloc serve acts for. Every API call runs under the ERP user id of the person
// it acts for, so row grants and column layouts are per person. Three ways in, chosen at start:
//  - people (--users FILE, session/people.h): a person signs in with name and password
//    (POST /api/sign-in) and gets a session cookie; a program sends a bearer token that
//    `velloc user token` issued;
//  - a reverse proxy that signs people in (--trusted-user-header NAME): the header names the
//    person, and is believed only from a loopback peer; with --users it is a login name, without,
//    the ERP user id itself;
//  - single-user (neither): the server's one --user, for whoever holds the token made at start
//    (or read from --token-file): the page takes it from the address printed at start into its
//    session cookie, a program sends it as a bearer token.
// Sessions are random 256-bit ids in an HttpOnly, SameSite=Strict cookie (Secure under TLS), kept
// in memory and ended after an idle time. Failed sign-ins are delayed and, past a bound per
// name and a larger one per address, refused for a while; each is logged without its password.
// A session cookie on a POST counts only when the browser says where the POST comes from
// (Origin or Sec-Fetch-Site, which the request guard has checked). Safe to use
// from every worker thread.
#pragma once

#include <chrono>
#include <filesystem>
#include <iosfwd>
#include <map>
#include <mutex>
#include <optional>
#include <string>

#include "server/http_server.h"
#include "session/people.h"

namespace tarn::server {

struct Caller {
  std::string name;        // the person, or the single user
  std::u16string erpUser;  // the ERP user id their calls run under
};

struct SignInOptions {
  std::optional<std::filesystem::path> users;  // people mode
  std::string trustedHeader;                   // lower case; "" for none
  std::string token;                           // single-user mode's token
  std::u16string singleUser;                   // single-user mode's ERP user id
  bool secure = false;                         // served over TLS: cookies are Secure
  std::chrono::seconds idle{30 * 60};          // a session unused this long ends
  std::chrono::milliseconds failureDelay{500};
  // Failed sign-ins allowed within failureWindow for one name, and from one address (more: many
  // people may share an address, behind a proxy or a gateway).
  int failuresPerName = 5;
  int failuresPerAddress = 10;
  std::chrono::seconds failureWindow{15 * 60};
};

class SignIn {
 public:
  // Loads the people file when there is one; raises RequestError when it cannot be read. `log`
  // receives one line per refused sign-in.
  SignIn(SignInOptions options, std::ostream& log);

  bool singleUser() const { return !options_.users && options_.trustedHeader.empty(); }

  // The caller `request` acts for, from its session cookie, its bearer token or, from a loopback
  // peer, the trusted header; nothing when it carries no credential that holds.
  std::optional<Caller> identify(const HttpRequest& request);

  // POST /api/sign-in {"name", "password"} (people mode).
  HttpResponse signIn(const HttpRequest& request, const std::string& database);
  // POST /api/sign-out: ends the request's session.
  HttpResponse signOut(const HttpRequest& request, const std::string& database);
  // GET /?token=T in single-user mode: with the right token, a session cookie and a redirect to
  // the page without the token in its address; nothing for any other request.
  std::optional<HttpResponse> landing(const HttpRequest& request);

  // The answer to an API request that carries no credential.
  HttpResponse unauthorised(const std::string& command, const std::string& database) const;

 private:
  struct Session {
    Caller caller;
    std::chrono::steady_clock::time_point lastUsed;
  };
  struct Failures {
    int count = 0;
    std::chrono::steady_clock::time_point since;
  };

  std::optional<Caller> fromSession(const HttpRequest& request);
  std::string openSession(Caller caller);
  std::string cookie(const std::string& id, bool ending) const;
  // True when `key` has used up its failed sign-ins in the window.
  bool exhausted(std::map<std::string, Failures>& failures, const std::string& key, int allowed);
  void noteFailure(const std::string& name, const std::string& address);

  SignInOptions options_;
  std::ostream& log_;
  session::PeopleFile people_;
  std::mutex mutex_;                         // guards what follows, and log_
  std::map<std::string, Session> sessions_;  // by the hash of the session id
  std::map<std::string, Failures> failuresByAddress_;
  std::map<std::string, Failures> failuresByName_;
};

// True for a loopback address (127.0.0.0/8, ::1, and IPv4 loopback mapped into IPv6).
bool isLoopback(const std::string& address);

}  // namespace tarn::server
