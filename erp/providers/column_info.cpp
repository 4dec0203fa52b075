#include "erp/providers/column_info.h"

#include <pugixml.hpp>
#include <sstream>

#include "tarnvelloc/automation/error.h"
#include "tarnvelloc/automation/text.h"

namespace tarn::erp::providers {
namespace {

[[noreturn]] void notColumnInfo(const std::string& reason) {
  automation::raise(automation::ErrorCode::kComponentFailure,
                    "not a column information text: " + reason);
}

}  // namespace

std::u16string formatColumnInfo(std::u16string_view key, const std::vector<LayoutColumn>& columns) {
  pugi::xml_document document;
  auto root = document.append_child("columns");
  root.append_attribute("key") = automation::toUtf8(key).c_str();
  for (const auto& column : columns) {
    auto element = root.append_child("column");
    element.append_attribute("expression") = automation::toUtf8(column.expression).c_str();
    element.append_attribute("caption") = automation::toUtf8(column.caption).c_str();
    element.append_attribute("width") = column.width;
    element.append_attribute("orderNo") = column.orderNo;
    element.append_attribute("descending") = column.descending ? 1 : 0;
  }
  std::ostringstream text;
  document.save(text, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
  return automation::fromUtf8(text.str());
}

std::vector<LayoutColumn> parseColumnInfo(std::u16string_view info) {
  const std::string utf8 = automation::toUtf8(info);
  pugi::xml_document document;
  // Attribute values keep their blanks and line ends: expressions come back exactly.
  const auto parsed =
      document.load_buffer(utf8.data(), utf8.size(), pugi::parse_escapes, pugi::encoding_utf8);
  if (!parsed) notColumnInfo(parsed.description());
  const auto root = document.document_element();
  if (std::string_view(root.name()) != "columns") notColumnInfo("no <columns> element");

  std::vector<LayoutColumn> columns;
  for (const auto& element : root.children("column")) {
    columns.push_back({automation::fromUtf8(element.attribute("expression").value()),
                       automation::fromUtf8(element.attribute("caption").value()),
                       element.attribute("width").as_int(), element.attribute("orderNo").as_int(),
                       element.attribute("descending").as_int() != 0});
  }
  return columns;
}

}  // namespace tarn::erp::providers
