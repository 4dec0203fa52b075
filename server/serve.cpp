#include "server/serve.h"

#include <httplib.h>
#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <chrono>
#include <ostream>
#include <thread>

#include "server/component_pool.h"
#include "server/routes.h"
#include "session/report.h"
#include "session/text_table.h"
#include "tarnvelloc/automation/text.h"
#include "tarnvelloc/erp/statement.h"

namespace tarn::server {
namespace {

// Stops `server` when the process is asked to stop (SIGINT, SIGTERM), so that the worker threads
// finish their requests and release their component objects. Made before any worker thread
// exists, so only its own thread receives the blocked signals; it must end before `server` does:
// its destructor wakes that thread, joins it and restores the signal mask.
class StopOnSignal {
 public:
  explicit StopOnSignal(httplib::Server& server) {
    sigemptyset(&signals_);
    sigaddset(&signals_, SIGINT);
    sigaddset(&signals_, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals_, &previous_);
    waiter_ = std::thread([this, &server] {
      int signal = 0;
      sigwait(&signals_, &signal);
      // A signal that came before the server started listening stops it once it does.
      while (!done_ && !server.is_running()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      }
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
  httplib::Server server;
  const std::size_t threads = serve.threads;
  server.new_task_queue = [threads] { return new httplib::ThreadPool(threads); };
  server.set_tcp_nodelay(true);
  server.set_payload_max_length(serve.maxBody);
  server.set_read_timeout(serve.timeout);
  server.set_write_timeout(serve.timeout);
  server.set_keep_alive_timeout(serve.timeout.count());
  addRoutes(server, pool, context.database, serve.maxBody);

  const int port = serve.port == 0
                       ? server.bind_to_any_port(serve.bind)
                       : (server.bind_to_port(serve.bind, serve.port) ? serve.port : -1);
  if (port < 0) {
    return report(Failure{Failure::Kind::kOther,
                          "cannot listen on " + serve.bind + ":" + std::to_string(serve.port),
                          {}});
  }
  const std::string host =
      serve.bind.find(':') == std::string::npos ? serve.bind : "[" + serve.bind + "]";
  const StopOnSignal stopOnSignal(server);
  out << "velloc serve: listening on http://" << host << ":" << port << "/ (database "
      << session::printable(context.database) << ")" << std::endl;
  return server.listen_after_bind() ? 0 : 1;
}

}  // namespace tarn::server
