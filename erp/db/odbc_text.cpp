#include "erp/db/odbc_text.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "tarnvelloc/automation/text.h"

namespace tarn::erp::db::odbc {

using automation::equalsIgnoringAsciiCase;
using automation::Variant;

Secrets secretsOf(std::u16string_view odbcConnection) {
  // Read as a driver reads the string: key=value pairs separated by ';', a value in braces with
  // '}}' standing for '}'. Every occurrence counts: a driver may take the first or the last.
  Secrets secrets;
  std::size_t at = 0;
  while (at < odbcConnection.size()) {
    const std::size_t equals = odbcConnection.find(u'=', at);
    if (equals == std::u16string_view::npos) break;
    const std::u16string key = automation::trimBlanks(odbcConnection.substr(at, equals - at));
    std::size_t valueStart = equals + 1;
    while (valueStart < odbcConnection.size() && odbcConnection[valueStart] == u' ') ++valueStart;
    std::u16string value;
    std::size_t end = valueStart;
    if (end < odbcConnection.size() && odbcConnection[end] == u'{') {
      for (++end; end < odbcConnection.size(); ++end) {
        if (odbcConnection[end] == u'}') {
          if (end + 1 < odbcConnection.size() && odbcConnection[end + 1] == u'}') {
            value += u'}';
            ++end;
            continue;
          }
          ++end;
          break;
        }
        value += odbcConnection[end];
      }
      end = std::min(odbcConnection.find(u';', end), odbcConnection.size());
    } else {
      end = std::min(odbcConnection.find(u';', valueStart), odbcConnection.size());
      value = automation::trimBlanks(odbcConnection.substr(valueStart, end - valueStart));
    }
    if (equalsIgnoringAsciiCase(key, u"PWD") || equalsIgnoringAsciiCase(key, u"Password")) {
      const std::u16string written(odbcConnection.substr(valueStart, end - valueStart));
      if (written != value) secrets.push_back(automation::trimBlanks(written));
      secrets.push_back(std::move(value));
    }
    at = end + 1;
  }
  return secrets;
}

std::string redact(std::string message, const Secrets& secrets) {
  for (const auto& secret : secrets) {
    if (secret.empty()) continue;
    const std::string text = automation::toUtf8(secret);
    for (std::size_t at = message.find(text); at != std::string::npos;
         at = message.find(text, at + 3)) {
      message.replace(at, text.size(), "***");
    }
  }
  return message;
}

Variant wholeNumber(std::int64_t value) {
  if (value >= INT32_MIN && value <= INT32_MAX) return Variant(static_cast<std::int32_t>(value));
  return Variant(static_cast<double>(value));
}

Variant decimalNumber(double value) {
  if (std::trunc(value) == value && value >= INT32_MIN && value <= INT32_MAX) {
    return Variant(static_cast<std::int32_t>(value));
  }
  return Variant(value);
}

}  // namespace tarn::erp::db::odbc
