// ADO-style connection strings: a list of key=value pairs separated by ';'. Keys are matched
// with ASCII case ignored and blanks around keys and values are dropped; a value may be quoted
// with '"' or '\'' (the quote doubled inside stands for itself) so that it can contain ';' or
// '='. A value in ODBC braces ({…}, "}}" inside standing for '}') is kept with its braces, so
// that Driver={…} passes on to ODBC as written. Unknown keys are kept and ignored by the
// backends. A key given twice keeps its first place and its last value.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tarn::erp::db {

class ConnectionString {
 public:
  using Entry = std::pair<std::u16string, std::u16string>;  // key as written, value

  // Gives nothing for a malformed list (a pair without '=', an empty key, an unclosed quote or
  // brace). `problem`, when given, then receives what is wrong, naming the key at fault and
  // never quoting a value (a value may be a password).
  static std::optional<ConnectionString> parse(std::u16string_view text,
                                               std::string* problem = nullptr);

  // The value of `key`, or nothing.
  std::optional<std::u16string> get(std::u16string_view key) const;

  // Every pair in the order written.
  const std::vector<Entry>& entries() const { return entries_; }

  // The list as text that parses back to the same keys and values: "key=value" pairs in the
  // order written, joined by ';'. A value is quoted with '"', a '"' inside doubled, when it holds
  // a ';', starts with a quote or '{', or starts or ends with a blank; any other value is
  // written as it stands. The text holds every value, passwords included: it is for handing the
  // list on, never for a message or a log.
  std::u16string print() const;

  friend bool operator==(const ConnectionString&, const ConnectionString&) = default;

 private:
  void set(std::u16string key, std::u16string value);

  std::map<std::u16string, std::size_t> index_;  // lower-cased key → entries_ position
  std::vector<Entry> entries_;
};

}  // namespace tarn::erp::db
