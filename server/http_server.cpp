#include "server/http_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <malloc.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <unordered_map>
#include <variant>

#include "server/tls.h"

namespace tarn::server {
namespace {

using Clock = std::chrono::steady_clock;

// How long a closing connection's late bytes are read and dropped after its last answer.
constexpr std::chrono::seconds kDrainTime{1};

// The listen queue holds connections the kernel has completed and no thread has accepted yet.
// When it is full the kernel drops the client's handshake and the client tries again only after
// its first retransmission timeout, one second, so a short queue turns a burst of connects into
// one-second waits (a queue of 4 at 16 clients: requests of 1.02 s). A thread waiting on the
// connections accepts everything waiting whenever the listener is readable, whatever the threads
// running requests do, so its size does not follow the thread count: it is as long as the kernel
// allows (net.core.somaxconn clamps it), to absorb a burst of up to the server's connection limit
// and beyond, which is then answered, rather than left to time out.
constexpr int kListenBacklog = SOMAXCONN;

std::string lowerCase(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower;
}

std::string_view trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

const char* reasonOf(int status) {
  switch (status) {
    case 200:
      return "OK";
    case 303:
      return "See Other";
    case 400:
      return "Bad Request";
    case 401:
      return "Unauthorized";
    case 403:
      return "Forbidden";
    case 404:
      return "Not Found";
    case 405:
      return "Method Not Allowed";
    case 408:
      return "Request Timeout";
    case 411:
      return "Length Required";
    case 415:
      return "Unsupported Media Type";
    case 421:
      return "Misdirected Request";
    case 429:
      return "Too Many Requests";
    case 431:
      return "Request Header Fields Too Large";
    case 500:
      return "Internal Server Error";
    case 503:
      return "Service Unavailable";
    default:
      return "Unknown";
  }
}

// A request head read whole: what the connection does next.
struct Head {
  HttpRequest request;
  std::size_t bodyLength = 0;
  bool keepAlive = true;
  bool expectsContinue = false;
};

// A status and message for a head the server refuses, which closes the connection.
struct Refused {
  int status;
  std::string message;
};

// Reads the head in `text` (without its blank line). Refuses anything it cannot read exactly:
// a bad request line, a header line without a name, folded lines, a repeated Host or
// Content-Length, a length that is not a number, a chunked body.
std::variant<Head, Refused> readHead(std::string_view text, std::size_t maxBody) {
  const auto malformed = [](const std::string& what) {
    return Refused{400, "malformed request: " + what};
  };
  Head head;
  auto lineEnd = text.find("\r\n");
  const std::string_view line = text.substr(0, lineEnd);
  const auto space1 = line.find(' ');
  const auto space2 = line.rfind(' ');
  if (space1 == std::string_view::npos || space1 == space2 || space1 == 0 || space2 == space1 + 1) {
    return malformed("the request line is not METHOD TARGET HTTP/1.x");
  }
  const std::string_view version = line.substr(space2 + 1);
  if (version != "HTTP/1.1" && version != "HTTP/1.0") {
    return malformed("the request line is not METHOD TARGET HTTP/1.x");
  }
  head.request.method = std::string(line.substr(0, space1));
  const std::string_view target = line.substr(space1 + 1, space2 - space1 - 1);
  const auto question = target.find('?');
  head.request.path = std::string(target.substr(0, question));
  if (question != std::string_view::npos)
    head.request.query = std::string(target.substr(question + 1));
  head.keepAlive = version == "HTTP/1.1";

  bool hasLength = false;
  while (lineEnd != std::string_view::npos) {
    const auto start = lineEnd + 2;
    lineEnd = text.find("\r\n", start);
    const std::string_view field = text.substr(start, lineEnd - start);
    const auto colon = field.find(':');
    if (colon == 0 || colon == std::string_view::npos || field.front() == ' ' ||
        field.front() == '\t' || field.substr(0, colon).find_first_of(" \t") != std::string::npos) {
      return malformed("a header line is not NAME: VALUE");
    }
    std::string name = lowerCase(field.substr(0, colon));
    std::string value(trimmed(field.substr(colon + 1)));
    if ((name == "host" || name == "content-length") && head.request.header(name)) {
      return malformed("more than one " + name + " header");
    }
    if (name == "transfer-encoding") {
      return Refused{411, "a request body must come with Content-Length, not Transfer-Encoding"};
    }
    if (name == "content-length") {
      if (value.empty() || value.size() > 18 ||
          value.find_first_not_of("0123456789") != std::string::npos) {
        return malformed("Content-Length is not a number");
      }
      head.bodyLength = std::stoull(value);
      hasLength = true;
    }
    if (name == "connection") {
      const std::string tokens = lowerCase(value);
      if (tokens.find("close") != std::string::npos) head.keepAlive = false;
    }
    if (name == "expect" && lowerCase(value) == "100-continue") head.expectsContinue = true;
    head.request.headers.emplace_back(std::move(name), std::move(value));
  }
  if (hasLength && head.bodyLength > maxBody) {
    return Refused{400, "the request body is over " + std::to_string(maxBody) + " bytes"};
  }
  return head;
}

std::string seconds(std::chrono::milliseconds duration) {
  const auto count = duration.count();
  return count % 1000 == 0 ? std::to_string(count / 1000) + " s" : std::to_string(count) + " ms";
}

void closeSocket(int fd) {
  if (fd >= 0) ::close(fd);
}

// Every request allocates and frees much the same memory again: a pick-list alone opens three
// SQLite temporary tables, each with an 85 KiB page cache. glibc hands the top of a thread's heap
// back to the kernel as soon as 128 KiB of it lie free, so each request paid for that memory
// twice over, in the madvise that returned it and in the page faults that took it back (a third
// of the server's time on the demo data). A serving process keeps up to kKeptFree of free memory
// per heap instead, and takes blocks below kMappedAlone from its heaps rather than mapping each.
constexpr int kKeptFree = 16 * 1024 * 1024;
constexpr int kMappedAlone = 4 * 1024 * 1024;

void keepFreedMemory() {
  ::mallopt(M_MMAP_THRESHOLD, kMappedAlone);
  ::mallopt(M_TRIM_THRESHOLD, kKeptFree);
}

}  // namespace

const std::string* HttpRequest::header(std::string_view name) const {
  for (const auto& [key, value] : headers) {
    if (key == name) return &value;
  }
  return nullptr;
}

// The server's threads and what they share. Every thread that runs no request waits on every
// connection (epoll, each readiness reported to one thread once) and reads, writes, accepts and
// applies the deadlines under one mutex. A thread that reads a request whole runs it itself and
// writes its answer, so that no request waits for a hand-off between threads, as long as another
// thread is left waiting on the connections; otherwise it queues the request for the next thread
// to finish one. So at most `threads` requests run at once, and the connections are always waited
// on, whatever the requests take.
struct HttpServer::Loop {
  enum class State {
    kReading,   // waiting for a request, or for the rest of one
    kHandling,  // a thread has its request: that thread alone touches the connection
    kWriting,   // sending an answer
    kDraining,  // answered and closing: reading what the client still sends, so that the answer
                // is not lost to a reset
  };
  struct Connection {
    int fd = -1;
    std::string address;
    State state = State::kReading;
    std::string in;           // bytes read and not yet taken as a request
    std::string out;          // the answer being written
    std::size_t written = 0;  // of `out`
    Clock::time_point since;  // idle since, the request's first byte, or the answer's start
    bool requestStarted = false;
    bool closeAfter = false;
    bool continueSent = false;
    bool head = false;                // answering HEAD: no body
    std::unique_ptr<TlsSession> tls;  // under TLS
    // What the TLS session's last read and last write wait for (POLLIN, POLLOUT), 0 for nothing
    // more than the state's own readiness.
    short readWaits = 0;
    short writeWaits = 0;
  };
  // A request read whole. Its connection stays in the map while it is handled, so the pointer
  // holds.
  struct Job {
    std::uint64_t id;
    Connection* connection;
    HttpRequest request;
  };

