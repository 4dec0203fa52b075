#include "server/sign_in.h"

#include <arpa/inet.h>

#include <algorithm>
#include <nlohmann/json.hpp>
#include <ostream>
#include <thread>

#include "session/failure.h"
#include "session/report.h"
#include "session/text_table.h"
#include "tarnvelloc/automation/text.h"

namespace tarn::server {
namespace {

using Clock = std::chrono::steady_clock;
using Json = nlohmann::ordered_json;

constexpr const char* kCookie = "velloc_session";
constexpr const char* kJson = "application/json; charset=utf-8";
constexpr std::size_t kMaxSessions = 10000;

HttpResponse jsonAnswer(int status, const Json& json, HttpHeaders headers = {}) {
  return HttpResponse{status, kJson, json.dump(2) + "\n", std::move(headers)};
}

HttpResponse usageError(int status, const std::string& command, const std::string& database,
                        const std::string& message, HttpHeaders headers = {}) {
  const session::Failure failure{session::Failure::Kind::kUsage, message, {}};
  return HttpResponse{status, kJson,
                      session::failureJson(session::Context{command, database}, failure),
                      std::move(headers)};
}

// The value of the cookie `name` in the request's Cookie header, "" when it has none.
std::string cookieValue(const HttpRequest& request, std::string_view name) {
  const std::string* header = request.header("cookie");
  if (!header) return {};
  std::string_view rest = *header;
  while (!rest.empty()) {
    const auto end = std::min(rest.find(';'), rest.size());
    std::string_view pair = rest.substr(0, end);
    rest.remove_prefix(std::min(end + 1, rest.size()));
    while (!pair.empty() && pair.front() == ' ') pair.remove_prefix(1);
    if (pair.starts_with(name) && pair.size() > name.size() && pair[name.size()] == '=') {
      return std::string(pair.substr(name.size() + 1));
    }
  }
  return {};
}

// The token of an "Authorization: Bearer T" header, "" when there is none.
std::string bearerToken(const HttpRequest& request) {
  const std::string* header = request.header("authorization");
  if (!header || header->size() < 7) return {};
  std::string scheme = header->substr(0, 7);
  std::transform(scheme.begin(), scheme.end(), scheme.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return scheme == "bearer " ? header->substr(7) : std::string();
}

// The value of `key` in a query string, "" when it has none.
std::string queryValue(std::string_view query, std::string_view key) {
  while (!query.empty()) {
    const auto end = std::min(query.find('&'), query.size());
    const std::string_view pair = query.substr(0, end);
    query.remove_prefix(std::min(end + 1, query.size()));
    if (pair.starts_with(key) && pair.size() > key.size() && pair[key.size()] == '=') {
      return std::string(pair.substr(key.size() + 1));
    }
  }
  return {};
}

}  // namespace

bool isLoopback(const std::string& address) {
  in6_addr six{};
  if (::inet_pton(AF_INET6, address.c_str(), &six) == 1) {
    if (IN6_IS_ADDR_LOOPBACK(&six)) return true;
    return IN6_IS_ADDR_V4MAPPED(&six) && six.s6_addr[12] == 127;
  }
  in_addr four{};
  return ::inet_pton(AF_INET, address.c_str(), &four) == 1 && (ntohl(four.s_addr) >> 24) == 127;
}

SignIn::SignIn(SignInOptions options, std::ostream& log) : options_(std::move(options)), log_(log) {
  if (options_.users) people_ = session::PeopleFile::load(*options_.users);
}

std::optional<Caller> SignIn::identify(const HttpRequest& request) {
  if (auto caller = fromSession(request)) return caller;
  if (const std::string token = bearerToken(request); !token.empty()) {
    if (options_.users) {
      if (const auto* person = people_.bearer(token)) {
        return Caller{person->name, automation::fromUtf8(person->erpUser)};
      }
    } else if (singleUser() && session::sameSecret(token, options_.token)) {
      return Caller{automation::toUtf8(options_.singleUser), options_.singleUser};
    }
    return std::nullopt;
  }
  if (!options_.trustedHeader.empty() && isLoopback(request.peer)) {
    if (const std::string* name = request.header(options_.trustedHeader); name && !name->empty()) {
      if (!options_.users) return Caller{*name, automation::fromUtf8(*name)};
      if (const auto* person = people_.find(*name)) {
        return Caller{person->name, automation::fromUtf8(person->erpUser)};
      }
    }
  }
  return std::nullopt;
}

std::optional<Caller> SignIn::fromSession(const HttpRequest& request) {
  const std::string id = cookieValue(request, kCookie);
  if (id.empty()) return std::nullopt;
  // A browser says where a POST comes from (the guard has checked it is this server's page); a
  // cookie on a POST that says nothing is not taken as the page's.
  if (request.method == "POST" && !request.header("origin") && !request.header("sec-fetch-site")) {
    return std::nullopt;
  }
  const std::string key = session::tokenHash(id);
  const std::lock_guard lock(mutex_);
  const auto it = sessions_.find(key);
  if (it == sessions_.end()) return std::nullopt;
  const auto now = Clock::now();
  if (now - it->second.lastUsed > options_.idle) {
    sessions_.erase(it);
    return std::nullopt;
  }
  it->second.lastUsed = now;
  return it->second.caller;
}

std::string SignIn::openSession(Caller caller) {
  const std::string id = session::randomToken();
  const auto now = Clock::now();
  const std::lock_guard lock(mutex_);
  std::erase_if(sessions_,
                [&](const auto& entry) { return now - entry.second.lastUsed > options_.idle; });
  if (sessions_.size() >= kMaxSessions) {
    sessions_.erase(std::min_element(
        sessions_.begin(), sessions_.end(),
        [](const auto& a, const auto& b) { return a.second.lastUsed < b.second.lastUsed; }));
  }
  sessions_[session::tokenHash(id)] = Session{std::move(caller), now};
  return id;
}

std::string SignIn::cookie(const std::string& id, bool ending) const {
  std::string text = std::string(kCookie) + "=" + id + "; Path=/; HttpOnly; SameSite=Strict";
  if (options_.secure) text += "; Secure";
  if (ending) text += "; Max-Age=0";
  return text;
}

bool SignIn::exhausted(std::map<std::string, Failures>& failures, const std::string& key,
                       int allowed) {
  const auto it = failures.find(key);
  if (it == failures.end()) return false;
  if (Clock::now() - it->second.since > options_.failureWindow) {
    failures.erase(it);
    return false;
  }
  return it->second.count >= allowed;
}

void SignIn::noteFailure(const std::string& name, const std::string& address) {
  const auto now = Clock::now();
  for (auto* failures : {&failuresByAddress_, &failuresByName_}) {
    auto& entry = (*failures)[failures == &failuresByName_ ? name : address];
    if (entry.count == 0 || now - entry.since > options_.failureWindow) entry = Failures{0, now};
    ++entry.count;
  }
}

HttpResponse SignIn::signIn(const HttpRequest& request, const std::string& database) {
  const std::string command = "sign-in";
  if (!options_.users) {
    return usageError(404, command, database,
                      "this server has no people file: it signs in with its token (single-user) "
                      "or through its reverse proxy");
  }
  const Json body = Json::parse(request.body, nullptr, false);
  if (!body.is_object() || !body.contains("name") || !body["name"].is_string() ||
      !body.contains("password") || !body["password"].is_string() || body.size() != 2) {
    return usageError(400, command, database,
                      "the body must be one JSON object: {\"name\": …, \"password\": …}");
  }
  const std::string name = body["name"].get<std::string>();
  {
    const std::lock_guard lock(mutex_);
    if (exhausted(failuresByAddress_, request.peer, options_.failuresPerAddress) ||
        exhausted(failuresByName_, name, options_.failuresPerName)) {
      log_ << "velloc serve: sign-in refused for '" << session::printable(name) << "' from "
           << request.peer << ": too many failed sign-ins" << std::endl;
      return usageError(429, command, database,
                        "too many failed sign-ins from this address or for this name; try again "
                        "later");
    }
  }
  const auto* person = people_.signIn(name, body["password"].get<std::string>());
  if (!person) {
    std::this_thread::sleep_for(options_.failureDelay);
    const std::lock_guard lock(mutex_);
    noteFailure(name, request.peer);
    log_ << "velloc serve: sign-in refused for '" << session::printable(name) << "' from "
         << request.peer << ": wrong name or password" << std::endl;
    return usageError(401, command, database, "wrong name or password");
  }
  const std::string id = openSession(Caller{person->name, automation::fromUtf8(person->erpUser)});
  return jsonAnswer(200,
                    {{"command", command},
                     {"database", database},
                     {"name", person->name},
                     {"erpUser", person->erpUser}},
                    {{"Set-Cookie", cookie(id, false)}});
}

HttpResponse SignIn::signOut(const HttpRequest& request, const std::string& database) {
  if (const std::string id = cookieValue(request, kCookie); !id.empty()) {
    const std::lock_guard lock(mutex_);
    sessions_.erase(session::tokenHash(id));
  }
  return jsonAnswer(200, {{"command", "sign-out"}, {"database", database}},
                    {{"Set-Cookie", cookie("", true)}});
}

std::optional<HttpResponse> SignIn::landing(const HttpRequest& request) {
  if (!singleUser() || request.method != "GET" || request.path != "/") return std::nullopt;
  const std::string token = queryValue(request.query, "token");
  if (token.empty() || !session::sameSecret(token, options_.token)) return std::nullopt;
  const std::string id =
      openSession(Caller{automation::toUtf8(options_.singleUser), options_.singleUser});
  return HttpResponse{303,
                      "text/plain; charset=utf-8",
                      "signed in\n",
                      {{"Location", "/"}, {"Set-Cookie", cookie(id, false)}}};
}

HttpResponse SignIn::unauthorised(const std::string& command, const std::string& database) const {
  const std::string message =
      options_.users ? "sign in first (POST /api/sign-in), or send a bearer token"
      : singleUser()
          ? "open the address velloc serve printed at start, or send its token as a bearer token"
          : "sign in through the reverse proxy first";
  return usageError(401, command, database, message, {{"WWW-Authenticate", "Bearer"}});
}

}  // namespace tarn::server
