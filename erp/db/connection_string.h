// ADO-style connection strings: a list of key=value pairs separated by ';'. Keys are matched
// with ASCII case ignored and blanks around keys and values are dropped; a value may be quoted
// with '"' or '\'' (the quote doubled inside stands for itself) so that it can contain ';' or
// '='. Unknown keys are kept and ignored by the backends.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace tarn::erp::db {

class ConnectionString {
 public:
  // Gives nothing for a malformed list (a pair without '=', an empty key, an unclosed quote).
  static std::optional<ConnectionString> parse(std::u16string_view text);

  // The value of `key`, or nothing.
  std::optional<std::u16string> get(std::u16string_view key) const;

  // The list as text that parses back to the same keys and values: "key=value" pairs in key
  // order joined by ';', keys lower-cased. A value is quoted with '"', a '"' inside doubled,
  // when it holds a ';', starts with a quote, or starts or ends with a blank; any other value
  // is written as it stands. The text holds every value, passwords included: it is for handing
  // the list on, never for a message or a log.
  std::u16string print() const;

  friend bool operator==(const ConnectionString&, const ConnectionString&) = default;

 private:
  std::map<std::u16string, std::u16string> values_;  // key: lower-cased
};

}  // namespace tarn::erp::db