  // The epoll data of the two descriptors that are no connection; connection ids start at 1.
  static constexpr std::uint64_t kWakeTag = 0;
  static constexpr std::uint64_t kListenerTag = ~std::uint64_t{0};
  static constexpr int kEventsAtOnce = 64;
  // The longest a thread waits on the connections before it applies the deadlines again.
  static constexpr std::chrono::seconds kLongestWait{1};

  HttpServer& server;
  int poller = -1;

  // Guards everything below, and every connection but those whose request is being handled.
  std::mutex mutex;
  std::map<std::uint64_t, Connection> connections;
  std::unordered_map<std::string, std::size_t> perAddress;
  std::uint64_t nextId = 1;
  std::deque<Job> work;
  std::size_t watching = 0;  // threads waiting on the connections
  bool accepting = true;
  bool finished = false;

  explicit Loop(HttpServer& owner) : server(owner) {}

  void wake() const {
    const char byte = 1;
    [[maybe_unused]] const auto ignored = ::write(server.wake_[1], &byte, 1);
  }

  void serveThread() {
    std::unique_lock lock(mutex);
    epoll_event events[kEventsAtOnce];
    while (!finished) {
      if (!work.empty() && watching > 0) {
        Job job = std::move(work.front());
        work.pop_front();
        if (!work.empty()) wake();  // another thread waiting on the connections takes the next
        handle(lock, job);
      } else {
        watch(lock, events);
      }
    }
  }

