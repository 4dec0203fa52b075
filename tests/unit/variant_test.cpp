#include "tarnvelloc/automation/variant.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>

#include "tarnvelloc/automation/error.h"
#include "tarnvelloc/automation/text.h"

namespace tarn::automation {
namespace {

struct TextCase {
  Variant input;
  std::string expected;  // UTF-8
};

TEST(VariantTest, ReadsAsText) {
  const TextCase cases[] = {
      {Variant(), ""},
      {Variant(true), "True"},
      {Variant(false), "False"},
      {Variant(std::int16_t{-5}), "-5"},
      {Variant(std::int32_t{70000}), "70000"},
      {Variant(2.5), "2.5"},
      {Variant(u"自定义项3"), "自定义项3"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.input.describe());
    EXPECT_EQ(toUtf8(c.input.toString()), c.expected);
  }
}

struct IntegerCase {
  Variant input;
  std::int16_t expected;
};

TEST(VariantTest, ReadsAsInteger) {
  const IntegerCase cases[] = {
      {Variant(), 0},
      {Variant(true), -1},
      {Variant(false), 0},
      {Variant(std::int32_t{32767}), 32767},
      {Variant(std::int32_t{-32768}), -32768},
      {Variant(2.5), 2},  // half to even
      {Variant(3.5), 4},
      {Variant(u" 12 "), 12},
      {Variant(u"-7"), -7},
      {Variant(u"07"), 7},
      {Variant(u"+12"), 12},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.input.describe());
    EXPECT_EQ(c.input.toInteger(), c.expected);
  }
}

struct BooleanCase {
  Variant input;
  bool expected;
};

TEST(VariantTest, ReadsAsBoolean) {
  const BooleanCase cases[] = {
      {Variant(), false},         {Variant(true), true},
      {Variant(u"True"), true},   {Variant(u"false"), false},
      {Variant(u" TRUE "), true}, {Variant(u"0"), false},
      {Variant(u"-1"), true},     {Variant(std::int32_t{2}), true},
      {Variant(0.0), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.input.describe());
    EXPECT_EQ(c.input.toBoolean(), c.expected);
  }
}

struct FailureCase {
  const char* name;
  std::function<void()> read;
  ErrorCode expected;
};

TEST(VariantTest, ConversionFailuresRaiseTheirCodes) {
  const Variant null = Variant::null();
  const FailureCase cases[] = {
      {"Null as text", [&] { null.toString(); }, ErrorCode::kInvalidUseOfNull},
      {"Null as Integer", [&] { null.toInteger(); }, ErrorCode::kInvalidUseOfNull},
      {"Null as Long", [&] { null.toLong(); }, ErrorCode::kInvalidUseOfNull},
      {"Null as Boolean", [&] { null.toBoolean(); }, ErrorCode::kInvalidUseOfNull},
      {"32768 as Integer", [] { Variant(std::int32_t{32768}).toInteger(); }, ErrorCode::kOverflow},
      {"-32769 as Integer", [] { Variant(u"-32769").toInteger(); }, ErrorCode::kOverflow},
      {"1e10 as Long", [] { Variant(1e10).toLong(); }, ErrorCode::kOverflow},
      {"letters as Integer", [] { Variant(u"AB").toInteger(); }, ErrorCode::kTypeMismatch},
      {"empty text as Integer", [] { Variant(u"").toInteger(); }, ErrorCode::kTypeMismatch},
      {"letters as Boolean", [] { Variant(u"yes").toBoolean(); }, ErrorCode::kTypeMismatch},
      {"two signs as Integer", [] { Variant(u"+-1").toInteger(); }, ErrorCode::kTypeMismatch},
      {"a lone sign as Integer", [] { Variant(u"+").toInteger(); }, ErrorCode::kTypeMismatch},
      {"text as object", [] { Variant(u"x").toObject(); }, ErrorCode::kObjectRequired},
      {"Null as object", [&] { null.toObject(); }, ErrorCode::kObjectRequired},
      {"object as text", [] { Variant(ObjectRef()).toString(); }, ErrorCode::kTypeMismatch},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    try {
      c.read();
      ADD_FAILURE() << "no failure raised";
    } catch (const AutomationError& e) {
      EXPECT_EQ(e.code(), c.expected) << e.what();
    }
  }
}

TEST(VariantTest, KeepsItsKindAndComparesByValue) {
  EXPECT_EQ(Variant(std::int16_t{1}).type(), Variant::Type::Integer);
  EXPECT_EQ(Variant(1).type(), Variant::Type::Long);
  EXPECT_EQ(Variant(u"").type(), Variant::Type::String);
  EXPECT_TRUE(Variant::null().isNull());
  EXPECT_TRUE(Variant().isEmpty());
  EXPECT_NE(Variant(u""), Variant());
  EXPECT_NE(Variant(std::int16_t{1}), Variant(1));
}

}  // namespace
}  // namespace tarn::automation
