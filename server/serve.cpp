#include "server/serve.h"

#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <chrono>
#include <ostream>
#include <thread>

#include "server/component_pool.h"
#include "server/http_server.h"
#include "server/request_guard.h"
#include "server/routes.h"
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

}  // namespace

int runServe(const session::SessionOptions& options, const ServeOptions& serve, std::ostream& out,
             std::ostream& err) {
  using session::Failure;
  session::Context context{"serve", {}};
  const auto report = [&](const Failure& failure) {
    return session::reportFailure(options.json, context, failure, out, err);
  };
  std::u16string connection;
  try {
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

  ComponentPool pool(connection, automation::fromUtf8(options.user));
  const HttpLimits limits{serve.timeout, serve.timeout, serve.maxConnections, serve.maxPerAddress,
                          16 * 1024,     serve.maxBody, serve.threads};
  HttpServer server(limits, securityHeaders(), refusal);
  const int port = server.bind(serve.bind, serve.port);
  if (port < 0) {
    return report(Failure{Failure::Kind::kOther,
                          "cannot listen on " + serve.bind + ":" + std::to_string(serve.port),
                          {}});
  }
  const RequestGuard guard(serve.bind, port, serve.allowedHosts);
  const std::string host =
      serve.bind.find(':') == std::string::npos ? serve.bind : "[" + serve.bind + "]";
  const StopOnSignal stopOnSignal(server);
  out << "velloc serve: listening on http://" << host << ":" << port << "/ (database "
      << session::printable(context.database) << ")" << std::endl;
  server.run(routes(pool, context.database, guard));
  return 0;
}

}  // namespace tarn::server
