#include "freeitem/structured_free_reference.h"

#include <cstdint>
#include <utility>

#include "freeitem/free_item_name.h"
#include "freeitem/structured_free_reference_sql.h"
#include "items/sql_text.h"
#include "tarnvelloc/automation/text.h"

namespace tarn::freeitem {
namespace {

namespace sql = structured_free_reference_sql;
using items::bracketedText;
using items::literalText;

// ADO's "no options" for Open and Execute.
constexpr std::int32_t kNoOptions = -1;
constexpr std::u16string_view kFlagColumnPrefix = u"bConfig";
constexpr std::u16string_view kCaptionResourceKey = u"Tarn.AA.ARCHIVE.FIELD.inv_free";
constexpr std::u16string_view kPartsColumnWidth = u"3000";

// The field name without its first character, as the Inventory flag column and the bas_part
// column are named (Free2 for cFree2).
std::u16string withoutFirstCharacter(std::u16string_view name) {
  return std::u16string(name.empty() ? name : name.substr(1));
}

}  // namespace

bool isUnstructuredFreeItem(services::Connection connection, const std::u16string& sConn,
                            std::u16string_view sInvCode, std::u16string_view sFreeFldName) {
  connection.Open(sConn, u"", u"", kNoOptions);
  const std::u16string query = std::u16string(sql::kSelectInventory) +
                               literalText(automation::trimBlanks(sInvCode)) +
                               std::u16string(sql::kCodeEnd);
  services::RecordSet inventory = connection.Execute(query, kNoOptions);
  bool unstructured = false;
  if (!inventory.hasNoRows()) {
    // Read as the record set names its fields, so the caller's name goes in unescaped; a name
    // with blanks around it names no column and fails here.
    const automation::Variant flag =
        inventory.field(std::u16string(kFlagColumnPrefix) + withoutFirstCharacter(sFreeFldName));
    unstructured = !flag.isNull() && !flag.toBoolean();
  }
  inventory.close();
  connection.Close();
  return unstructured;
}

std::optional<items::Reference> buildPartsReference(services::UtilityService& utility,
                                                    std::u16string_view sInvCode,
                                                    std::u16string_view sFreeFldName,
                                                    std::u16string_view sMatchVal) {
  const auto name = parseFreeItemName(sFreeFldName);
  if (!name) return std::nullopt;

  std::u16string caption =
      utility.GetResString(std::u16string(kCaptionResourceKey)).toString() + name->suffix;
  const std::u16string column = withoutFirstCharacter(name->name);

  std::u16string query = std::u16string(sql::kSelectDistinct) + column +
                         std::u16string(sql::kAliasOpen) + bracketedText(caption) +
                         std::u16string(sql::kFromParts) + literalText(sInvCode) +
                         std::u16string(sql::kCodeEnd);
  const std::u16string match = literalText(automation::trimBlanks(sMatchVal));
  if (!match.empty()) {
    query += std::u16string(sql::kAnd) + column + std::u16string(sql::kColumnLike) + match +
             std::u16string(sql::kMatchEnd);
  }
  return items::Reference{std::move(query), std::move(caption),
                          automation::Variant(std::u16string(kPartsColumnWidth))};
}

}  // namespace tarn::freeitem