  // Runs `job`'s request and writes its answer as far as the socket takes it, with the mutex
  // released; then, holding it again, gives the connection back to the waiting threads.
  void handle(std::unique_lock<std::mutex>& lock, Job& job) {
    Connection& c = *job.connection;
    lock.unlock();
    HttpResponse response;
    try {
      response = server.handler_(job.request);
    } catch (...) {
      response = server.refusal_(500, "internal failure");
    }
    c.out.erase(0, c.written);
    c.out += serialise(response, c.closeAfter, c.head);
    c.written = 0;
    const bool sent = send(c);
    lock.lock();
    c.state = State::kWriting;
    c.since = Clock::now();
    const auto it = connections.find(job.id);
    if (!sent || !writeSome(job.id, c)) {
      close(it);
    } else {
      arm(job.id, c);
      // A thread waiting now wakes within kLongestWait; a thread that waits later looks anew.
      const auto due = dueAt(c);
      if (due && watching > 0 && *due < Clock::now() + kLongestWait) wake();
    }
    if (server.stopping_) wake();  // what is left may be closed once this is answered
  }

  // Waits on the connections once, and serves what came: reads, writes, accepts, and requests read
  // whole, the first of which this thread runs while another thread is waiting.
  void watch(std::unique_lock<std::mutex>& lock, epoll_event* events) {
    if (server.stopping_ && accepting) {
      accepting = false;
      ::epoll_ctl(poller, EPOLL_CTL_DEL, server.listener_, nullptr);
      closeSocket(server.listener_);
      server.listener_ = -1;
    }
    if (!accepting) {
      // Stopping: only the requests being handled, and their answers, are waited for.
      for (auto it = connections.begin(); it != connections.end();) {
        const auto state = it->second.state;
        const auto gone = it++;
        if (state == State::kReading || state == State::kDraining) close(gone);
      }
      if (connections.empty()) {
        finished = true;
        wake();  // left unread: every thread waiting wakes to it in turn, and returns
        return;
      }
    }
    const auto timeout = expire();
    ++watching;
    lock.unlock();
    const int ready =
        ::epoll_wait(poller, events, kEventsAtOnce, static_cast<int>(timeout.count()) + 1);
    lock.lock();
    --watching;
    if (ready < 0 && errno != EINTR) {
      finished = true;
      wake();
      return;
    }
    for (int i = 0; i < ready; ++i) {
      const std::uint64_t id = events[i].data.u64;
      if (id == kWakeTag) {
        if (!finished) {
          char drained[256];
          while (::read(server.wake_[0], drained, sizeof drained) > 0) {
          }
        }
        armShared(server.wake_[0], kWakeTag);
        continue;
      }
      if (id == kListenerTag) {
        if (!accepting) continue;
        accept();
        armShared(server.listener_, kListenerTag);
        continue;
      }
      const auto it = connections.find(id);
      if (it == connections.end()) continue;  // closed to make room for a new one
      Connection& c = it->second;
      // Reported before another thread's deadline or answer moved it on, and taken since.
      if (c.state == State::kHandling) continue;
      const bool keep =
          c.state == State::kWriting
              ? writeSome(id, c)
              : readSome(id, c) && (c.state == State::kWriting ? writeSome(id, c) : send(c));
      if (keep) {
        arm(id, c);
      } else {
        close(it);
      }
    }
  }

