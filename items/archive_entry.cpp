#include "items/archive_entry.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include "items/archive_entry_sql.h"
#include "items/sql_text.h"
#include "tarnvelloc/component/value_typing.h"

namespace tarn::items {
namespace {

namespace sql = archive_entry_sql;

constexpr std::u16string_view kArchiveName = u"UserDefine";

constexpr std::u16string_view kTextType = u"文本";
constexpr std::u16string_view kNumberType = u"数字";
constexpr std::u16string_view kIntegerType = u"整型";
constexpr std::u16string_view kDateType = u"日期";

std::u16string_view definitionQuery(ItemSection section) {
  if (!section) return sql::kFreeItemDefinition;
  return *section == kBodySection ? sql::kBodyItemDefinition : sql::kHeaderItemDefinition;
}

bool withinMaxLength(const ItemDef& def, std::u16string_view value) {
  return static_cast<long long>(value.size()) <= def.iMaxLen;
}

bool contains(std::u16string_view value, char16_t c) {
  return value.find(c) != std::u16string_view::npos;
}

// The characters the record's markup gives a meaning to, and how the record writes them.
constexpr std::pair<char16_t, std::u16string_view> kEntities[] = {
    {u'&', u"&amp;"}, {u'<', u"&lt;"}, {u'>', u"&gt;"}, {u'"', u"&quot;"}, {u'\'', u"&apos;"},
};

std::u16string xmlText(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (const char16_t c : text) {
    const auto* entity = std::find_if(std::begin(kEntities), std::end(kEntities),
                                      [c](const auto& e) { return e.first == c; });
    if (entity == std::end(kEntities)) {
      out += c;
    } else {
      out += entity->second;
    }
  }
  return out;
}

}  // namespace

std::optional<ItemDef> GetItemDef(services::ArchiveDataService& archiveData,
                                  std::u16string_view caption, ItemSection section) {
  std::u16string query = std::u16string(definitionQuery(section)) + literalText(caption) +
                         std::u16string(sql::kDefinitionEnd);
  services::RecordSet rows = archiveData.OpenX(query);
  if (rows.hasNoRows()) {
    rows.close();
    return std::nullopt;
  }
  ItemDef def;
  def.cId = rows.field(u"cId").toString();
  def.cType = rows.field(u"cType").toString();
  if (!rows.field(u"iMaxLen").isNull()) def.iMaxLen = rows.field(u"iMaxLen").toInteger();
  rows.close();
  return def;
}

bool CheckItemValue(const ItemDef& def, std::u16string_view value, ValueRules rules) {
  if (rules == ValueRules::kLengthOnly || def.cType == kTextType) {
    return withinMaxLength(def, value);
  }
  if (def.cType == kNumberType) return isNumericValue(value);
  if (def.cType == kIntegerType) return !contains(value, u'.') && isNumericValue(value);
  if (def.cType == kDateType) return contains(value, u'-') && isDateValue(value);
  return true;
}

std::u16string MakeUserDefineRecord(std::u16string_view cId, std::u16string_view value) {
  return u"<Userdefine><cId>" + xmlText(cId) + u"</cId><cValue>" + xmlText(value) +
         u"</cValue></Userdefine>";
}

std::int16_t AddArchiveValue(services::ArchiveDataService& archiveData, std::u16string_view caption,
                             ItemSection section, std::u16string_view value, ValueRules rules) {
  const std::optional<ItemDef> def = GetItemDef(archiveData, caption, section);
  if (!def || !CheckItemValue(*def, value, rules)) return kNotArchived;
  std::u16string record = MakeUserDefineRecord(def->cId, value);
  std::u16string message;
  const bool added = archiveData.Add(record, std::u16string(kArchiveName), message).toBoolean();
  return added ? kArchived : kNotArchived;
}

}  // namespace tarn::items
