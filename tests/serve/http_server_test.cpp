// The HTTP server on its own, over loopback, with handlers that say what they were given: the
// exact bytes of answers on a kept connection and in a pipeline, refusals, answers larger than
// the socket takes at once, the bound on requests run at once, slow clients, deadlines and a stop
// while a request is being handled.
#include "server/http_server.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tarn::server {
namespace {

using namespace std::chrono_literals;

HttpResponse refusalOf(int status, const std::string& message) {
  return HttpResponse{status, "text/plain", message, {}};
}

// "METHOD PATH QUERY BODY", the request as the handler saw it.
HttpResponse echo(const HttpRequest& request) {
  return HttpResponse{
      200,
      "text/plain",
      request.method + " " + request.path + " " + request.query + " " + request.body,
      {}};
}

// The exact bytes of an answer with the test's common header.
std::string answerText(int status, const char* reason, const std::string& body, bool close = false,
                       bool head = false) {
  return "HTTP/1.1 " + std::to_string(status) + " " + reason +
         "\r\nContent-Type: text/plain\r\nContent-Length: " + std::to_string(body.size()) +
         "\r\nX-Test: 1\r\n" + (close ? "Connection: close\r\n" : "") + "\r\n" + (head ? "" : body);
}

// A server on a free loopback port, serving on a thread of its own until the test ends.
class Served {
 public:
  explicit Served(HttpHandler handler, HttpLimits limits = {})
      : server_(limits, {{"X-Test", "1"}}, refusalOf) {
    port_ = server_.bind("127.0.0.1", 0);
    thread_ = std::thread([this, handler = std::move(handler)] { server_.run(handler); });
  }
  ~Served() {
    server_.stop();
    thread_.join();
  }
  int port() const { return port_; }
  HttpServer& server() { return server_; }

 private:
  HttpServer server_;
  int port_ = -1;
  std::thread thread_;
};

class Client {
 public:
  explicit Client(int port) : fd_(::socket(AF_INET, SOCK_STREAM, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  }
  ~Client() { ::close(fd_); }
  bool connected() const { return connected_; }

  void send(const std::string& bytes) const {
    ASSERT_EQ(::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL),
              static_cast<ssize_t>(bytes.size()));
  }
  // Reads until `size` bytes have come, the server closes, or nothing comes for 10 s.
  std::string read(std::size_t size = SIZE_MAX) {
    std::string got;
    char buffer[64 * 1024];
    while (got.size() < size) {
      pollfd polled{fd_, POLLIN, 0};
      if (::poll(&polled, 1, 10000) != 1) break;
      const auto n = ::recv(fd_, buffer, std::min(sizeof buffer, size - got.size()), 0);
      if (n <= 0) {
        closedByServer_ = n == 0;
        break;
      }
      got.append(buffer, static_cast<std::size_t>(n));
    }
    return got;
  }
  bool closedByServer() const { return closedByServer_; }

 private:
  int fd_;
  bool connected_ = false;
  bool closedByServer_ = false;
};

const std::string kGet = "GET /a HTTP/1.1\r\nHost: x\r\n\r\n";
const std::string kPost = "POST /b HTTP/1.1\r\nHost: x\r\nContent-Length: 3\r\n\r\nxyz";
const std::string kHead = "HEAD /c?q=1 HTTP/1.1\r\nHost: x\r\n\r\n";
const std::string kClose = "GET /d HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n";
const std::string kAnswers =
    answerText(200, "OK", "GET /a  ") + answerText(200, "OK", "POST /b  xyz") +
    answerText(200, "OK", "GET /c q=1 ", false, true) + answerText(200, "OK", "GET /d  ", true);

TEST(HttpServer, AnswersAKeptConnectionInOrderWhetherSentInTurnOrPipelined) {
  for (const std::size_t threads : {1, 4}) {
    HttpLimits limits;
    limits.threads = threads;
    Served served(echo, limits);
    {
      Client inTurn(served.port());
      std::string got;
      std::size_t expected = 0;
      for (const std::string* request : {&kGet, &kPost, &kHead, &kClose}) {
        inTurn.send(*request);
        got += inTurn.read(kAnswers.find("HTTP/1.1", expected + 1) - expected);
        expected = got.size();
      }
      got += inTurn.read();
      EXPECT_EQ(got, kAnswers) << threads << " threads";
      EXPECT_TRUE(inTurn.closedByServer());
    }
    Client pipelined(served.port());
    pipelined.send(kGet + kPost + kHead + kClose);
    EXPECT_EQ(pipelined.read(), kAnswers) << threads << " threads";
    EXPECT_TRUE(pipelined.closedByServer());
  }
}

TEST(HttpServer, RefusesWhatItCannotReadAndCloses) {
  struct Case {
    std::string request;
    std::string answer;
  };
  const std::vector<Case> cases = {
      {"GET /a\r\nHost: x\r\n\r\n",
       answerText(400, "Bad Request",
                  "malformed request: the request line is not METHOD TARGET HTTP/1.x", true)},
      {"POST /a HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked\r\n\r\n",
       answerText(411, "Length Required",
                  "a request body must come with Content-Length, not Transfer-Encoding", true)},
      {"POST /a HTTP/1.1\r\nHost: x\r\nContent-Length: 65\r\n\r\n",
       answerText(400, "Bad Request", "the request body is over 64 bytes", true)},
      {"GET /" + std::string(200, 'a') + " HTTP/1.1\r\n\r\n",
       answerText(431, "Request Header Fields Too Large", "the request head is over 128 bytes",
                  true)},
  };
  HttpLimits limits;
  limits.maxBody = 64;
  limits.maxHead = 128;
  Served served(echo, limits);
  for (const Case& c : cases) {
    Client client(served.port());
    client.send(c.request + kGet);  // nothing after a refusal is answered
    EXPECT_EQ(client.read(), c.answer) << c.request;
    EXPECT_TRUE(client.closedByServer()) << c.request;
  }
}

TEST(HttpServer, WritesAnAnswerLargerThanTheSocketTakesAndKeepsTheConnection) {
  const std::string large(8 << 20, 'L');
  Served served([&](const HttpRequest& request) {
    return request.path == "/large" ? HttpResponse{200, "text/plain", large, {}} : echo(request);
  });
  Client client(served.port());
  client.send("GET /large HTTP/1.1\r\nHost: x\r\n\r\n");
  std::this_thread::sleep_for(100ms);  // the socket fills, and the rest waits for the client
  const std::string expected = answerText(200, "OK", large);
  EXPECT_TRUE(client.read(expected.size()) == expected);  // not printed: 8 MiB
  client.send(kClose);
  EXPECT_EQ(client.read(), answerText(200, "OK", "GET /d  ", true));
}

// Handlers that hold until released, counting how many are held at once.
class Gate {
 public:
  HttpResponse pass(const HttpRequest& request) {
    std::unique_lock lock(mutex_);
    most_ = std::max(most_, ++inside_);
    changed_.notify_all();
    changed_.wait(lock, [this] { return open_; });
    --inside_;
    return echo(request);
  }
  // Waits until `count` handlers are held, or 2 s.
  bool held(std::size_t count) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, 2s, [&] { return inside_ >= count; });
  }
  void open() {
    const std::lock_guard lock(mutex_);
    open_ = true;
    changed_.notify_all();
  }
  std::size_t most() {
    const std::lock_guard lock(mutex_);
    return most_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::size_t inside_ = 0;
  std::size_t most_ = 0;
  bool open_ = false;
};

