#include "cli/report.h"

#include <nlohmann/json.hpp>

#include "cli/text_table.h"
#include "tarnvelloc/automation/text.h"

namespace tarn::cli {

using automation::toUtf8;

std::string meaningOf(std::int16_t code) {
  switch (code) {
    case 0:
      return "accepted";
    case -1:
      return "refused";
    case -2:
      return "not archived";
    case 1:
      return "archived as a new value";
  }
  return "unknown result";
}

std::vector<std::string> splitColumnSet(const std::u16string& columnSet) {
  std::vector<std::string> parts;
  if (columnSet.empty()) return parts;
  std::size_t start = 0;
  for (;;) {
    const auto comma = columnSet.find(u',', start);
    parts.push_back(toUtf8(columnSet.substr(start, comma - start)));
    if (comma == std::u16string::npos) break;
    start = comma + 1;
  }
  return parts;
}

namespace {

std::string widthText(const automation::Variant& width) {
  return width.type() == automation::Variant::Type::String ? toUtf8(width.toString())
                                                           : width.describe();
}

}  // namespace

std::string referenceText(const ReferenceAnswer& answer, const PickList& pickList) {
  if (!answer.ok) return "The component refused the reference (result False).\n";
  std::string out;
  out += "SQL      " + printable(toUtf8(answer.sql)) + "\n";
  out += "Columns  " + printable(toUtf8(answer.columnSet)) + "\n";
  const std::string width = widthText(answer.columnWidth);
  if (!width.empty()) out += "Widths   " + width + "\n";
  out += "\n";
  TextTable table(pickList.headings);
  for (const auto& row : pickList.rows) table.addRow(row);
  out += table.render();
  out += std::to_string(pickList.rows.size()) + (pickList.rows.size() == 1 ? " row\n" : " rows\n");
  return out;
}

std::string referenceJson(const std::string& command, const ReferenceAnswer& answer,
                          const PickList& pickList) {
  nlohmann::ordered_json json;
  json["command"] = command;
  json["ok"] = answer.ok;
  if (answer.ok) {
    json["sql"] = toUtf8(answer.sql);
    json["columnSet"] = toUtf8(answer.columnSet);
    json["columnWidth"] = widthText(answer.columnWidth);
    json["columns"] = pickList.headings;
    json["rows"] = pickList.rows;
    json["rowCount"] = pickList.rows.size();
  }
  return json.dump(2) + "\n";
}

std::string validationText(const ValidationAnswer& answer) {
  std::string out = "Result  " + std::to_string(answer.code) + "  " + meaningOf(answer.code) + "\n";
  out += "Value   " + printable(toUtf8(answer.value));
  if (answer.value != answer.typed) out += "  (typed: " + printable(toUtf8(answer.typed)) + ")";
  return out + "\n";
}

std::string validationJson(const std::string& command, const ValidationAnswer& answer) {
  nlohmann::ordered_json json;
  json["command"] = command;
  json["code"] = answer.code;
  json["meaning"] = meaningOf(answer.code);
  json["typed"] = toUtf8(answer.typed);
  json["value"] = toUtf8(answer.value);
  json["replaced"] = answer.value != answer.typed;
  return json.dump(2) + "\n";
}

std::string demoJson(const std::string& databaseFile) {
  nlohmann::ordered_json json;
  json["command"] = "demo";
  json["database"] = databaseFile;
  return json.dump(2) + "\n";
}

}  // namespace tarn::cli