  // Waits once more for the wake pipe or the listener to be readable.
  void armShared(int fd, std::uint64_t tag) const {
    epoll_event event{};
    event.events = EPOLLIN | EPOLLONESHOT;
    event.data.u64 = tag;
    ::epoll_ctl(poller, EPOLL_CTL_MOD, fd, &event);
  }

  // What `c` is waited for in its state; nothing while a thread handles its request.
  static std::uint32_t wanted(const Connection& c) {
    const auto epollOf = [](short waits, short otherwise) {
      const short events = waits != 0 ? waits : otherwise;
      return ((events & POLLIN) != 0 ? std::uint32_t{EPOLLIN} : 0U) |
             ((events & POLLOUT) != 0 ? std::uint32_t{EPOLLOUT} : 0U);
    };
    switch (c.state) {
      case State::kHandling:
        return 0;
      case State::kWriting:
        return epollOf(c.writeWaits, POLLOUT);
      case State::kReading:
      case State::kDraining:
        break;
    }
    return epollOf(c.readWaits, POLLIN) |
           (c.written < c.out.size() ? epollOf(c.writeWaits, POLLOUT) : 0U);
  }

  // Waits for `c` once, for what its state wants: each readiness is reported to one thread once.
  // A connection being handled was reported last for the request it has, and is left so: the
  // thread that handles it waits for it again once it is answered.
  void arm(std::uint64_t id, const Connection& c) const {
    if (c.state == State::kHandling) return;
    epoll_event event{};
    event.events = wanted(c) | EPOLLONESHOT;
    event.data.u64 = id;
    ::epoll_ctl(poller, EPOLL_CTL_MOD, c.fd, &event);
  }

  void close(std::map<std::uint64_t, Connection>::iterator it) {
    if (it->second.tls) it->second.tls->close();
    closeSocket(it->second.fd);  // which takes it out of the epoll set
    if (--perAddress[it->second.address] == 0) perAddress.erase(it->second.address);
    connections.erase(it);
    server.open_ = connections.size();
  }

  static bool idle(const Connection& c) { return c.state == State::kReading && !c.requestStarted; }

  // Closes the connection idle the longest (of `address`, when given). False when none is idle.
  bool closeLongestIdle(const std::string* address) {
    auto oldest = connections.end();
    for (auto it = connections.begin(); it != connections.end(); ++it) {
      if (!idle(it->second) || (address && it->second.address != *address)) continue;
      if (oldest == connections.end() || it->second.since < oldest->second.since) oldest = it;
    }
    if (oldest == connections.end()) return false;
    close(oldest);
    return true;
  }

  std::string serialise(const HttpResponse& response, bool closeAfter, bool head) const {
    std::string out =
        "HTTP/1.1 " + std::to_string(response.status) + " " + reasonOf(response.status) + "\r\n";
    if (!response.contentType.empty()) out += "Content-Type: " + response.contentType + "\r\n";
    out += "Content-Length: " + std::to_string(response.body.size()) + "\r\n";
    for (const HttpHeaders* headers : {&std::as_const(server.common_), &response.headers}) {
      for (const auto& [name, value] : *headers) out += name + ": " + value + "\r\n";
    }
    if (closeAfter) out += "Connection: close\r\n";
    out += "\r\n";
    if (!head) out += response.body;
    return out;
  }

