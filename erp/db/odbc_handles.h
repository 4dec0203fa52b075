// Owners of ODBC handles and the one place an ODBC return code becomes an error, for the ODBC
// backend's own files.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "erp/db/odbc_api.h"
#include "erp/db/odbc_text.h"

namespace tarn::erp::db::odbc {

// Frees its handle when it goes; a connection handle is disconnected first.
class Handle {
 public:
  Handle() = default;
  Handle(SQLSMALLINT type, SQLHANDLE handle) : type_(type), handle_(handle) {}
  Handle(Handle&& other) noexcept
      : type_(other.type_),
        handle_(std::exchange(other.handle_, nullptr)),
        connected_(std::exchange(other.connected_, false)) {}
  Handle& operator=(Handle&& other) noexcept {
    if (this != &other) {
      release();
      type_ = other.type_;
      handle_ = std::exchange(other.handle_, nullptr);
      connected_ = std::exchange(other.connected_, false);
    }
    return *this;
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() { release(); }

  SQLHANDLE get() const { return handle_; }
  SQLSMALLINT type() const { return type_; }
  explicit operator bool() const { return handle_ != nullptr; }

  // Marks a connection handle as connected, so that it is disconnected before it is freed.
  void connected() { connected_ = true; }
  // Disconnects a connected connection handle now; true when it did.
  bool disconnect() noexcept {
    if (connected_ && succeeded(SQLDisconnect(handle_))) connected_ = false;
    return !connected_;
  }
  // Lets go of a statement handle without freeing it: its connection was disconnected, which
  // freed it.
  void abandon() noexcept { handle_ = nullptr; }

 private:
  void release() noexcept;

  SQLSMALLINT type_ = SQL_HANDLE_ENV;
  SQLHANDLE handle_ = nullptr;
  bool connected_ = false;
};

// Allocates a handle of `type` under `parent` (nothing for an environment). Raises
// kComponentFailure with the parent's diagnostics when the driver manager refuses.
Handle allocate(SQLSMALLINT type, const Handle* parent, const Secrets& secrets);

// The diagnostic records of `handle` as one message: "SQLSTATE: text", records joined by "; ",
// each secret replaced by "***". Read through the wide or the narrow API as `encoding` says,
// so that a driver without wide functions gives its text unchanged.
std::string diagnostics(const Handle& handle, TextEncoding encoding, const Secrets& secrets);

// Raises kComponentFailure with the handle's diagnostics (after `context` when one is given)
// unless `code` is a success: ConnectionLostError when a record's SQLSTATE says the connection is
// gone (connection_loss.h).
void check(SQLRETURN code, const Handle& handle, TextEncoding encoding, const Secrets& secrets,
           const std::string& context = {});

}  // namespace tarn::erp::db::odbc
