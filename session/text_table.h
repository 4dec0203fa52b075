// An aligned text table for the terminal: columns padded to the display width of their widest
// cell, so that Chinese and other wide characters (two columns each) line up. Text is UTF-8.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tarn::session {

// The number of terminal columns `text` takes (wide characters count two, combining marks
// none, control characters none).
std::size_t displayWidth(std::string_view text);

// The text with every control character (C0 and DEL: tabs, line breaks, escape sequences) shown
// as \xHH, so that database or typed text can neither break a layout nor drive the terminal.
std::string printable(std::string_view text);

class TextTable {
 public:
  explicit TextTable(std::vector<std::string> headings) : headings_(std::move(headings)) {}
  void addRow(std::vector<std::string> cells) { rows_.push_back(std::move(cells)); }

  // Headings, a rule of dashes, then the rows; two blanks between columns, no trailing blanks.
  // Cells are shown printable().
  std::string render() const;

 private:
  std::vector<std::string> headings_;
  std::vector<std::vector<std::string>> rows_;
};

}  // namespace tarn::session
