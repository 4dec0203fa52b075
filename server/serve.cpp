#include "server/serve.h"

#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fstream>
#include <nlohmann/json.hpp>
#include <optional>
#include <ostream>
#include <thread>

#include "server/component_pool.h"
#include "server/http_server.h"
#include "server/request_guard.h"
#include "server/request_log.h"
#include "server/routes.h"
#include "server/sign_in.h"
#include "server/tls.h"
#include "session/people.h"
#include "session/report.h"
#include "session/text_table.h"
#include "tarnvelloc/automation/text.h"
#include "tarnvelloc/erp/statement.h"

namespace tarn::server {
namespace {

// Stops `server` when the process is asked to stop (SIGINT, SIGTERM), so that the worker threads
// finish their requests and release their component objects; a signal that comes before the
// server runs stops it as soon as it does. Made before any worker thread
// exists, so only its own thread receives the blocked signals; it must end before `server` does:
// its destructor wakes that thread, joins it and restores the signal mask.
class StopOnSignal {
 public:
  explicit StopOnSignal(HttpServer& server) {
    sigemptyset(&signals_);
    sigaddset(&signals_, SIGINT);
    sigaddset(&signals_, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals_, &previous_);
    waiter_ = std::thread([this, &server] {
      int signal = 0;
      sigwait(&signals_, &signal);
      if (!done_) server.stop();
    });
  }
  StopOnSignal(const StopOnSignal&) = delete;
  StopOnSignal& operator=(const StopOnSignal&) = delete;

  ~StopOnSignal() {
    done_ = true;
    pthread_kill(waiter_.native_handle(), SIGTERM);  // taken by its sigwait if still waiting
    waiter_.join();
    pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
  }

 private:
  sigset_t signals_{};
  sigset_t previous_{};
  std::atomic<bool> done_{false};
  std::thread waiter_;
};

bool isLoopbackName(const std::string& bind) { return bind == "localhost" || isLoopback(bind); }

// The single-user token: the first line of `file` when it has one, else a new random token,
// which is written to `file` (readable by its owner only) when one is named.
std::string tokenFor(const std::string& file) {
  if (file.empty()) return session::randomToken();
  {
    std::ifstream in(file);
    std::string line;
    if (in && std::getline(in, line) && !line.empty()) return line;
  }
  std::string token = session::randomToken();
  const mode_t previous = ::umask(077);
  std::ofstream out(file, std::ios::trunc);
  ::umask(previous);
  out << token << "\n";
  if (!out) {
    session::fail(session::Failure::Kind::kOther,
                  "cannot write the token file " + session::printable(file));
  }
  return token;
}

SignInOptions signInOptions(const session::SessionOptions& options, const ServeOptions& serve,
                            const std::string& token) {
  SignInOptions signIn;
  if (!serve.users.empty()) signIn.users = serve.users;
  signIn.trustedHeader = serve.trustedUserHeader;
  std::transform(signIn.trustedHeader.begin(), signIn.trustedHeader.end(),
                 signIn.trustedHeader.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  signIn.token = token;
  signIn.singleUser = automation::fromUtf8(options.user);
  signIn.idle = serve.sessionIdle;
  signIn.secure = !serve.tlsCertificate.empty();
  return signIn;
}

}  // namespace

int runServe(const session::SessionOptions& options, const ServeOptions& serve, std::ostream& out,
             std::ostream& err) {
  using session::Failure;
  session::Context context{"serve", {}};
  const auto report = [&](const Failure& failure) {
    return session::reportFailure(options.json, context, failure, out, err);
  };
  const bool singleUser = serve.users.empty() && serve.trustedUserHeader.empty();
  if (singleUser && !isLoopbackName(serve.bind)) {
    return report(Failure{Failure::Kind::kUsage,
                          "--bind " + session::printable(serve.bind) +
                              " reaches beyond this machine: a server without --users or "
                              "--trusted-user-header is single-user and listens on loopback only",
                          {}});
  }
  if (serve.tlsCertificate.empty() != serve.tlsKey.empty()) {
    return report(Failure{Failure::Kind::kUsage,
                          "--tls-cert and --tls-key go together: give the certificate and its key, "
                          "or neither",
                          {}});
  }
  std::shared_ptr<const TlsContext> tls;
  if (!serve.tlsCertificate.empty()) {
    try {
      tls = std::make_shared<const TlsContext>(serve.tlsCertificate, serve.tlsKey);
    } catch (const std::exception& e) {
      return report(Failure{Failure::Kind::kOther, e.what(), {}});
    }
    // A TLS write to a client that has gone raises SIGPIPE, which would end the process; the
    // failed write closes that connection instead.
    ::signal(SIGPIPE, SIG_IGN);
  }
  std::string singleUserToken;
  std::u16string connection;
  try {
    if (singleUser) singleUserToken = tokenFor(serve.tokenFile);
    connection = session::openConnection(options, err);
    context.database = erp::describeDatabase(connection);
    // One component on this thread first, so that a database the component cannot work with
    // stops the server at start-up rather than failing every request.
    session::VellocHost probe;
    session::initialise(probe, connection, automation::fromUtf8(options.user));
  } catch (const session::RequestError& e) {
    return report(e.failure);
  } catch (const std::exception& e) {
    return report(Failure{Failure::Kind::kOther, e.what(), {}});
  }

  std::optional<SignIn> signIn;
  std::optional<RequestLog> log;
  try {
    signIn.emplace(signInOptions(options, serve, singleUserToken), err);
    log.emplace(serve.log, err);
  } catch (const session::RequestError& e) {
    return report(e.failure);
  }
  ComponentPool pool(connection);
  const HttpLimits limits{serve.timeout, serve.timeout, serve.maxConnections, serve.maxPerAddress,
                          16 * 1024,     serve.maxBody, serve.threads};
  HttpServer server(limits, securityHeaders(), refusal, tls);
  const int port = server.bind(serve.bind, serve.port);
  if (port < 0) {
    return report(Failure{Failure::Kind::kOther,
                          "cannot listen on " + serve.bind + ":" + std::to_string(serve.port),
                          {}});
  }
  const RequestGuard guard(serve.bind, port, serve.allowedHosts, tls != nullptr);
  const std::string host =
      serve.bind.find(':') == std::string::npos ? serve.bind : "[" + serve.bind + "]";
  const StopOnSignal stopOnSignal(server);
  const std::string token = signIn->singleUser() ? "?token=" + singleUserToken : "";
  out << "velloc serve: listening on " << (tls ? "https://" : "http://") << host << ":" << port
      << "/" << token << " (database " << session::printable(context.database) << ")" << std::endl;
  Metrics metrics([&server] { return server.openConnections(); }, ComponentPool::alive);
  const Services services{pool,    context.database,
                          guard,   *signIn,
                          metrics, Readiness{connection, automation::fromUtf8(options.user)},
                          *log};
  log->event("start", "\"address\":" +
                          nlohmann::json(std::string(tls ? "https://" : "http://") + host + ":" +
                                         std::to_string(port) + "/")
                              .dump() +
                          ",\"database\":" +
                          nlohmann::json(context.database)
                              .dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
  server.run(routes(services));
  log->event("stop", "");
  return 0;
}

}  // namespace tarn::server
