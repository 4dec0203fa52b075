#include "userdefine/validate.h"

#include "items/archive_entry.h"
#include "items/archived_value_lookup.h"
#include "items/sql_text.h"
#include "tarnvelloc/automation/error.h"
#include "tarnvelloc/automation/text.h"
#include "tarnvelloc/component/value_typing.h"
#include "userdefine/source_resolution.h"
#include "userdefine/validate_sql.h"

namespace tarn::userdefine {
namespace {

namespace sql = validate_sql;
using automation::trimBlanks;
using items::isNumericValue;
using items::kAccepted;
using items::kRefused;
using items::literalText;
using items::lookUpArchivedValue;
using items::refusalCode;
using items::ValueRules;

bool acceptableArguments(std::int16_t iDataSrcType, std::int16_t iVoucherSec,
                         std::u16string_view name) {
  return validSelectors(iDataSrcType, iVoucherSec) && hasItemPrefix(name);
}

// The comparison of the source column with the value: a bare number on a money column, where
// anything else would make the database reject the statement, so it fails here instead; a
// Unicode literal otherwise.
std::u16string comparisonWith(std::u16string_view value, bool money,
                              std::u16string_view equalsNumber, std::u16string_view equalsText) {
  if (!money) {
    return std::u16string(equalsText) + literalText(value) + std::u16string(sql::kTextEnd);
  }
  if (!isNumericValue(value)) {
    automation::raise(automation::ErrorCode::kTypeMismatch,
                      "the value is compared with a money column and is not a number");
  }
  return std::u16string(equalsNumber) + std::u16string(value);
}

std::u16string archiveSourceQuery(std::u16string_view table, std::u16string_view field,
                                  std::u16string_view value, bool money,
                                  std::u16string_view filter) {
  return std::u16string(sql::kSelectFrom) + std::u16string(table) + std::u16string(sql::kWhere) +
         std::u16string(field) +
         comparisonWith(value, money, sql::kArchiveEqualsNumber, sql::kArchiveEqualsText) +
         std::u16string(sql::kArchiveFilter) + std::u16string(filter);
}

std::u16string voucherSourceQuery(std::u16string_view table, std::u16string_view field,
                                  std::u16string_view value, bool money,
                                  std::u16string_view condition) {
  std::u16string query =
      std::u16string(sql::kSelectFrom) + std::u16string(table) + std::u16string(sql::kWhere) +
      std::u16string(field) +
      comparisonWith(value, money, sql::kVoucherEqualsNumber, sql::kVoucherEqualsText);
  if (!condition.empty()) {
    query += std::u16string(sql::kVoucherConditionOpen) + std::u16string(condition) +
             std::u16string(sql::kVoucherConditionClose);
  }
  return query;
}

}  // namespace

bool IsMoneyColumn(services::VoucherDataService& voucherData, std::u16string_view table,
                   std::u16string_view field) {
  std::u16string query = std::u16string(sql::kMoneyColumnHead) + literalText(table) +
                         std::u16string(sql::kMoneyColumnMiddle) + literalText(field) +
                         std::u16string(sql::kMoneyColumnEnd);
  services::RecordSet count = voucherData.OpenX(query);
  const bool money = count.field(std::int16_t{0}).toDouble() != 0;
  count.close();
  return money;
}

std::int16_t validateUserDefinedValue(ValidationServices& services,
                                      const ValidationRequest& request, std::u16string& sUserDefVal,
                                      std::int16_t& running) {
  const std::u16string name = trimBlanks(request.sUserDefName);
  sUserDefVal = trimBlanks(sUserDefVal);
  const std::int16_t refusal = refusalCode(request.bBuildAr);

  if (!acceptableArguments(request.iDataSrcType, request.iVoucherSec, name)) return refusal;
  const std::optional<ItemName> item = ParseDefName(name);
  if (!item) return refusal;

  // The voucher source reads its table and condition from the Vouchers row of the card number.
  std::u16string table = request.sTableName;
  std::u16string condition;
  if (request.iDataSrcType == kVoucherSource) {
    std::optional<VoucherDef> voucher = ReadVoucherDef(services.voucherData, request.sCardNumber);
    if (!voucher) return running;
    table = std::move(voucher->table);
    condition = std::move(voucher->condition);
  }
  const std::u16string& field = request.sFieldName;
  const bool money =
      request.iDataSrcType != kListSource && IsMoneyColumn(services.voucherData, table, field);
  const std::optional<std::u16string> filter = GetAuthFilter(services.rowAuth, table);
  if (!filter) return running;

  if (request.iDataSrcType != kListSource) {
    // An empty source set is released without Close; a found row ends the validation.
    const bool archive = request.iDataSrcType == kArchiveSource;
    std::u16string query = archive
                               ? archiveSourceQuery(table, field, sUserDefVal, money, *filter)
                               : voucherSourceQuery(table, field, sUserDefVal, money, condition);
    services::RecordSet rows =
        archive ? services.archiveData.OpenX(query) : services.voucherData.OpenX(query);
    running = rows.hasNoRows() ? kRefused : kAccepted;
    if (running == kAccepted) {
      rows.close();
      return running;
    }
  }

  return lookUpArchivedValue(services.archiveData,
                             {item->caption, item->section, ValueRules::kTyped}, request.bBuildAr,
                             sUserDefVal, running);
}

}  // namespace tarn::userdefine
