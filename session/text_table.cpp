#include "session/text_table.h"

#include <utf8proc.h>

#include <algorithm>

namespace tarn::session {

std::size_t displayWidth(std::string_view text) {
  std::size_t width = 0;
  auto* bytes = reinterpret_cast<const utf8proc_uint8_t*>(text.data());
  auto remaining = static_cast<utf8proc_ssize_t>(text.size());
  while (remaining > 0) {
    utf8proc_int32_t cp = 0;
    const auto used = utf8proc_iterate(bytes, remaining, &cp);
    if (used <= 0) {  // malformed byte: one column, as the terminal shows a replacement
      ++width;
      ++bytes;
      --remaining;
      continue;
    }
    width += static_cast<std::size_t>(std::max(0, utf8proc_charwidth(cp)));
    bytes += used;
    remaining -= used;
  }
  return width;
}

std::string printable(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) {
      constexpr char kHex[] = "0123456789abcdef";
      out += "\\x";
      out += kHex[byte >> 4];
      out += kHex[byte & 0xF];
    } else {
      out += c;
    }
  }
  return out;
}

std::string TextTable::render() const {
  std::vector<std::string> headings;
  for (const auto& heading : headings_) headings.push_back(printable(heading));
  std::vector<std::vector<std::string>> rows;
  for (const auto& row : rows_) {
    std::vector<std::string> cells;
    for (const auto& cell : row) cells.push_back(printable(cell));
    rows.push_back(std::move(cells));
  }

  std::vector<std::size_t> widths(headings.size(), 0);
  auto measure = [&](const std::vector<std::string>& cells) {
    for (std::size_t i = 0; i < cells.size() && i < widths.size(); ++i) {
      widths[i] = std::max(widths[i], displayWidth(cells[i]));
    }
  };
  measure(headings);
  for (const auto& row : rows) measure(row);

  auto line = [&](const std::vector<std::string>& cells) {
    std::string out;
    for (std::size_t i = 0; i < widths.size(); ++i) {
      const std::string cell = i < cells.size() ? cells[i] : std::string();
      out += cell;
      if (i + 1 < widths.size()) out += std::string(widths[i] - displayWidth(cell) + 2, ' ');
    }
    out.erase(out.find_last_not_of(' ') + 1);
    return out + "\n";
  };

  std::string out = line(headings);
  std::vector<std::string> rule;
  for (const auto w : widths) rule.emplace_back(w, '-');
  out += line(rule);
  for (const auto& row : rows) out += line(row);
  return out;
}

}  // namespace tarn::session
