// serve_load_bench: a bounded load run of velloc serve on loopback. Creates a demo database in a
// temporary folder, starts `velloc serve` on a free port, and lets N clients, each on its own
// keep-alive connection, send a fixed number of pick-list requests (POST /api/ref, header item 3
// narrowed to 华: three rows). Prints the requests per second and the latency percentiles, then
// stops the server. With "fresh" after the thread count each request goes on a new connection
// (the client closes it), so every request passes through the listen queue.
//
// With "siege" first, it measures one ordinary client while others try to hold the server: it
// opens IDLE connections that never send a byte and SLOW clients that send a request head one byte
// every 3 s (starting again on a new connection when the server cuts one off), then lets the
// ordinary client send REQUESTS pick-list requests, each on a new connection, and REQUESTS more on
// one keep-alive connection, against 8 server threads. A request gets 10 s; the ordinary client
// stops after 60 s whatever is left. VELLOC measures another build of the program, in either
// run, so that two builds can be measured in turns on the same machine.
//
// Usage: serve_load_bench [CLIENTS [REQUESTS-PER-CLIENT [SERVER-THREADS]]]   (8 500 8)
//        serve_load_bench siege [IDLE [SLOW [REQUESTS [VELLOC]]]]            (200 16 500)
//        serve_load_bench CLIENTS REQUESTS SERVER-THREADS keep|fresh [VELLOC]
#include <arpa/inet.h>
#include <httplib.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Server {
  pid_t pid = -1;
  int port = 0;
  std::string token;  // the single-user token every request carries as a bearer token
};

