// JSON text written as it is made, without building a document first: an answer of the doors is a
// few members and a window of rows, and building and then printing a document cost more than the
// pick-list behind it. The layout is the one every answer has always had: two spaces per level,
// one member or element per line, "name": value, and [] or {} for an empty container. Strings are
// escaped as JSON requires (quote, backslash, control characters; "/" and non-ASCII as they
// are), and bytes that are not UTF-8 are replaced by U+FFFD.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarn::session {

class JsonWriter {
 public:
  void beginObject();
  void endObject();
  void beginArray();
  void endArray();
  // The name of the next member of the object being written.
  void key(std::string_view name);

  void text(std::string_view value);
  void boolean(bool value);
  void null();
  void number(std::int64_t value);
  void number(std::uint64_t value);
  void number(int value) { number(static_cast<std::int64_t>(value)); }
  void floating(double value);  // the shortest text that reads back the same; null if not finite

  // The text written so far; the writer is empty afterwards.
  std::string take();

 private:
  void beforeValue();
  void newLine(std::size_t depth);
  void open(char bracket);
  void close(char bracket);

  std::string out_;
  std::vector<std::size_t> counts_;  // members or elements written, per open container
  bool afterKey_ = false;
};

}  // namespace tarn::session