  // The answer goes after whatever of `out` is still unsent (an interim 100 Continue).
  void answer(Connection& c, const HttpResponse& response) {
    c.out.erase(0, c.written);
    c.out += serialise(response, c.closeAfter, c.head);
    c.written = 0;
    c.state = State::kWriting;
    c.since = Clock::now();
  }

  void refuse(Connection& c, int status, const std::string& message) {
    c.closeAfter = true;
    c.head = false;
    c.in.clear();
    answer(c, server.refusal_(status, message));
  }

  // Takes the next request from what the connection has read, once it is whole.
  void takeRequest(std::uint64_t id, Connection& c) {
    const auto headEnd = c.in.find("\r\n\r\n");
    if (headEnd == std::string::npos) {
      if (c.in.size() > server.limits_.maxHead) {
        refuse(c, 431,
               "the request head is over " + std::to_string(server.limits_.maxHead) + " bytes");
      }
      return;
    }
    if (headEnd > server.limits_.maxHead) {
      refuse(c, 431,
             "the request head is over " + std::to_string(server.limits_.maxHead) + " bytes");
      return;
    }
    auto read = readHead(std::string_view(c.in).substr(0, headEnd), server.limits_.maxBody);
    if (auto* refused = std::get_if<Refused>(&read)) {
      refuse(c, refused->status, refused->message);
      return;
    }
    Head& head = std::get<Head>(read);
    const std::size_t whole = headEnd + 4 + head.bodyLength;
    if (c.in.size() < whole) {
      if (head.expectsContinue && !c.continueSent) {
        c.continueSent = true;
        c.out += "HTTP/1.1 100 Continue\r\n\r\n";  // sent while the body is read
      }
      return;
    }
    head.request.body = c.in.substr(headEnd + 4, head.bodyLength);
    head.request.peer = c.address;
    c.in.erase(0, whole);
    c.closeAfter = !head.keepAlive;
    c.head = head.request.method == "HEAD";
    if (c.head) head.request.method = "GET";
    c.continueSent = false;
    c.state = State::kHandling;
    work.push_back(Job{id, &c, std::move(head.request)});
  }

  void startReading(std::uint64_t id, Connection& c) {
    c.state = State::kReading;
    c.requestStarted = !c.in.empty();
    c.since = Clock::now();
    takeRequest(id, c);
  }

  // The bytes a TLS operation moved; -1 when it waits for the socket (noted in `waits`), 0 when
  // the session is over.
  static long fromTls(TlsResult result, short& waits) {
    waits = result.status == TlsStatus::kWantRead    ? POLLIN
            : result.status == TlsStatus::kWantWrite ? POLLOUT
                                                     : 0;
    if (result.status == TlsStatus::kDone) return static_cast<long>(result.bytes);
    return result.status == TlsStatus::kClosed ? 0 : -1;
  }

  // Reads into `buffer`: the bytes read; -1 when none can be read now; 0 when the peer closed or
  // the connection failed.
  static long receive(Connection& c, char* buffer, std::size_t size) {
    if (c.tls) return fromTls(c.tls->read(buffer, size), c.readWaits);
    const auto got = ::recv(c.fd, buffer, size, 0);
    if (got >= 0) return got;
    return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR ? -1 : 0;
  }

  // Sends the unsent part of `out` as far as the socket takes it. Returns false when the
  // connection is to be closed.
  static bool send(Connection& c) {
    while (c.written < c.out.size()) {
      const std::string_view data = std::string_view(c.out).substr(c.written);
      long sent = 0;
      if (c.tls) {
        sent = fromTls(c.tls->write(data), c.writeWaits);
      } else {
        sent = ::send(c.fd, data.data(), data.size(), MSG_NOSIGNAL);
        if (sent < 0) sent = errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR ? -1 : 0;
      }
      if (sent <= 0) return sent < 0;
      c.written += static_cast<std::size_t>(sent);
    }
    return true;
  }

