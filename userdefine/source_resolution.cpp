#include "userdefine/source_resolution.h"

#include <array>
#include <utility>

#include "items/sql_text.h"
#include "tarnvelloc/automation/text.h"
#include "userdefine/source_resolution_sql.h"

namespace tarn::userdefine {
namespace {

using automation::asciiLower;
using automation::Variant;
using items::literalText;

constexpr std::u16string_view kItemPrefix = u"cdefine";
constexpr std::u16string_view kCaptionPrefix = u"自定义项";
constexpr std::u16string_view kWherePrefix = u"where ";
// Body items 1..16 are named cdefine22..cdefine37: the number minus this offset.
constexpr int kBodyNumberOffset = 21;
// The row-authorisation service's answer that denies every row.
constexpr std::u16string_view kDenyAll = u"1=2";

std::u16string decimal(int number) {
  const std::string digits = std::to_string(number);
  return std::u16string(digits.begin(), digits.end());
}

std::u16string caption(std::u16string_view number) {
  return std::u16string(kCaptionPrefix) + std::u16string(number);
}

// Drops one leading "where " (ASCII case ignored); leading blanks are not skipped.
std::u16string withoutLeadingWhere(std::u16string condition) {
  if (asciiLower(std::u16string_view(condition).substr(0, kWherePrefix.size())) == kWherePrefix) {
    condition.erase(0, kWherePrefix.size());
  }
  return condition;
}

std::optional<VoucherDef> readVoucherRow(services::RecordSet rows) {
  if (rows.hasNoRows()) {
    rows.close();
    return std::nullopt;
  }
  VoucherDef def;
  def.table = rows.field(u"BTTblName").toString();
  const Variant condition = rows.field(u"cDefWhere");
  if (!condition.isNull()) def.condition = withoutLeadingWhere(condition.toString());
  rows.close();
  return def;
}

std::u16string voucherQuery(std::u16string_view head, std::u16string_view cardNumber) {
  return std::u16string(head) + literalText(cardNumber) +
         std::u16string(source_sql::kVoucherQueryTail);
}

}  // namespace

bool validSelectors(std::int16_t iDataSrcType, std::int16_t iVoucherSec) {
  return iDataSrcType >= kListSource && iDataSrcType <= kVoucherSource &&
         iVoucherSec >= kHeaderSection && iVoucherSec <= kBodySection;
}

bool hasItemPrefix(std::u16string_view name) {
  return asciiLower(name.substr(0, kItemPrefix.size())) == kItemPrefix;
}

std::optional<ItemName> ParseDefName(std::u16string_view name) {
  if (name.size() == 8) return ItemName{caption(name.substr(7)), kHeaderSection};
  if (name.size() != 9) return std::nullopt;
  const std::u16string_view suffix = name.substr(7);
  const int number = Variant(std::u16string(suffix)).toInteger();
  if (number < 17) return ItemName{caption(suffix), kHeaderSection};
  if (number > kBodyNumberOffset && number < 38) {
    return ItemName{caption(decimal(number - kBodyNumberOffset)), kBodySection};
  }
  return std::nullopt;
}

std::optional<VoucherDef> ReadVoucherDef(services::VoucherDataService& voucherData,
                                         std::u16string_view cardNumber, Variant& flag,
                                         Variant& text) {
  std::u16string sql = voucherQuery(source_sql::kVoucherQueryForReference, cardNumber);
  return readVoucherRow(voucherData.OpenX(sql, flag, text));
}

std::optional<VoucherDef> ReadVoucherDef(services::VoucherDataService& voucherData,
                                         std::u16string_view cardNumber) {
  std::u16string sql = voucherQuery(source_sql::kVoucherQueryForValidation, cardNumber);
  return readVoucherRow(voucherData.OpenX(sql));
}

std::u16string GetArchiveKey(std::u16string_view tableName) {
  static constexpr std::array<std::pair<std::u16string_view, std::u16string_view>, 8> kKeys{{
      {u"customer", u"iid"},
      {u"vendor", u"iid"},
      {u"inventory", u"iid"},
      {u"department", u"cDepCode"},
      {u"code", u"cCode"},
      {u"position", u"cPosCode"},
      {u"warehouse", u"cWhCode"},
      {u"person", u"cPersonCode"},
  }};
  const std::u16string lowered = asciiLower(tableName);
  for (const auto& [table, key] : kKeys) {
    if (lowered == table) return std::u16string(key);
  }
  return {};
}

std::optional<std::u16string> GetAuthFilter(services::RowAuthorisationService& rowAuth,
                                            std::u16string& tableName) {
  const std::u16string key = GetArchiveKey(tableName);
  if (key.empty()) return std::u16string(source_sql::kNoRestriction);
  const std::u16string answer = rowAuth.GetAuthString(tableName).toString();
  if (answer == kDenyAll) return std::nullopt;
  if (answer.empty()) return std::u16string(source_sql::kNoRestriction);
  return key + std::u16string(source_sql::kKeyListOpen) + answer +
         std::u16string(source_sql::kKeyListClose);
}

}  // namespace tarn::userdefine
