#include "userdefine/ref_sql.h"

#include <utility>

#include "items/column_layout.h"
#include "items/sql_text.h"
#include "tarnvelloc/automation/text.h"
#include "userdefine/ref_sql_texts.h"
#include "userdefine/source_resolution.h"

namespace tarn::userdefine {
namespace {

using automation::asciiLower;
using automation::Variant;
using items::appendToColumnSet;
using items::ColumnLayout;
using items::GetColLayout;
using items::joinColumnSet;
using items::kCaptionField;
using items::literalText;
using items::Reference;
using items::ReplaceSelectList;

constexpr std::u16string_view kListTable = u"UserDefine";
constexpr std::u16string_view kListField = u"cValue";
constexpr std::u16string_view kLayoutKeySuffix = u"Ref";
constexpr std::u16string_view kPersonTable = u"person";
constexpr std::u16string_view kFieldNameField = u"FieldName";
constexpr std::u16string_view kFieldDefField = u"fielddef";

std::u16string text(std::u16string_view piece) { return std::u16string(piece); }

// field + the like opener (" like N'%") + m + "%'", the match text with its apostrophes doubled.
std::u16string likeMatch(std::u16string_view field, std::u16string_view match) {
  return text(field) + text(ref_sql::kLikeOpen) + literalText(match) + text(ref_sql::kLikeClose);
}

std::optional<Reference> listReference(RefSqlServices& services, std::u16string_view name,
                                       std::u16string_view match) {
  const auto item = ParseDefName(name);
  if (!item) return std::nullopt;
  // The list source reads cValue of UserDefine, whatever table and field the caller passed.
  std::u16string table = text(kListTable);
  // UserDefine has no key column: the filter is "1=1" and the service is not asked.
  if (!GetAuthFilter(services.rowAuth, table)) return std::nullopt;

  ColumnLayout layout = GetColLayout(services.columnSettings, table + text(kLayoutKeySuffix));
  std::u16string sql = text(item->section == kHeaderSection ? ref_sql::kListHeaderTemplate
                                                            : ref_sql::kListBodyTemplate) +
                       literalText(item->caption) + text(ref_sql::kListItemJoin);
  if (!match.empty()) {
    sql += text(ref_sql::kListMatchOpen) + text(kListField) + text(ref_sql::kLikeOpen) +
           literalText(match) + text(ref_sql::kListAliasLike) + literalText(match) +
           text(ref_sql::kListMatchClose);
  }
  ReplaceSelectList(sql, layout.list);
  std::u16string columnSet = joinColumnSet(layout.columnSet, kCaptionField);
  return Reference{std::move(sql), std::move(columnSet)};
}

std::optional<Reference> archiveReference(RefSqlServices& services, const RefSqlRequest& request,
                                          std::u16string_view match) {
  std::u16string table = request.sTableName;
  const auto filter = GetAuthFilter(services.rowAuth, table);
  if (!filter) return std::nullopt;

  // The layout key keeps the table name as the caller spelled it (Person gives PersonRef).
  ColumnLayout layout = GetColLayout(services.columnSettings, table + text(kLayoutKeySuffix));
  std::u16string sql = text(ref_sql::kArchiveSelect) +
                       services.util.GetJoinTableStr(table).toString() + text(ref_sql::kWhere) +
                       *filter;
  if (!match.empty()) {
    const bool person = asciiLower(table) == kPersonTable;
    sql +=
        text(person ? ref_sql::kPersonAnd : ref_sql::kAnd) + likeMatch(request.sFieldName, match);
  }
  ReplaceSelectList(sql, layout.list);
  std::u16string columnSet = joinColumnSet(layout.columnSet, kCaptionField);
  return Reference{std::move(sql), std::move(columnSet)};
}

std::optional<Reference> voucherReference(RefSqlServices& services, const RefSqlRequest& request,
                                          std::u16string_view match) {
  // OpenX and GetFieldNames receive the same two variables; their content is the services'.
  Variant flag(false);
  Variant message(u"");
  const auto def = ReadVoucherDef(services.voucherData, request.sCardNumber, flag, message);
  if (!def) return std::nullopt;
  std::u16string table = def->table;
  // Only a refusal matters here: the voucher query carries no access filter.
  if (!GetAuthFilter(services.rowAuth, table)) return std::nullopt;

  services::RecordSet fieldNames = services.voucherData.GetFieldNames(table, flag, message);
  if (fieldNames.hasNoRows()) {
    fieldNames.close();
    return std::nullopt;
  }
  std::u16string fields;
  std::u16string columnSet;
  while (!fieldNames.eof()) {
    fields += text(fields.empty() ? ref_sql::kFirstField : ref_sql::kNextField) +
              fieldNames.field(kFieldNameField).toString();
    appendToColumnSet(columnSet, fieldNames.field(kFieldDefField));
    fieldNames.moveNext();
  }
  fieldNames.close();

  std::u16string sql = text(ref_sql::kVoucherSelect) + fields + text(ref_sql::kFrom) + table;
  if (!def->condition.empty()) sql += text(ref_sql::kWhere) + def->condition;
  if (!match.empty()) {
    sql += text(def->condition.empty() ? ref_sql::kWhere : ref_sql::kAnd) +
           likeMatch(request.sFieldName, match);
  }
  return Reference{std::move(sql), std::move(columnSet)};
}

}  // namespace

std::optional<items::Reference> buildUserDefinedReference(RefSqlServices& services,
                                                          const RefSqlRequest& request) {
  const std::u16string match = automation::trimBlanks(request.sMatchVal);

  if (!validSelectors(request.iDataSrcType, request.iVoucherSec)) return std::nullopt;
  switch (request.iDataSrcType) {
    case kListSource: {
      const std::u16string name = automation::trimBlanks(request.sUserDefName);
      if (!hasItemPrefix(name)) return std::nullopt;
      return listReference(services, name, match);
    }
    case kArchiveSource:
      return archiveReference(services, request, match);
    default:
      return voucherReference(services, request, match);
  }
}

}  // namespace tarn::userdefine
