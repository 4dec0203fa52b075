// The floor under one served request: a request of 200 bytes and an answer of 1,000 (about the
// size of a small pick-list's request and answer over HTTP) on one keep-alive loopback TCP
// connection, answered by a thread that does nothing else. No server answers a client on this
// machine faster than this exchange, whatever it does in between; serve_load_bench's latency at
// one client is read against it.
//
// /0: the two threads where the scheduler puts them (on two cores each wake-up crosses to the
// other core); /1: both held on the first core.
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <pthread.h>
#include <sched.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <stdexcept>
#include <string>
#include <thread>

namespace tarn::bench {
namespace {

constexpr std::size_t kRequestBytes = 200;
constexpr std::size_t kAnswerBytes = 1000;

class Socket {
 public:
  explicit Socket(int fd) : fd_(fd) {
    if (fd_ < 0) throw std::runtime_error("no socket");
  }
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;
  ~Socket() { ::close(fd_); }
  int fd() const { return fd_; }

  void noDelay() const {
    const int one = 1;
    setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  }
  // Reads exactly `bytes`; false when the peer closed first.
  bool readExactly(std::size_t bytes) const {
    std::array<char, 4096> buffer{};
    while (bytes > 0) {
      const ssize_t got = ::read(fd_, buffer.data(), std::min(bytes, buffer.size()));
      if (got <= 0) return false;
      bytes -= static_cast<std::size_t>(got);
    }
    return true;
  }
  void writeAll(const std::string& bytes) const {
    if (::write(fd_, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
      throw std::runtime_error("short write");
    }
  }

 private:
  int fd_;
};

// Holds the calling thread on the first core while it lives, then lets it go where it was.
class OnFirstCore {
 public:
  explicit OnFirstCore(bool hold) : hold_(hold) {
    if (!hold_) return;
    pthread_getaffinity_np(pthread_self(), sizeof before_, &before_);
    cpu_set_t first;
    CPU_ZERO(&first);
    CPU_SET(0, &first);
    pthread_setaffinity_np(pthread_self(), sizeof first, &first);
  }
  OnFirstCore(const OnFirstCore&) = delete;
  OnFirstCore& operator=(const OnFirstCore&) = delete;
  ~OnFirstCore() {
    if (hold_) pthread_setaffinity_np(pthread_self(), sizeof before_, &before_);
  }

 private:
  bool hold_;
  cpu_set_t before_{};
};

void BM_LoopbackRoundTrip(benchmark::State& state) {
  const bool oneCore = state.range(0) == 1;
  Socket listener(socket(AF_INET, SOCK_STREAM, 0));
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (bind(listener.fd(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(listener.fd(), 1) != 0 ||
      getsockname(listener.fd(), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    state.SkipWithError("no loopback listener");
    return;
  }
  std::thread answerer([&] {
    const OnFirstCore held(oneCore);
    Socket peer(accept(listener.fd(), nullptr, nullptr));
    peer.noDelay();
    const std::string answer(kAnswerBytes, 'a');
    while (peer.readExactly(kRequestBytes)) peer.writeAll(answer);
  });
  {
    const OnFirstCore held(oneCore);
    Socket client(socket(AF_INET, SOCK_STREAM, 0));
    if (connect(client.fd(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
      throw std::runtime_error("no loopback connection");
    }
    client.noDelay();
    const std::string request(kRequestBytes, 'r');
    for (auto _ : state) {
      client.writeAll(request);
      if (!client.readExactly(kAnswerBytes)) throw std::runtime_error("the answerer closed");
    }
  }
  answerer.join();
}

BENCHMARK(BM_LoopbackRoundTrip)->Arg(0)->Arg(1)->UseRealTime()->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace tarn::bench
