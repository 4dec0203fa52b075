// The HTTP/1.1 server under velloc serve. Its threads wait on every connection at once and read
// without blocking; a request is run only once its head and body have arrived whole, by the
// thread that read it, which then writes the answer as far as the socket takes it at once. So a
// slow or silent client never holds a thread, and a request costs no hand-off between threads.
// What it guarantees:
//  - a request (head and body) arrives within `deadline` of its first byte, or it is answered 408
//    and the connection closed; a connection with no request under way is closed after `idle`;
//  - at most `maxConnections` connections in all and `maxPerAddress` from one address: a new one
//    over either bound closes the longest-idle connection (of that address, for its bound) to make
//    room, and is answered 503 and closed when none is idle;
//  - a connection has one request handled at a time, so pipelined requests are answered in the
//    order they came;
//  - an answer not taken by the client within `deadline` closes the connection.
// Over TLS the same holds: the handshake is read in the same loop without blocking and counts
// towards the first request's deadline (a client that never completes it is closed at the
// deadline, without an answer), and a connection over the bounds is closed without an answer.
// Bodies are read by Content-Length only; a chunked body is refused (411). HEAD is answered as GET
// without the body.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tarn::server {

using HttpHeaders = std::vector<std::pair<std::string, std::string>>;

struct HttpRequest {
  std::string method;
  std::string path;     // the target up to its query
  std::string query;    // the target after its '?', "" when it has none
  HttpHeaders headers;  // names in lower case, values without surrounding blanks
  std::string body;
  std::string peer;  // the client's address (IPv4 or IPv6, numeric)

  // The value of the header `name` (lower case), or nullptr when the request has none.
  const std::string* header(std::string_view name) const;
};

struct HttpResponse {
  int status = 200;
  std::string contentType;
  std::string body;
  HttpHeaders headers;
  // What the request log says of this answer, never sent: who it was for, and the database's
  // message when a database failure came with it.
  std::string person{};
  std::string databaseMessage{};
};

struct HttpLimits {
  std::chrono::milliseconds deadline{5000};  // a whole request; the writing of an answer
  std::chrono::milliseconds idle{5000};      // a connection with no request under way
  std::size_t maxConnections = 512;
  std::size_t maxPerAddress = 256;
  std::size_t maxHead = 16 * 1024;  // request line and headers
  std::size_t maxBody = 64 * 1024;
  std::size_t threads = 8;
};

// Answers a whole request; runs on a worker thread. An exception escaping it is answered 500.
using HttpHandler = std::function<HttpResponse(const HttpRequest&)>;
// The answer to a request the server refuses itself (malformed, too large, too slow, over the
// connection bounds, or a handler's exception), from its status and a message naming the fault.
using HttpRefusal = std::function<HttpResponse(int status, const std::string& message)>;

class TlsContext;

class HttpServer {
 public:
  // `common` headers go with every answer, the server's own refusals included. With `tls`, every
  // connection speaks TLS.
  HttpServer(HttpLimits limits, HttpHeaders common, HttpRefusal refusal,
             std::shared_ptr<const TlsContext> tls = nullptr);
  ~HttpServer();
  HttpServer(const HttpServer&) = delete;
  HttpServer& operator=(const HttpServer&) = delete;

  // Listens on `address` (IPv4 or IPv6) and `port` (0 picks one). Returns the port, or -1 with
  // nothing listening.
  int bind(const std::string& address, int port);

  // Serves with `handler` until stop(): then stops accepting, closes the connections with no
  // request being handled, lets the requests being handled finish and their answers be written
  // (each within the deadline), and returns. The calling thread serves too, beside `threads`
  // more; at most `threads` requests are handled at once. For as long as it serves, the process
  // keeps the memory its requests free for the next ones (up to 16 MiB per heap) rather than
  // handing it back to the kernel.
  void run(HttpHandler handler);

  // Makes run() return as above; callable from any thread, before run() too.
  void stop();

  // The connections open now; callable from any thread.
  std::size_t openConnections() const { return open_.load(); }

 private:
  struct Loop;
  HttpLimits limits_;
  HttpHeaders common_;
  HttpHandler handler_;
  HttpRefusal refusal_;
  std::shared_ptr<const TlsContext> tls_;
  int listener_ = -1;
  int wake_[2] = {-1, -1};  // a pipe: written to wake the connection thread
  std::atomic<bool> stopping_{false};
  std::atomic<std::size_t> open_{0};
};

}  // namespace tarn::server
