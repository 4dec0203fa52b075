#include "session/item_definition.h"

#include <cstddef>

#include "tarnvelloc/component/value_typing.h"
#include "tarnvelloc/erp/item_questions.h"

namespace tarn::session {
namespace {

constexpr std::u16string_view kTextType = u"文本";
constexpr std::u16string_view kNumberType = u"数字";
constexpr std::u16string_view kWholeNumberType = u"整型";
constexpr std::u16string_view kDateType = u"日期";

std::u16string textOf(const automation::Variant& value) {
  return value.isNull() ? std::u16string() : value.toString();
}

}  // namespace

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
    return items::isNumericValue(value) ? ValueProblem::kNone : ValueProblem::kNotANumber;
  }
  if (item.type == kWholeNumberType) {
    return items::isNumericValue(value) && value.find(u'.') == std::u16string_view::npos
               ? ValueProblem::kNone
               : ValueProblem::kNotAWholeNumber;
  }
  if (item.type == kDateType) {
    return value.find(u'-') != std::u16string_view::npos && items::isDateValue(value)
               ? ValueProblem::kNone
               : ValueProblem::kNotADate;
  }
  return ValueProblem::kNone;
}

}  // namespace tarn::session
