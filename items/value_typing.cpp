#include "tarnvelloc/component/value_typing.h"

#include <cstddef>
#include <optional>

namespace tarn::items {
namespace {

// Reads a value from left to right; every read either consumes what it matched or leaves the
// position where it was.
class Cursor {
 public:
  explicit Cursor(std::u16string_view text) : text_(text) {}

  bool atEnd() const { return pos_ == text_.size(); }

  bool take(char16_t c) {
    if (atEnd() || text_[pos_] != c) return false;
    ++pos_;
    return true;
  }

  bool takeEither(char16_t a, char16_t b) { return take(a) || take(b); }

  // Consumes up to `most` digits; the number they make, or nothing when fewer than `least`.
  std::optional<int> number(std::size_t least, std::size_t most) {
    const std::size_t start = pos_;
    int value = 0;
    while (pos_ - start < most && !atEnd() && isDigit(text_[pos_])) {
      value = value * 10 + (text_[pos_] - u'0');
      ++pos_;
    }
    if (pos_ - start < least) {
      pos_ = start;
      return std::nullopt;
    }
    return value;
  }

  // Consumes every digit ahead; true when there was at least one.
  bool digits() {
    const std::size_t start = pos_;
    while (!atEnd() && isDigit(text_[pos_])) ++pos_;
    return pos_ > start;
  }

 private:
  static bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

  std::u16string_view text_;
  std::size_t pos_ = 0;
};

bool isLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int daysInMonth(int year, int month) {
  constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month == 2 && isLeapYear(year)) return 29;
  return kDays[month - 1];
}

bool inRange(std::optional<int> value, int low, int high) {
  return value && *value >= low && *value <= high;
}

bool readTime(Cursor& in) {
  if (!inRange(in.number(1, 2), 0, 23)) return false;
  if (!in.take(u':') || !inRange(in.number(2, 2), 0, 59)) return false;
  if (in.take(u':') && !inRange(in.number(2, 2), 0, 59)) return false;
  return true;
}

}  // namespace

bool isNumericValue(std::u16string_view value) {
  Cursor in(value);
  in.takeEither(u'+', u'-');
  const bool whole = in.digits();
  const bool fraction = in.take(u'.') && in.digits();
  if (!whole && !fraction) return false;
  if (in.takeEither(u'e', u'E')) {
    in.takeEither(u'+', u'-');
    if (!in.digits()) return false;
  }
  return in.atEnd();
}

bool isDateValue(std::u16string_view value) {
  Cursor in(value);
  const auto year = in.number(4, 4);
  if (!inRange(year, 1, 9999)) return false;
  char16_t separator = u'-';
  if (!in.take(separator)) {
    separator = u'/';
    if (!in.take(separator)) return false;
  }
  const auto month = in.number(1, 2);
  if (!inRange(month, 1, 12) || !in.take(separator)) return false;
  if (!inRange(in.number(1, 2), 1, daysInMonth(*year, *month))) return false;
  if (in.take(u' ') && !readTime(in)) return false;
  return in.atEnd();
}

}  // namespace tarn::items
