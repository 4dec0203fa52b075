#include "erp/db/connection_string.h"

#include "tarnvelloc/automation/text.h"

namespace tarn::erp::db {
namespace {

using automation::asciiLower;
using automation::trimBlanks;

bool isQuote(char16_t c) { return c == u'"' || c == u'\''; }

void skipBlanks(std::u16string_view text, std::size_t& pos) {
  while (pos < text.size() && text[pos] == u' ') ++pos;
}

// Reads a quoted value starting at the opening quote; a doubled quote stands for itself.
// Gives nothing when the quote is never closed.
std::optional<std::u16string> readQuoted(std::u16string_view text, std::size_t& pos) {
  const char16_t quote = text[pos++];
  std::u16string value;
  while (pos < text.size()) {
    if (text[pos] != quote) {
      value += text[pos++];
    } else if (pos + 1 < text.size() && text[pos + 1] == quote) {
      value += quote;
      pos += 2;
    } else {
      ++pos;
      return value;
    }
  }
  return std::nullopt;
}

// A value that would not read back as it stands: parse drops blanks around a bare value, ends it
// at ';', and takes a leading quote as the start of a quoted value.
bool needsQuotes(std::u16string_view value) {
  if (value.empty()) return false;
  return value.find(u';') != std::u16string_view::npos || isQuote(value.front()) ||
         value.front() == u' ' || value.back() == u' ';
}

}  // namespace

std::optional<ConnectionString> ConnectionString::parse(std::u16string_view text) {
  ConnectionString result;
  std::size_t pos = 0;
  while (true) {
    skipBlanks(text, pos);
    if (pos == text.size()) return result;
    if (text[pos] == u';') {
      ++pos;
      continue;
    }
    const std::size_t equals = text.find_first_of(u"=;", pos);
    if (equals == std::u16string_view::npos || text[equals] != u'=') return std::nullopt;
    const std::u16string key = asciiLower(trimBlanks(text.substr(pos, equals - pos)));
    if (key.empty()) return std::nullopt;
    pos = equals + 1;

    skipBlanks(text, pos);
    std::u16string value;
    if (pos < text.size() && isQuote(text[pos])) {
      auto quoted = readQuoted(text, pos);
      if (!quoted) return std::nullopt;
      value = std::move(*quoted);
      skipBlanks(text, pos);
      if (pos < text.size() && text[pos] != u';') return std::nullopt;
    } else {
      const std::size_t end = std::min(text.find(u';', pos), text.size());
      value = trimBlanks(text.substr(pos, end - pos));
      pos = end;
    }
    result.values_[key] = std::move(value);
  }
}

std::optional<std::u16string> ConnectionString::get(std::u16string_view key) const {
  const auto found = values_.find(asciiLower(trimBlanks(key)));
  if (found == values_.end()) return std::nullopt;
  return found->second;
}

std::u16string ConnectionString::print() const {
  std::u16string text;
  for (const auto& [key, value] : values_) {
    if (!text.empty()) text += u';';
    text += key + u'=';
    if (!needsQuotes(value)) {
      text += value;
      continue;
    }
    text += u'"';
    for (const char16_t c : value) {
      text += c;
      if (c == u'"') text += c;
    }
    text += u'"';
  }
  return text;
}

}  // namespace tarn::erp::db
