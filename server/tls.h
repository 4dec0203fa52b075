// TLS for velloc serve's connections, over OpenSSL, with none of OpenSSL's headers in sight. The
// connection thread drives each TlsSession on a non-blocking socket: an operation that cannot go
// on says which readiness of the socket it waits for, and is called again once the socket has it.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace tarn::server {

// The server's certificate chain and private key, loaded once at start. TLS 1.2 at least, with
// the library's default ciphers; renegotiation refused.
class TlsContext {
 public:
  // `certificate`: a PEM file with the server's certificate first, then its chain; `key`: a PEM
  // file with its private key, unencrypted. Throws std::runtime_error naming the file and what is
  // wrong with it: unreadable, not PEM, or a key that does not match the certificate.
  TlsContext(const std::string& certificate, const std::string& key);
  ~TlsContext();
  TlsContext(const TlsContext&) = delete;
  TlsContext& operator=(const TlsContext&) = delete;

 private:
  friend class TlsSession;
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

enum class TlsStatus {
  kDone,       // the operation moved `bytes`
  kWantRead,   // call again when the socket is readable
  kWantWrite,  // call again when the socket is writable
  kClosed,     // the peer closed, or the session failed (a client speaking plain HTTP included)
};

struct TlsResult {
  TlsStatus status;
  std::size_t bytes = 0;
};

// The server side of one connection; the handshake happens within the first read. Does not own
// the socket.
class TlsSession {
 public:
  TlsSession(const TlsContext& context, int fd);
  ~TlsSession();
  TlsSession(const TlsSession&) = delete;
  TlsSession& operator=(const TlsSession&) = delete;

  // True once the handshake has completed.
  bool established() const;
  // True when bytes already taken from the socket wait to be read, so that no poll reports them.
  bool pending() const;

  TlsResult read(char* buffer, std::size_t size);
  // After kWantRead or kWantWrite, the next write must begin with the same bytes.
  TlsResult write(std::string_view data);
  // Sends the closing alert, without waiting for the peer's.
  void close();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace tarn::server
