#include "tarnvelloc/automation/variant.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

#include "tarnvelloc/automation/error.h"
#include "tarnvelloc/automation/text.h"

namespace tarn::automation {
namespace {

// Reads a whole text as a number: blanks around it allowed, nothing else.
bool parseNumber(std::u16string_view text, double& out) {
  const std::string ascii = toUtf8(trimBlanks(text));
  if (ascii.empty()) return false;
  const char* begin = ascii.data();
  if (*begin == '+' && ascii.size() > 1 && ascii[1] != '-') ++begin;
  const auto [end, ec] = std::from_chars(begin, ascii.data() + ascii.size(), out);
  return ec == std::errc() && end == ascii.data() + ascii.size() && std::isfinite(out);
}

double numberOf(const std::u16string& text) {
  double value = 0;
  if (!parseNumber(text, value)) raise(ErrorCode::kTypeMismatch);
  return value;
}

template <typename Int>
Int fitInteger(double value) {
  const double rounded = std::nearbyint(value);  // default rounding: half to even
  if (!(rounded >= std::numeric_limits<Int>::min() && rounded <= std::numeric_limits<Int>::max())) {
    raise(ErrorCode::kOverflow);
  }
  return static_cast<Int>(rounded);
}

std::string formatDouble(double value) {
  char buffer[64];
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  return ec == std::errc() ? std::string(buffer, end) : std::string("0");
}

}  // namespace

Variant Variant::null() { return Variant(NullTag{}); }

std::u16string Variant::toString() const {
  switch (type()) {
    case Type::Empty:
      return u"";
    case Type::Null:
      raise(ErrorCode::kInvalidUseOfNull);
    case Type::Boolean:
      return std::get<bool>(value_) ? u"True" : u"False";
    case Type::Integer:
      return fromUtf8(std::to_string(std::get<std::int16_t>(value_)));
    case Type::Long:
      return fromUtf8(std::to_string(std::get<std::int32_t>(value_)));
    case Type::Double:
      return fromUtf8(formatDouble(std::get<double>(value_)));
    case Type::String:
      return std::get<std::u16string>(value_);
    case Type::Object:
      raise(ErrorCode::kTypeMismatch);
  }
  raise(ErrorCode::kTypeMismatch);
}

double Variant::toDouble() const {
  switch (type()) {
    case Type::Empty:
      return 0;
    case Type::Null:
      raise(ErrorCode::kInvalidUseOfNull);
    case Type::Boolean:
      return std::get<bool>(value_) ? -1 : 0;
    case Type::Integer:
      return std::get<std::int16_t>(value_);
    case Type::Long:
      return std::get<std::int32_t>(value_);
    case Type::Double:
      return std::get<double>(value_);
    case Type::String:
      return numberOf(std::get<std::u16string>(value_));
    case Type::Object:
      raise(ErrorCode::kTypeMismatch);
  }
  raise(ErrorCode::kTypeMismatch);
}

std::int16_t Variant::toInteger() const { return fitInteger<std::int16_t>(toDouble()); }

std::int32_t Variant::toLong() const { return fitInteger<std::int32_t>(toDouble()); }

bool Variant::toBoolean() const {
  if (type() == Type::Boolean) return std::get<bool>(value_);
  if (type() == Type::String) {
    const auto text = asciiLower(trimBlanks(std::get<std::u16string>(value_)));
    if (text == u"true") return true;
    if (text == u"false") return false;
  }
  return toDouble() != 0;
}

ObjectRef Variant::toObject() const {
  if (type() != Type::Object) raise(ErrorCode::kObjectRequired);
  return std::get<ObjectRef>(value_);
}

std::string Variant::describe() const {
  switch (type()) {
    case Type::Empty:
      return "Empty";
    case Type::Null:
      return "Null";
    case Type::Boolean:
      return std::get<bool>(value_) ? "True" : "False";
    case Type::Integer:
      return std::to_string(std::get<std::int16_t>(value_)) + "%";
    case Type::Long:
      return std::to_string(std::get<std::int32_t>(value_)) + "&";
    case Type::Double:
      return formatDouble(std::get<double>(value_)) + "#";
    case Type::String:
      return "\"" + toUtf8(std::get<std::u16string>(value_)) + "\"";
    case Type::Object:
      return std::get<ObjectRef>(value_) ? "Object" : "Nothing";
  }
  return "?";
}

}  // namespace tarn::automation
