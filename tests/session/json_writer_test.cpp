// The answers' JSON writer prints every document exactly as the JSON library prints it with two
// spaces of indent and bad bytes replaced: the layout the doors' answers have always had.
#include "session/json_writer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <nlohmann/json.hpp>
#include <string>

namespace tarn::session {
namespace {

using Json = nlohmann::ordered_json;

void write(JsonWriter& writer, const Json& value) {
  switch (value.type()) {
    case Json::value_t::object:
      writer.beginObject();
      for (const auto& [name, member] : value.items()) {
        writer.key(name);
        write(writer, member);
      }
      return writer.endObject();
    case Json::value_t::array:
      writer.beginArray();
      for (const auto& element : value) write(writer, element);
      return writer.endArray();
    case Json::value_t::string:
      return writer.text(value.get_ref<const std::string&>());
    case Json::value_t::boolean:
      return writer.boolean(value.get<bool>());
    case Json::value_t::number_integer:
      return writer.number(value.get<std::int64_t>());
    case Json::value_t::number_unsigned:
      return writer.number(value.get<std::uint64_t>());
    case Json::value_t::number_float:
      return writer.floating(value.get<double>());
    default:
      return writer.null();
  }
}

std::string library(const Json& value) {
  return value.dump(2, ' ', false, Json::error_handler_t::replace);
}

std::string written(const Json& value) {
  JsonWriter writer;
  write(writer, value);
  return writer.take();
}

TEST(JsonWriterTest, LaysOutContainersAsTheLibraryDoes) {
  const Json documents[] = {
      Json::object(),
      Json::array(),
      Json(nullptr),
      Json::parse(R"({"a": [], "b": {}, "c": [[]], "d": [{}], "e": [[1, 2], [3]]})"),
      Json::parse(R"({"command": "ref", "rows": [["华东区", "HD"], ["华北区", null]], "shown": 2,
                      "more": false, "reason": {"code": "alias", "limit": -4}})"),
      Json::parse(R"([true, false, null, 0, -1, "x", {"k": [{"j": {}}]}])"),
  };
  for (const auto& document : documents) EXPECT_EQ(written(document), library(document));
}

TEST(JsonWriterTest, EscapesAndReplacesTextAsTheLibraryDoes) {
  const std::string texts[] = {
      "",
      "plain / slash",
      "quote \" backslash \\ delete \x7f",
      std::string("\0\x01\x08\x09\x0a\x0b\x0c\x0d\x1b\x1f", 10),
      "华东区 😀 é",
      "\x80",                 // a lone continuation byte
      "a\xc0\x80z",           // an overlong NUL
      "\xc1\xbf",             // overlong
      "\xe0\x9f\xbf",         // overlong three-byte form
      "\xed\xa0\x80",         // a surrogate
      "\xed\x9f\xbf",         // the last code point before the surrogates
      "\xf4\x90\x80\x80",     // past U+10FFFF
      "\xf4\x8f\xbf\xbf",     // U+10FFFF itself
      "\xf0\x8f\xbf\xbf",     // overlong four-byte form
      "\xf5\x80\x80\x80",     // no lead byte past F4
      "cut \xe5\x8d",         // a sequence cut short at the end
      "cut \xe5\x8d middle",  // ... and in the middle
      "\xe5\x8d\x8e\xff\xe5\x8d\x8e",
  };
  for (const auto& text : texts) {
    EXPECT_EQ(written(Json(text)), library(Json(text))) << testing::PrintToString(text);
    const Json keyed = {{text, text}};
    EXPECT_EQ(written(keyed), library(keyed)) << testing::PrintToString(text);
  }
}

TEST(JsonWriterTest, WritesNumbersAsTheLibraryDoes) {
  const Json numbers[] = {
      Json(std::numeric_limits<std::int64_t>::min()),
      Json(std::numeric_limits<std::int64_t>::max()),
      Json(std::numeric_limits<std::uint64_t>::max()),
      Json(0.1),
      Json(1.0),
      Json(-0.0),
      Json(1e21),
      Json(1.5e-7),
      Json(123456.789),
      Json(std::nan("")),
      Json(std::numeric_limits<double>::infinity()),
  };
  for (const auto& number : numbers) EXPECT_EQ(written(number), library(number));
}

}  // namespace
}  // namespace tarn::session