// Starts velloc serve and reads its port and token from the line it prints once listening.
Server startServer(const std::string& database, const std::string& threads,
                   const std::string& velloc = VELLOC_PATH) {
  int out[2];
  if (pipe(out) != 0) throw std::runtime_error("pipe failed");
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(out[1], STDOUT_FILENO);
    close(out[0]);
    close(out[1]);
    execl(velloc.c_str(), velloc.c_str(), "--db", database.c_str(), "serve", "--port", "0",
          "--threads", threads.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  close(out[1]);
  std::string line;
  char c;
  while (read(out[0], &c, 1) == 1 && c != '\n') line += c;
  const auto at = line.find("127.0.0.1:");
  if (at == std::string::npos) {
    kill(pid, SIGKILL);
    throw std::runtime_error("velloc serve did not start: " + line);
  }
  const auto token = line.find("?token=");
  const auto tokenEnd = line.find(' ', token);
  return Server{pid, std::atoi(line.c_str() + at + 10),
                token == std::string::npos ? "" : line.substr(token + 7, tokenEnd - token - 7)};
}

double percentile(const std::vector<double>& sorted, double p) {
  const auto index = static_cast<std::size_t>(p * static_cast<double>(sorted.size() - 1));
  return sorted[index];
}

int connectTo(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

// Clients that send a request head a byte every 3 s until stopped.
class SlowClients {
 public:
  SlowClients(int port, int count) {
    for (int i = 0; i < count; ++i) threads_.emplace_back([this, port] { run(port); });
  }
  ~SlowClients() {
    {
      const std::lock_guard lock(mutex_);
      stop_ = true;
    }
    wake_.notify_all();
    for (auto& thread : threads_) thread.join();
  }
  int cutOff() const { return cut_; }

 private:
  void run(int port) {
    const std::string head = "POST /api/ref HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) +
                             "\r\nContent-Type: application/json\r\n";
    std::unique_lock lock(mutex_);
    while (!stop_) {
      const int fd = connectTo(port);
      for (std::size_t i = 0; fd >= 0 && !stop_; i = (i + 1) % head.size()) {
        char answer;
        if (send(fd, &head[i], 1, MSG_NOSIGNAL) != 1 || recv(fd, &answer, 1, MSG_DONTWAIT) >= 0) {
          ++cut_;
          break;
        }
        wake_.wait_for(lock, std::chrono::seconds(3), [this] { return stop_; });
      }
      if (fd >= 0) close(fd);
      if (fd < 0) wake_.wait_for(lock, std::chrono::seconds(1), [this] { return stop_; });
    }
  }

  std::mutex mutex_;
  std::condition_variable wake_;
  bool stop_ = false;
  std::atomic<int> cut_{0};
  std::vector<std::thread> threads_;
};

struct Run {
  std::vector<double> latencies;  // ms
  int failed = 0;
};

void print(const char* name, Run run) {
  if (run.latencies.empty()) {
    std::printf("%-24s no requests\n", name);
    return;
  }
  std::sort(run.latencies.begin(), run.latencies.end());
  std::printf("%-24s %zu requests, failed %d; p50 %.2f ms, p90 %.2f ms, p99 %.2f ms, max %.2f ms\n",
              name, run.latencies.size(), run.failed, percentile(run.latencies, 0.50),
              percentile(run.latencies, 0.90), percentile(run.latencies, 0.99),
              run.latencies.back());
}

int siege(int argc, char** argv) {
  const int idle = argc > 1 ? std::atoi(argv[1]) : 200;
  const int slow = argc > 2 ? std::atoi(argv[2]) : 16;
  const int requests = argc > 3 ? std::atoi(argv[3]) : 500;
  const std::string velloc = argc > 4 ? argv[4] : VELLOC_PATH;
  if (idle < 0 || slow < 0 || requests < 1) {
    std::fprintf(stderr, "usage: serve_load_bench siege [IDLE [SLOW [REQUESTS [VELLOC]]]]\n");
    return 2;
  }
  const auto folder =
      std::filesystem::temp_directory_path() / ("velloc-siege-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  const std::string database = (folder / "erp.db").string();
  const std::string demo = velloc + " --db '" + database + "' demo >/dev/null";
  if (std::system(demo.c_str()) != 0) {
    std::fprintf(stderr, "velloc demo failed\n");
    return 1;
  }
  const Server server = startServer(database, "8", velloc);

  std::vector<int> idlers;
  for (int i = 0; i < idle; ++i) idlers.push_back(connectTo(server.port));
  Run fresh;
  Run kept;
  int cutOff = 0;
  {
    const SlowClients slowClients(server.port, slow);
    std::this_thread::sleep_for(std::chrono::seconds(1));

    const std::string body = R"({"field": "cdefine3", "match": "华"})";
    const auto stopAt = Clock::now() + std::chrono::seconds(60);
    const auto measure = [&](httplib::Client& client, Run& run) {
      const auto sent = Clock::now();
      const auto result = client.Post("/api/ref", body, "application/json");
      const std::chrono::duration<double, std::milli> took = Clock::now() - sent;
      if (!result || result->status != 200) ++run.failed;
      run.latencies.push_back(took.count());
    };
    for (int r = 0; r < requests && Clock::now() < stopAt; ++r) {
      httplib::Client client("127.0.0.1", server.port);
      client.set_bearer_token_auth(server.token);
      client.set_read_timeout(10);
      client.set_tcp_nodelay(true);
      measure(client, fresh);
    }
    httplib::Client client("127.0.0.1", server.port);
    client.set_bearer_token_auth(server.token);
    client.set_keep_alive(true);
    client.set_tcp_nodelay(true);
    client.set_read_timeout(10);
    for (int r = 0; r < requests && Clock::now() < stopAt; ++r) measure(client, kept);
    cutOff = slowClients.cutOff();
  }
  for (const int fd : idlers) {
    if (fd >= 0) close(fd);
  }
  kill(server.pid, SIGTERM);
  waitpid(server.pid, nullptr, 0);
  std::filesystem::remove_all(folder);

  std::printf("idle connections %d, slow clients %d (cut off %d times), server threads 8\n", idle,
              slow, cutOff);
  print("a connection each", fresh);
  print("one keep-alive connection", kept);
  return fresh.failed + kept.failed == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::string(argv[1]) == "siege") return siege(argc - 1, argv + 1);
  const int clients = argc > 1 ? std::atoi(argv[1]) : 8;
  const int requests = argc > 2 ? std::atoi(argv[2]) : 500;
  const std::string threads = argc > 3 ? argv[3] : "8";
  const bool fresh = argc > 4 && std::string(argv[4]) == "fresh";
  const std::string velloc = argc > 5 ? argv[5] : VELLOC_PATH;
  if (clients < 1 || requests < 1 || (argc > 4 && !fresh && std::string(argv[4]) != "keep")) {
    std::fprintf(stderr,
                 "usage: serve_load_bench [CLIENTS [REQUESTS [SERVER-THREADS [keep|fresh "
                 "[VELLOC]]]]]\n");
    return 2;
  }
  const auto folder =
      std::filesystem::temp_directory_path() / ("velloc-load-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  const std::string database = (folder / "erp.db").string();
  const std::string demo = velloc + " --db '" + database + "' demo >/dev/null";
  if (std::system(demo.c_str()) != 0) {
    std::fprintf(stderr, "velloc demo failed\n");
    return 1;
  }
  const Server server = startServer(database, threads, velloc);

  const std::string body = R"({"field": "cdefine3", "match": "华"})";
  std::vector<std::vector<double>> latencies(static_cast<std::size_t>(clients));
  std::vector<int> failures(static_cast<std::size_t>(clients), 0);
  const auto start = Clock::now();
  std::vector<std::thread> workers;
  for (int i = 0; i < clients; ++i) {
    workers.emplace_back([&, i] {
      httplib::Client client("127.0.0.1", server.port);
      client.set_bearer_token_auth(server.token);
      client.set_keep_alive(!fresh);
      client.set_tcp_nodelay(true);
      auto& mine = latencies[static_cast<std::size_t>(i)];
      mine.reserve(static_cast<std::size_t>(requests));
      for (int r = 0; r < requests; ++r) {
        const auto sent = Clock::now();
        const auto result = client.Post("/api/ref", body, "application/json");
        const std::chrono::duration<double, std::milli> took = Clock::now() - sent;
        if (!result || result->status != 200) ++failures[static_cast<std::size_t>(i)];
        mine.push_back(took.count());
      }
    });
  }
  for (auto& worker : workers) worker.join();
  const std::chrono::duration<double> elapsed = Clock::now() - start;

  kill(server.pid, SIGTERM);
  waitpid(server.pid, nullptr, 0);
  std::filesystem::remove_all(folder);

  std::vector<double> all;
  for (const auto& mine : latencies) all.insert(all.end(), mine.begin(), mine.end());
  std::sort(all.begin(), all.end());
  int failed = 0;
  for (const int f : failures) failed += f;
  std::printf("clients %d, requests %zu, server threads %s, %s, failed %d\n", clients, all.size(),
              threads.c_str(), fresh ? "a new connection each" : "keep-alive", failed);
  std::printf("%.0f requests/s; latency p50 %.2f ms, p90 %.2f ms, p99 %.2f ms, max %.2f ms\n",
              static_cast<double>(all.size()) / elapsed.count(), percentile(all, 0.50),
              percentile(all, 0.90), percentile(all, 0.99), all.back());
  return failed == 0 ? 0 : 1;
}
