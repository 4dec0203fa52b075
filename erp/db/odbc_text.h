// Text at the ODBC boundary: how statement text and values travel to a driver, the secrets a
// message must never show, and the values read back.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tarnvelloc/automation/variant.h"

namespace tarn::erp::db::odbc {

// How text reaches a driver. kWide: the wide API, UTF-16 as it stands. kUtf8: the narrow API
// with UTF-8 text, for a driver without wide functions, whose narrow text the driver manager
// would otherwise make from wide text with the process's locale (losing every character the
// locale cannot hold).
enum class TextEncoding { kWide, kUtf8 };

// The passwords of an ODBC connection string: the values of every PWD and Password key, each
// as written and without its ODBC braces ("{a}}b}" also as "a}b").
using Secrets = std::vector<std::u16string>;
Secrets secretsOf(std::u16string_view odbcConnection);

// `message` with every occurrence of each secret that is not empty replaced by "***".
std::string redact(std::string message, const Secrets& secrets);

// A whole number read from a database: a Long when it fits 32 bits, else a Double, as the
// SQLite backend gives them.
automation::Variant wholeNumber(std::int64_t value);

// A decimal number (numeric, decimal, money): a whole value that fits 32 bits becomes a Long and
// anything else a Double, as SQLite's numeric columns give them back.
automation::Variant decimalNumber(double value);

}  // namespace tarn::erp::db::odbc
