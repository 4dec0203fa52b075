#include "server/tls.h"

#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace tarn::server {
namespace {

template <auto Free>
struct Deleter {
  template <typename T>
  void operator()(T* handle) const {
    Free(handle);
  }
};

using File = std::unique_ptr<std::FILE, Deleter<std::fclose>>;
using Certificate = std::unique_ptr<X509, Deleter<X509_free>>;
using Key = std::unique_ptr<EVP_PKEY, Deleter<EVP_PKEY_free>>;

File openFile(const std::string& path, const std::string& what) {
  File file(std::fopen(path.c_str(), "r"));
  if (!file) {
    throw std::runtime_error("cannot read the " + what + " " + path + ": " + std::strerror(errno));
  }
  return file;
}

// Declines every passphrase: an encrypted key is refused rather than prompted for.
int noPassphrase(char*, int, int, void*) { return -1; }

}  // namespace

struct TlsContext::Impl {
  std::unique_ptr<SSL_CTX, Deleter<SSL_CTX_free>> context{SSL_CTX_new(TLS_server_method())};
};

TlsContext::TlsContext(const std::string& certificate, const std::string& key)
    : impl_(std::make_unique<Impl>()) {
  SSL_CTX* context = impl_->context.get();
  if (!context || !SSL_CTX_set_min_proto_version(context, TLS1_2_VERSION)) {
    throw std::runtime_error("cannot set up TLS");
  }
  SSL_CTX_set_options(context, SSL_OP_NO_RENEGOTIATION);
  // The connection thread writes from a buffer that may move between a write cut short and its
  // retry, and takes a partial write as progress.
  SSL_CTX_set_mode(context, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);

  const File certificateFile = openFile(certificate, "TLS certificate");
  const File keyFile = openFile(key, "TLS key");
  const auto notPem = [&] {
    return std::runtime_error("the TLS certificate " + certificate + " is not a PEM certificate");
  };
  Certificate leaf(PEM_read_X509(certificateFile.get(), nullptr, noPassphrase, nullptr));
  if (!leaf || SSL_CTX_use_certificate(context, leaf.get()) != 1) throw notPem();
  while (Certificate link{PEM_read_X509(certificateFile.get(), nullptr, noPassphrase, nullptr)}) {
    if (SSL_CTX_add0_chain_cert(context, link.get()) != 1) throw notPem();
    static_cast<void>(link.release());  // owned by the context now
  }
  const Key privateKey(PEM_read_PrivateKey(keyFile.get(), nullptr, noPassphrase, nullptr));
  if (!privateKey) {
    throw std::runtime_error("the TLS key " + key + " is not an unencrypted PEM private key");
  }
  if (SSL_CTX_use_PrivateKey(context, privateKey.get()) != 1 ||
      SSL_CTX_check_private_key(context) != 1) {
    throw std::runtime_error("the TLS key " + key + " does not match the certificate " +
                             certificate);
  }
  ERR_clear_error();
}

TlsContext::~TlsContext() = default;

struct TlsSession::Impl {
  std::unique_ptr<SSL, Deleter<SSL_free>> ssl;
  bool failed = false;  // a fatal error, after which no closing alert may be sent

  // The status of an operation that returned `result`.
  TlsResult status(int result) {
    if (result > 0) return {TlsStatus::kDone, static_cast<std::size_t>(result)};
    switch (SSL_get_error(ssl.get(), result)) {
      case SSL_ERROR_WANT_READ:
        return {TlsStatus::kWantRead};
      case SSL_ERROR_WANT_WRITE:
        return {TlsStatus::kWantWrite};
      case SSL_ERROR_ZERO_RETURN:
        return {TlsStatus::kClosed};
      default:
        failed = true;
        return {TlsStatus::kClosed};
    }
  }
};

TlsSession::TlsSession(const TlsContext& context, int fd) : impl_(std::make_unique<Impl>()) {
  impl_->ssl.reset(SSL_new(context.impl_->context.get()));
  if (impl_->ssl && SSL_set_fd(impl_->ssl.get(), fd) == 1) {
    SSL_set_accept_state(impl_->ssl.get());
  } else {
    impl_->ssl.reset();
  }
}

TlsSession::~TlsSession() = default;

bool TlsSession::established() const {
  return impl_->ssl && SSL_is_init_finished(impl_->ssl.get());
}

bool TlsSession::pending() const { return impl_->ssl && SSL_has_pending(impl_->ssl.get()); }

// The error queue is per thread and shared by every session on it: cleared before each call, so
// that SSL_get_error sees only that call's errors.
TlsResult TlsSession::read(char* buffer, std::size_t size) {
  if (!impl_->ssl) return {TlsStatus::kClosed};
  ERR_clear_error();
  return impl_->status(SSL_read(impl_->ssl.get(), buffer, static_cast<int>(size)));
}

TlsResult TlsSession::write(std::string_view data) {
  if (!impl_->ssl) return {TlsStatus::kClosed};
  ERR_clear_error();
  return impl_->status(SSL_write(impl_->ssl.get(), data.data(), static_cast<int>(data.size())));
}

void TlsSession::close() {
  if (!impl_->ssl || impl_->failed || !established()) return;
  ERR_clear_error();
  SSL_shutdown(impl_->ssl.get());
}

}  // namespace tarn::server