  // Returns false when the connection is to be closed.
  bool readSome(std::uint64_t id, Connection& c) {
    char buffer[16 * 1024];
    for (;;) {
      const auto got = receive(c, buffer, sizeof buffer);
      if (got == 0) return false;
      if (got < 0) return true;
      if (c.state == State::kDraining) continue;
      if (!c.requestStarted) {
        c.requestStarted = true;
        c.since = Clock::now();
      }
      c.in.append(buffer, static_cast<std::size_t>(got));
      takeRequest(id, c);
      if (c.state != State::kReading) return true;  // the rest waits for this answer
    }
  }

  // Returns false when the connection is to be closed.
  bool writeSome(std::uint64_t id, Connection& c) {
    if (!send(c)) return false;
    if (c.written < c.out.size()) return true;
    c.out.clear();
    c.written = 0;
    if (c.closeAfter || server.stopping_) {
      if (c.tls) c.tls->close();
      ::shutdown(c.fd, SHUT_WR);
      c.state = State::kDraining;
      c.since = Clock::now();
      return true;
    }
    startReading(id, c);
    // A pipelined request the TLS session has taken from the socket already is not reported by
    // poll: it is read now.
    if (c.state == State::kReading && c.tls && c.tls->pending() && !readSome(id, c)) return false;
    if (c.state == State::kWriting) return writeSome(id, c);
    return true;
  }

  void accept() {
    for (;;) {
      sockaddr_storage peer{};
      socklen_t length = sizeof peer;
      const int fd = ::accept4(server.listener_, reinterpret_cast<sockaddr*>(&peer), &length,
                               SOCK_NONBLOCK | SOCK_CLOEXEC);
      if (fd < 0) return;  // none waiting, or out of descriptors: the next poll tries again
      char host[NI_MAXHOST] = "";
      ::getnameinfo(reinterpret_cast<sockaddr*>(&peer), length, host, sizeof host, nullptr, 0,
                    NI_NUMERICHOST);
      const std::string address = host;
      const int on = 1;
      ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
      const auto& limits = server.limits_;
      bool room = true;
      if (perAddress[address] >= limits.maxPerAddress) room = closeLongestIdle(&address);
      if (room && connections.size() >= limits.maxConnections) room = closeLongestIdle(nullptr);
      if (!room) {
        if (perAddress[address] == 0) perAddress.erase(address);
        if (server.tls_) {  // no answer can go before a handshake, which would block here
          closeSocket(fd);
          continue;
        }
        // Best effort: a client that sent its request already may see a reset instead.
        const std::string out =
            serialise(server.refusal_(503, "too many connections: the server holds " +
                                               std::to_string(connections.size()) +
                                               " and none of them is idle"),
                      true, false);
        [[maybe_unused]] const auto sent = ::send(fd, out.data(), out.size(), MSG_NOSIGNAL);
        closeSocket(fd);
        continue;
      }
      ++perAddress[address];
      const std::uint64_t id = nextId++;
      Connection& c = connections[id];
      server.open_ = connections.size();
      c.fd = fd;
      c.address = address;
      c.since = Clock::now();
      if (server.tls_) {
        c.tls = std::make_unique<TlsSession>(*server.tls_, fd);
        c.requestStarted = true;  // the handshake is part of the first request, and its deadline
      }
      epoll_event event{};
      event.events = wanted(c) | EPOLLONESHOT;
      event.data.u64 = id;
      if (::epoll_ctl(poller, EPOLL_CTL_ADD, fd, &event) != 0) close(connections.find(id));
    }
  }

  // When `c` is due to be refused or closed; never while its request is handled.
  std::optional<Clock::time_point> dueAt(const Connection& c) const {
    const auto& limits = server.limits_;
    switch (c.state) {
      case State::kHandling:
        break;
      case State::kReading:
        return c.since +
               (c.requestStarted ? Clock::duration(limits.deadline) : Clock::duration(limits.idle));
      case State::kWriting:
        return c.since + Clock::duration(limits.deadline);
      case State::kDraining:
        return c.since + std::min<Clock::duration>(limits.deadline, kDrainTime);
    }
    return std::nullopt;
  }

