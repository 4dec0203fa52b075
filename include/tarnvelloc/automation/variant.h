// Variant is the tagged value that crosses every late-bound call: arguments, results and the
// fields of record sets. Its conversions follow the automation rules callers rely on:
//   - Null read as text, as a number or as a Boolean raises kInvalidUseOfNull;
//   - a number that does not fit the target (16-bit Integer, 32-bit Long) raises kOverflow;
//     doubles are rounded half to even first;
//   - Boolean true is -1 when read as a number, "True" when read as text;
//   - text converts to a number when it reads as one (blanks around it allowed), and to a
//     Boolean when it reads True/False (any case) or as a number; otherwise kTypeMismatch;
//   - Empty reads as "", 0 and false.
// Variants are values; an Object variant shares the object it refers to.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <variant>

namespace tarn::automation {

class Object;
using ObjectRef = std::shared_ptr<Object>;

class Variant {
 public:
  enum class Type { Empty, Null, Boolean, Integer, Long, Double, String, Object };

  Variant() = default;
  Variant(bool value) : value_(value) {}
  Variant(std::int16_t value) : value_(value) {}
  Variant(std::int32_t value) : value_(value) {}
  Variant(double value) : value_(value) {}
  Variant(std::u16string value) : value_(std::move(value)) {}
  Variant(const char16_t* value) : value_(std::u16string(value)) {}
  // Narrow text would otherwise become a Boolean; component text is UTF-16.
  Variant(const char*) = delete;
  Variant(ObjectRef value) : value_(std::move(value)) {}

  static Variant null();

  Type type() const { return static_cast<Type>(value_.index()); }
  bool isEmpty() const { return type() == Type::Empty; }
  bool isNull() const { return type() == Type::Null; }
  bool isObject() const { return type() == Type::Object; }

  std::u16string toString() const;
  // The text a String holds, without a copy; null for every other kind (toString converts).
  const std::u16string* stringIf() const { return std::get_if<std::u16string>(&value_); }
  std::int16_t toInteger() const;
  std::int32_t toLong() const;
  double toDouble() const;
  bool toBoolean() const;
  // The object held; raises kObjectRequired for any other kind. May be a null reference.
  ObjectRef toObject() const;

  // A short readable form for logs and test output: Empty, Null, True, 1%, 1&, 1.5#,
  // "text", Object, Nothing.
  std::string describe() const;

  friend bool operator==(const Variant& a, const Variant& b) { return a.value_ == b.value_; }

 private:
  struct NullTag {
    friend bool operator==(NullTag, NullTag) { return true; }
  };
  explicit Variant(NullTag tag) : value_(tag) {}

  std::variant<std::monostate, NullTag, bool, std::int16_t, std::int32_t, double, std::u16string,
               ObjectRef>
      value_;
};

}  // namespace tarn::automation
