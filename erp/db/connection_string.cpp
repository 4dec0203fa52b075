#include "erp/db/connection_string.h"

#include "tarnvelloc/automation/text.h"

namespace tarn::erp::db {
namespace {

using automation::asciiLower;
using automation::toUtf8;
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

// Reads an ODBC braced value starting at '{', braces included, "}}" kept as written. Gives
// nothing when the brace is never closed.
std::optional<std::u16string> readBraced(std::u16string_view text, std::size_t& pos) {
  const std::size_t first = pos++;
  while (pos < text.size()) {
    if (text[pos] != u'}') {
      ++pos;
    } else if (pos + 1 < text.size() && text[pos + 1] == u'}') {
      pos += 2;
    } else {
      ++pos;
      return std::u16string(text.substr(first, pos - first));
    }
  }
  return std::nullopt;
}

bool needsQuotes(std::u16string_view value) {
  return !value.empty() &&
         (value.find(u';') != std::u16string_view::npos || isQuote(value.front()) ||
          value.front() == u'{' || value.front() == u' ' || value.back() == u' ');
}

// "after <key>" for the pair before a fault, "at the start" for the first.
std::string whereAfter(const std::u16string& previousKey) {
  return previousKey.empty() ? "at the start" : "after " + toUtf8(previousKey);
}

}  // namespace

std::optional<ConnectionString> ConnectionString::parse(std::u16string_view text,
                                                        std::string* problem) {
  const auto fail = [&](std::string what) -> std::optional<ConnectionString> {
    if (problem) *problem = std::move(what);
    return std::nullopt;
  };
  ConnectionString result;
  std::u16string previousKey;
  std::size_t pos = 0;
  while (true) {
    skipBlanks(text, pos);
    if (pos == text.size()) return result;
    if (text[pos] == u';') {
      ++pos;
      continue;
    }
    const std::size_t equals = text.find_first_of(u"=;", pos);
    if (equals == std::u16string_view::npos || text[equals] != u'=') {
      return fail("a part without '=' " + whereAfter(previousKey));
    }
    std::u16string key = trimBlanks(text.substr(pos, equals - pos));
    if (key.empty()) return fail("a value without a key " + whereAfter(previousKey));
    pos = equals + 1;

    skipBlanks(text, pos);
    std::u16string value;
    if (pos < text.size() && (isQuote(text[pos]) || text[pos] == u'{')) {
      const bool braced = text[pos] == u'{';
      auto quoted = braced ? readBraced(text, pos) : readQuoted(text, pos);
      if (!quoted) {
        return fail("the value of " + toUtf8(key) + " has no closing " +
                    (braced ? "'}'" : "quote"));
      }
      value = std::move(*quoted);
      skipBlanks(text, pos);
      if (pos < text.size() && text[pos] != u';') {
        return fail("text after the " + std::string(braced ? "braced" : "quoted") + " value of " +
                    toUtf8(key));
      }
    } else {
      const std::size_t end = std::min(text.find(u';', pos), text.size());
      value = trimBlanks(text.substr(pos, end - pos));
      pos = end;
    }
    previousKey = key;
    result.set(std::move(key), std::move(value));
  }
}

void ConnectionString::set(std::u16string key, std::u16string value) {
  const auto [found, added] = index_.try_emplace(asciiLower(key), entries_.size());
  if (added) {
    entries_.emplace_back(std::move(key), std::move(value));
  } else {
    entries_[found->second].second = std::move(value);
  }
}

std::optional<std::u16string> ConnectionString::get(std::u16string_view key) const {
  const auto found = index_.find(asciiLower(trimBlanks(key)));
  if (found == index_.end()) return std::nullopt;
  return entries_[found->second].second;
}

std::u16string ConnectionString::print() const {
  std::u16string text;
  for (const auto& [key, value] : entries_) {
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
