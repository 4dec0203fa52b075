#include "session/item_definition.h"

#include <cstddef>

#include "tarnvelloc/erp/item_questions.h"

namespace tarn::session {
namespace {

constexpr std::u16string_view kTextType = u"文本";
constexpr std::u16string_view kNumberType = u"数字";
constexpr std::u16string_view kWholeNumberType = u"整型";
constexpr std::u16string_view kDateType = u"日期";

// Reads a value from left to right; a read that fails leaves the position where it was.
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

  // Between `least` and `most` digits and the number they make.
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

bool within(std::optional<int> value, int low, int high) {
  return value && *value >= low && *value <= high;
}

int daysInMonth(int year, int month) {
  constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

bool readsAsTime(Cursor& in) {
  if (!within(in.number(1, 2), 0, 23)) return false;
  if (!in.take(u':') || !within(in.number(2, 2), 0, 59)) return false;
  return !in.take(u':') || within(in.number(2, 2), 0, 59);
}

std::u16string textOf(const automation::Variant& value) {
  return value.isNull() ? std::u16string() : value.toString();
}

}  // namespace

bool readsAsNumber(std::u16string_view value) {
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

bool readsAsDate(std::u16string_view value) {
  Cursor in(value);
  const auto year = in.number(4, 4);
  if (!within(year, 1, 9999)) return false;
  const char16_t separator = in.take(u'-') ? u'-' : in.take(u'/') ? u'/' : u'\0';
  if (separator == u'\0') return false;
  const auto month = in.number(1, 2);
  if (!within(month, 1, 12) || !in.take(separator)) return false;
  if (!within(in.number(1, 2), 1, daysInMonth(*year, *month))) return false;
  if (in.take(u' ') && !readsAsTime(in)) return false;
  return in.atEnd();
}

std::optional<ItemDefinition> readItemDefinition(erp::HeldConnection& connection,
                                                 std::u16string_view caption,
                                                 std::optional<std::u16string_view> itemClass) {
  const auto row = erp::itemDefinition(connection, caption, itemClass);
  if (!row) return std::nullopt;
  ItemDefinition item{textOf(row->id), textOf(row->type), 0,
                      row->id.isNull() || row->type.isNull()};
  if (!row->maxLength.isNull()) {
    const double length = row->maxLength.toDouble();
    if (length < -32768 || length > 32767) {
      item.unreadable = true;
    } else {
      item.maxLength = static_cast<std::int64_t>(length);
    }
  }
  return item;
}

ValueProblem archivingProblem(const ItemDefinition& item, std::u16string_view value,
                              ItemRules rules) {
  if (item.unreadable) return ValueProblem::kClosed;
  if (rules == ItemRules::kLengthOnly || item.type == kTextType) {
    if (item.maxLength <= 0) return ValueProblem::kClosed;
    return static_cast<std::int64_t>(value.size()) > item.maxLength ? ValueProblem::kTooLong
                                                                    : ValueProblem::kNone;
  }
  if (item.type == kNumberType) {
    return readsAsNumber(value) ? ValueProblem::kNone : ValueProblem::kNotANumber;
  }
  if (item.type == kWholeNumberType) {
    return readsAsNumber(value) && value.find(u'.') == std::u16string_view::npos
               ? ValueProblem::kNone
               : ValueProblem::kNotAWholeNumber;
  }
  if (item.type == kDateType) {
    return value.find(u'-') != std::u16string_view::npos && readsAsDate(value)
               ? ValueProblem::kNone
               : ValueProblem::kNotADate;
  }
  return ValueProblem::kNone;
}

}  // namespace tarn::session
