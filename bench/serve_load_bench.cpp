// serve_load_bench: a bounded load run of velloc serve on loopback. Creates a demo database in a
// temporary folder, starts `velloc serve` on a free port, and lets N clients, each on its own
// keep-alive connection, send a fixed number of pick-list requests (POST /api/ref, header item 3
// narrowed to 华: three rows). Prints the requests per second and the latency percentiles, then
// stops the server.
//
// Usage: serve_load_bench [CLIENTS [REQUESTS-PER-CLIENT [SERVER-THREADS]]]   (8 500 8)
#include <httplib.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Server {
  pid_t pid = -1;
  int port = 0;
};

// Starts velloc serve and reads its port from the line it prints once listening.
Server startServer(const std::string& database, const std::string& threads) {
  int out[2];
  if (pipe(out) != 0) throw std::runtime_error("pipe failed");
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(out[1], STDOUT_FILENO);
    close(out[0]);
    close(out[1]);
    execl(VELLOC_PATH, VELLOC_PATH, "--db", database.c_str(), "serve", "--port", "0", "--threads",
          threads.c_str(), static_cast<char*>(nullptr));
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
  return Server{pid, std::atoi(line.c_str() + at + 10)};
}

double percentile(std::vector<double>& sorted, double p) {
  const auto index = static_cast<std::size_t>(p * static_cast<double>(sorted.size() - 1));
  return sorted[index];
}

}  // namespace

int main(int argc, char** argv) {
  const int clients = argc > 1 ? std::atoi(argv[1]) : 8;
  const int requests = argc > 2 ? std::atoi(argv[2]) : 500;
  const std::string threads = argc > 3 ? argv[3] : "8";
  if (clients < 1 || requests < 1) {
    std::fprintf(stderr, "usage: serve_load_bench [CLIENTS [REQUESTS [SERVER-THREADS]]]\n");
    return 2;
  }
  const auto folder =
      std::filesystem::temp_directory_path() / ("velloc-load-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  const std::string database = (folder / "erp.db").string();
  const std::string demo = std::string(VELLOC_PATH) + " --db '" + database + "' demo >/dev/null";
  if (std::system(demo.c_str()) != 0) {
    std::fprintf(stderr, "velloc demo failed\n");
    return 1;
  }
  const Server server = startServer(database, threads);

  const std::string body = R"({"field": "cdefine3", "match": "华"})";
  std::vector<std::vector<double>> latencies(static_cast<std::size_t>(clients));
  std::vector<int> failures(static_cast<std::size_t>(clients), 0);
  const auto start = Clock::now();
  std::vector<std::thread> workers;
  for (int i = 0; i < clients; ++i) {
    workers.emplace_back([&, i] {
      httplib::Client client("127.0.0.1", server.port);
      client.set_keep_alive(true);
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
  std::printf("clients %d, requests %zu, server threads %s, failed %d\n", clients, all.size(),
              threads.c_str(), failed);
  std::printf("%.0f requests/s; latency p50 %.2f ms, p90 %.2f ms, p99 %.2f ms, max %.2f ms\n",
              static_cast<double>(all.size()) / elapsed.count(), percentile(all, 0.50),
              percentile(all, 0.90), percentile(all, 0.99), all.back());
  return failed == 0 ? 0 : 1;
}
