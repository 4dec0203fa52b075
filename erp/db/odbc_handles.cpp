#include "erp/db/odbc_handles.h"

#include "erp/db/connection_loss.h"
#include "tarnvelloc/automation/error.h"
#include "tarnvelloc/automation/text.h"

namespace tarn::erp::db::odbc {
namespace {

using automation::ErrorCode;

// More records than any driver gives for one failure; the first ones say what went wrong.
constexpr SQLSMALLINT kMaxRecords = 8;

struct Record {
  std::string state;
  std::string text;
};

bool readRecord(const Handle& handle, SQLSMALLINT number, TextEncoding encoding, Record& out) {
  SQLINTEGER nativeError = 0;
  SQLSMALLINT length = 0;
  if (encoding == TextEncoding::kWide) {
    std::u16string state(6, u'\0');
    std::u16string text(512, u'\0');
    for (;;) {
      const SQLRETURN code =
          SQLGetDiagRecW(handle.type(), handle.get(), number, wide(state), &nativeError, wide(text),
                         static_cast<SQLSMALLINT>(text.size()), &length);
      if (!succeeded(code)) return false;
      if (length < static_cast<SQLSMALLINT>(text.size()) || text.size() >= 16384) break;
      text.assign(static_cast<std::size_t>(length) + 1, u'\0');
    }
    text.resize(std::min(static_cast<std::size_t>(length), text.size() - 1));
    state.resize(5);
    out = {automation::toUtf8(state), automation::toUtf8(text)};
    return true;
  }
  std::string state(6, '\0');
  std::string text(1024, '\0');
  for (;;) {
    const SQLRETURN code =
        SQLGetDiagRec(handle.type(), handle.get(), number, narrow(state), &nativeError,
                      narrow(text), static_cast<SQLSMALLINT>(text.size()), &length);
    if (!succeeded(code)) return false;
    if (length < static_cast<SQLSMALLINT>(text.size()) || text.size() >= 32768) break;
    text.assign(static_cast<std::size_t>(length) + 1, '\0');
  }
  text.resize(std::min(static_cast<std::size_t>(length), text.size() - 1));
  state.resize(5);
  // The narrow text is the driver's own UTF-8; a malformed sequence shows as U+FFFD.
  out = {state, automation::toUtf8(automation::fromUtf8(text))};
  return true;
}

// The handle's diagnostics as one message, and whether any record's SQLSTATE says the connection
// is gone.
std::string describe(const Handle& handle, TextEncoding encoding, const Secrets& secrets,
                     bool& connectionLost) {
  std::string message;
  Record record;
  connectionLost = false;
  for (SQLSMALLINT number = 1; number <= kMaxRecords; ++number) {
    if (!readRecord(handle, number, encoding, record)) break;
    if (!message.empty()) message += "; ";
    message += record.state + ": " + record.text;
    connectionLost = connectionLost || connectionLostState(record.state);
  }
  if (message.empty()) message = "the ODBC driver gave no diagnostics";
  return redact(std::move(message), secrets);
}

}  // namespace

void Handle::release() noexcept {
  if (!handle_) return;
  if (connected_) SQLDisconnect(handle_);
  SQLFreeHandle(type_, handle_);
  handle_ = nullptr;
  connected_ = false;
}

Handle allocate(SQLSMALLINT type, const Handle* parent, const Secrets& secrets) {
  SQLHANDLE handle = nullptr;
  const SQLRETURN code = SQLAllocHandle(type, parent ? parent->get() : nullptr, &handle);
  if (succeeded(code)) return Handle(type, handle);
  if (!parent) automation::raise(ErrorCode::kComponentFailure, "no ODBC environment");
  check(code, *parent, TextEncoding::kWide, secrets, "cannot allocate an ODBC handle");
  automation::raise(ErrorCode::kComponentFailure, "cannot allocate an ODBC handle");
}

std::string diagnostics(const Handle& handle, TextEncoding encoding, const Secrets& secrets) {
  bool connectionLost = false;
  return describe(handle, encoding, secrets, connectionLost);
}

void check(SQLRETURN code, const Handle& handle, TextEncoding encoding, const Secrets& secrets,
           const std::string& context) {
  if (succeeded(code)) return;
  bool connectionLost = false;
  const std::string message = describe(handle, encoding, secrets, connectionLost);
  raiseDatabaseFailure(connectionLost, context.empty() ? message : context + ": " + message);
}

}  // namespace tarn::erp::db::odbc
