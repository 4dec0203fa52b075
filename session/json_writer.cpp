#include "session/json_writer.h"

#include <cstdio>
#include <nlohmann/json.hpp>

namespace tarn::session {
namespace {

constexpr std::size_t kIndent = 2;

bool inRange(unsigned char byte, unsigned char low, unsigned char high) {
  return byte >= low && byte <= high;
}

// The length of the well-formed UTF-8 sequence at `at` (shortest form, no surrogate, nothing past
// U+10FFFF), or 0 when the bytes there are none.
std::size_t sequenceAt(std::string_view text, std::size_t at) {
  const auto byte = [&](std::size_t i) {
    return at + i < text.size() ? static_cast<unsigned char>(text[at + i]) : 0;
  };
  const unsigned char lead = byte(0);
  const auto tail = [&](std::size_t from, std::size_t count) {
    for (std::size_t i = from; i < count; ++i) {
      if (!inRange(byte(i), 0x80, 0xBF)) return false;
    }
    return true;
  };
  if (lead < 0x80) return 1;
  if (inRange(lead, 0xC2, 0xDF)) return tail(1, 2) ? 2 : 0;
  if (inRange(lead, 0xE0, 0xEF)) {
    const unsigned char low = lead == 0xE0 ? 0xA0 : 0x80;
    const unsigned char high = lead == 0xED ? 0x9F : 0xBF;
    return inRange(byte(1), low, high) && tail(2, 3) ? 3 : 0;
  }
  if (inRange(lead, 0xF0, 0xF4)) {
    const unsigned char low = lead == 0xF0 ? 0x90 : 0x80;
    const unsigned char high = lead == 0xF4 ? 0x8F : 0xBF;
    return inRange(byte(1), low, high) && tail(2, 4) ? 4 : 0;
  }
  return 0;
}

const char* shortEscape(unsigned char c) {
  switch (c) {
    case '\b':
      return "\\b";
    case '\t':
      return "\\t";
    case '\n':
      return "\\n";
    case '\f':
      return "\\f";
    case '\r':
      return "\\r";
    case '"':
      return "\\\"";
    case '\\':
      return "\\\\";
    default:
      return nullptr;
  }
}

bool plainAscii(unsigned char c) { return c >= 0x20 && c < 0x80 && c != '"' && c != '\\'; }

// `text` quoted and escaped; false, with nothing written, when it is not UTF-8. Runs of bytes that
// need no escape are copied whole.
bool appendWellFormed(std::string& out, std::string_view text) {
  const std::size_t start = out.size();
  out += '"';
  std::size_t runStart = 0;
  std::size_t at = 0;
  while (at < text.size()) {
    const auto c = static_cast<unsigned char>(text[at]);
    if (plainAscii(c)) {
      ++at;
      continue;
    }
    if (c >= 0x80) {
      const std::size_t length = sequenceAt(text, at);
      if (length == 0) {
        out.resize(start);
        return false;
      }
      at += length;
      continue;
    }
    out.append(text.substr(runStart, at - runStart));
    if (const char* escape = shortEscape(c)) {
      out += escape;
    } else {
      char code[7];
      std::snprintf(code, sizeof code, "\\u%04x", static_cast<unsigned>(c));
      out += code;
    }
    runStart = ++at;
  }
  out.append(text.substr(runStart));
  out += '"';
  return true;
}

}  // namespace

void JsonWriter::newLine(std::size_t depth) {
  out_ += '\n';
  out_.append(depth * kIndent, ' ');
}

void JsonWriter::beforeValue() {
  if (afterKey_) {
    afterKey_ = false;
    return;
  }
  if (counts_.empty()) return;
  if (counts_.back()++ > 0) out_ += ',';
  newLine(counts_.size());
}

void JsonWriter::open(char bracket) {
  beforeValue();
  out_ += bracket;
  counts_.push_back(0);
}

void JsonWriter::close(char bracket) {
  const bool empty = counts_.back() == 0;
  counts_.pop_back();
  if (!empty) newLine(counts_.size());
  out_ += bracket;
}

void JsonWriter::beginObject() { open('{'); }
void JsonWriter::endObject() { close('}'); }
void JsonWriter::beginArray() { open('['); }
void JsonWriter::endArray() { close(']'); }

void JsonWriter::key(std::string_view name) {
  text(name);
  out_ += ": ";
  afterKey_ = true;
}

void JsonWriter::text(std::string_view value) {
  beforeValue();
  if (appendWellFormed(out_, value)) return;
  out_ += nlohmann::json(value).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

void JsonWriter::boolean(bool value) {
  beforeValue();
  out_ += value ? "true" : "false";
}

void JsonWriter::null() {
  beforeValue();
  out_ += "null";
}

void JsonWriter::number(std::int64_t value) {
  beforeValue();
  out_ += std::to_string(value);
}

void JsonWriter::number(std::uint64_t value) {
  beforeValue();
  out_ += std::to_string(value);
}

void JsonWriter::floating(double value) {
  beforeValue();
  out_ += nlohmann::json(value).dump();
}

std::string JsonWriter::take() {
  std::string text = std::move(out_);
  out_.clear();
  counts_.clear();
  afterKey_ = false;
  return text;
}

}  // namespace tarn::session