  // Applies the deadlines; returns how long until the next one is due.
  std::chrono::milliseconds expire() {
    const auto now = Clock::now();
    const auto& limits = server.limits_;
    Clock::duration next = kLongestWait;
    for (auto it = connections.begin(); it != connections.end();) {
      Connection& c = it->second;
      const auto due = dueAt(c);
      if (!due || *due > now) {
        if (due) next = std::min(next, *due - now);
        ++it;
        continue;
      }
      // A client that has not completed its handshake cannot read an answer: it is only closed.
      if (c.state == State::kReading && c.requestStarted && (!c.tls || c.tls->established())) {
        refuse(c, 408, "the request did not arrive whole within " + seconds(limits.deadline));
        if (writeSome(it->first, c)) {
          arm(it->first, c);
          ++it;
          continue;
        }
      }
      const auto gone = it++;
      close(gone);
    }
    return std::chrono::ceil<std::chrono::milliseconds>(next);
  }

  void run() {
    poller = ::epoll_create1(EPOLL_CLOEXEC);
    if (poller < 0) return;
    epoll_event event{};
    event.events = EPOLLIN | EPOLLONESHOT;
    event.data.u64 = kWakeTag;
    ::epoll_ctl(poller, EPOLL_CTL_ADD, server.wake_[0], &event);
    event.data.u64 = kListenerTag;
    ::epoll_ctl(poller, EPOLL_CTL_ADD, server.listener_, &event);

    // The calling thread serves too: one more thread than may run requests at once.
    const std::size_t threads = std::max<std::size_t>(1, server.limits_.threads);
    std::vector<std::thread> others;
    for (std::size_t i = 0; i < threads; ++i) others.emplace_back([this] { serveThread(); });
    serveThread();
    for (auto& thread : others) thread.join();
    for (auto it = connections.begin(); it != connections.end();) close(it++);
    closeSocket(poller);
  }
};

HttpServer::HttpServer(HttpLimits limits, HttpHeaders common, HttpRefusal refusal,
                       std::shared_ptr<const TlsContext> tls)
    : limits_(limits),
      common_(std::move(common)),
      refusal_(std::move(refusal)),
      tls_(std::move(tls)) {
  if (::pipe2(wake_, O_NONBLOCK | O_CLOEXEC) != 0) wake_[0] = wake_[1] = -1;
}

HttpServer::~HttpServer() {
  closeSocket(listener_);
  closeSocket(wake_[0]);
  closeSocket(wake_[1]);
}

int HttpServer::bind(const std::string& address, int port) {
  if (wake_[0] < 0) return -1;
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
  addrinfo* found = nullptr;
  const std::string service = std::to_string(port);
  if (::getaddrinfo(address.c_str(), service.c_str(), &hints, &found) != 0) return -1;
  int bound = -1;
  for (const addrinfo* a = found; a && listener_ < 0; a = a->ai_next) {
    const int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) continue;
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_storage local{};
    socklen_t length = sizeof local;
    if (::bind(fd, a->ai_addr, a->ai_addrlen) != 0 || ::listen(fd, kListenBacklog) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length) != 0) {
      closeSocket(fd);
      continue;
    }
    listener_ = fd;
    bound = ntohs(local.ss_family == AF_INET6 ? reinterpret_cast<sockaddr_in6*>(&local)->sin6_port
                                              : reinterpret_cast<sockaddr_in*>(&local)->sin_port);
  }
  ::freeaddrinfo(found);
  return bound;
}

void HttpServer::run(HttpHandler handler) {
  if (listener_ < 0 || stopping_) return;
  handler_ = std::move(handler);
  keepFreedMemory();
  Loop loop(*this);
  loop.run();
}

void HttpServer::stop() {
  stopping_ = true;
  const char byte = 1;
  [[maybe_unused]] const auto ignored = ::write(wake_[1], &byte, 1);
}

}  // namespace tarn::server