TEST(HttpServer, RunsAtMostItsThreadsRequestsAtOnceAndAnswersTheRest) {
  Gate gate;
  HttpLimits limits;
  limits.threads = 2;
  Served served([&](const HttpRequest& request) { return gate.pass(request); }, limits);
  std::vector<std::unique_ptr<Client>> clients;
  for (int i = 0; i < 5; ++i) {
    clients.push_back(std::make_unique<Client>(served.port()));
    clients.back()->send(kClose);
  }
  EXPECT_TRUE(gate.held(2));
  EXPECT_FALSE(gate.held(3));  // a third would be over the bound
  // Still waited on: a request that is refused needs no thread.
  Client refused(served.port());
  refused.send("GET /a\r\n\r\n");
  EXPECT_EQ(refused.read().substr(0, 24), "HTTP/1.1 400 Bad Request");
  gate.open();
  for (const auto& client : clients) {
    EXPECT_EQ(client->read(), answerText(200, "OK", "GET /d  ", true));
  }
  EXPECT_EQ(gate.most(), 2U);
}

TEST(HttpServer, ASlowClientHoldsNoThreadAndIsCutOffAtTheDeadline) {
  HttpLimits limits;
  limits.threads = 1;
  limits.deadline = 300ms;
  limits.idle = 300ms;
  Served served(echo, limits);
  Client slow(served.port());
  slow.send("GET /a HTTP/1.1\r\nHo");
  Client quick(served.port());
  quick.send(kGet);
  EXPECT_EQ(quick.read(answerText(200, "OK", "GET /a  ").size()),
            answerText(200, "OK", "GET /a  "));
  EXPECT_EQ(slow.read(), answerText(408, "Request Timeout",
                                    "the request did not arrive whole within 300 ms", true));
  EXPECT_TRUE(slow.closedByServer());
  EXPECT_EQ(quick.read(), "");  // answered, then idle past its time
  EXPECT_TRUE(quick.closedByServer());
}

TEST(HttpServer, StoppingLetsTheRequestBeingHandledBeAnsweredAndClosesTheRest) {
  Gate gate;
  auto served = std::make_unique<Served>([&](const HttpRequest& request) {
    return request.path == "/a" ? gate.pass(request) : echo(request);
  });
  Client idle(served->port());
  idle.send(kPost);
  EXPECT_EQ(idle.read(answerText(200, "OK", "POST /b  xyz").size()),
            answerText(200, "OK", "POST /b  xyz"));
  Client handled(served->port());
  handled.send(kGet);
  ASSERT_TRUE(gate.held(1));
  served->server().stop();
  EXPECT_EQ(idle.read(), "");
  EXPECT_TRUE(idle.closedByServer());
  gate.open();
  EXPECT_EQ(handled.read(), answerText(200, "OK", "GET /a  "));
  EXPECT_TRUE(handled.closedByServer());
  served.reset();  // run() has returned: joined
}

}  // namespace
}  // namespace tarn::server
