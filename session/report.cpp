#include "session/report.h"

#include <nlohmann/json.hpp>
#include <ostream>

#include "session/text_table.h"
#include "tarnvelloc/automation/text.h"

namespace tarn::session {
namespace {

using automation::toUtf8;
using automation::Variant;
using Json = nlohmann::ordered_json;

// Null as null, numbers as numbers, Boolean as true/false, everything else as its text.
Json jsonOf(const Variant& value) {
  switch (value.type()) {
    case Variant::Type::Empty:
    case Variant::Type::Null:
      return nullptr;
    case Variant::Type::Boolean:
      return value.toBoolean();
    case Variant::Type::Integer:
    case Variant::Type::Long:
      return value.toLong();
    case Variant::Type::Double:
      return value.toDouble();
    case Variant::Type::String:
      return toUtf8(value.toString());
    case Variant::Type::Object:
      break;
  }
  return value.describe();
}

// Numbers print as numbers, without the type mark that describe() adds to them.
bool printsAsText(const Variant& value) {
  switch (value.type()) {
    case Variant::Type::Boolean:
    case Variant::Type::Integer:
    case Variant::Type::Long:
    case Variant::Type::Double:
    case Variant::Type::String:
      return true;
    default:
      return false;
  }
}

std::string cellText(const Variant& value) {
  if (value.isNull()) return std::string();
  return printsAsText(value) ? toUtf8(value.toString()) : value.describe();
}

std::string widthText(const Variant& width) {
  return printsAsText(width) ? toUtf8(width.toString()) : width.describe();
}

std::string rowCountText(const PickList& pickList) {
  const std::size_t shown = pickList.rows.size();
  if (!pickList.more) return std::to_string(shown) + (shown == 1 ? " row\n" : " rows\n");
  if (pickList.total) {
    return std::to_string(shown) + " of " + std::to_string(*pickList.total) + " rows shown (" +
           std::to_string(*pickList.total - shown) + " more; --limit 0 shows all)\n";
  }
  return std::to_string(shown) +
         " rows shown (more follow; --limit 0 shows all, --count counts them)\n";
}

const char* kindName(Failure::Kind kind) {
  switch (kind) {
    case Failure::Kind::kUsage:
      return "usage";
    case Failure::Kind::kDatabase:
      return "database";
    case Failure::Kind::kOther:
      break;
  }
  return "failure";
}

Json head(const Context& context) {
  Json json;
  json["command"] = context.command.empty() ? Json(nullptr) : Json(context.command);
  json["database"] = context.database.empty() ? Json(nullptr) : Json(context.database);
  return json;
}

Json errorJson(const Failure& failure) {
  Json error;
  error["kind"] = kindName(failure.kind);
  error["message"] = failure.message;
  error["operation"] = failure.operation.empty() ? Json(nullptr) : Json(failure.operation);
  return error;
}

std::string finish(Json json, const std::optional<Failure>& failure) {
  if (failure) json["error"] = errorJson(*failure);
  return json.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

std::string databaseLine(const Context& context) {
  return context.database.empty() ? std::string()
                                  : "Database " + printable(context.database) + "\n";
}

Json reasonJson(const std::optional<Reason>& reason) {
  if (!reason) return nullptr;
  Json json;
  json["code"] = reason->code;
  json["message"] = reason->message;
  if (reason->limit) json["limit"] = *reason->limit;
  if (reason->table) json["table"] = *reason->table;
  if (reason->inventory) json["inventory"] = *reason->inventory;
  return json;
}

std::string reasonLine(const std::optional<Reason>& reason) {
  return reason ? "Reason   " + printable(reason->message) + " (" + reason->code + ")\n" : "";
}

}  // namespace

std::string meaningOf(std::int16_t code) {
  switch (code) {
    case velloc::kAccepted:
      return "accepted";
    case velloc::kRefused:
      return "refused";
    case velloc::kNotArchived:
      return "not archived";
    case velloc::kArchived:
      return "archived as a new value";
  }
  return "unknown result";
}

std::string referenceText(const Context& context, const ReferenceAnswer& answer,
                          const PickList& pickList, const std::optional<Reason>& reason) {
  if (!answer.ok) {
    return databaseLine(context) + "The component refused the reference (result False).\n" +
           reasonLine(reason);
  }
  std::string out = databaseLine(context) + reasonLine(reason);
  out += "SQL      " + printable(toUtf8(answer.sql)) + "\n";
  out += "Columns  " + printable(toUtf8(answer.columnSet)) + "\n";
  const std::string width = widthText(answer.columnWidth);
  if (!width.empty()) out += "Widths   " + printable(width) + "\n";
  out += "\n";
  TextTable table(pickList.headings);
  for (const auto& row : pickList.rows) {
    std::vector<std::string> cells;
    for (const auto& value : row) cells.push_back(cellText(value));
    table.addRow(std::move(cells));
  }
  out += table.render();
  out += rowCountText(pickList);
  if (pickList.next) out += "Next     --after " + *pickList.next + "\n";
  return out;
}

std::string referenceJson(const Context& context, const ReferenceAnswer& answer,
                          const PickList& pickList, const std::optional<Failure>& failure,
                          const std::optional<Reason>& reason) {
  Json json = head(context);
  json["ok"] = answer.ok;
  json["sql"] = answer.ok ? Json(toUtf8(answer.sql)) : Json(nullptr);
  json["columnSet"] = answer.ok ? Json(toUtf8(answer.columnSet)) : Json(nullptr);
  json["columnWidth"] = answer.ok ? jsonOf(answer.columnWidth) : Json(nullptr);
  json["columns"] = pickList.headings;
  Json rows = Json::array();
  for (const auto& row : pickList.rows) {
    Json cells = Json::array();
    for (const auto& value : row) cells.push_back(jsonOf(value));
    rows.push_back(std::move(cells));
  }
  json["rows"] = std::move(rows);
  if (pickList.total) json["rowCount"] = *pickList.total;
  json["shown"] = pickList.rows.size();
  json["more"] = pickList.more;
  json["next"] = pickList.next ? Json(*pickList.next) : Json(nullptr);
  json["reason"] = reasonJson(reason);
  return finish(std::move(json), failure);
}

std::string validationText(const Context& context, const ValidationAnswer& answer,
                           const Explanation& explanation) {
  std::string out = databaseLine(context);
  out += "Result   " + std::to_string(answer.code) + "  " + meaningOf(answer.code) + "\n";
  out += "Value    " + printable(toUtf8(answer.returned));
  if (answer.returned != answer.entered) {
    out += "  (typed: " + printable(toUtf8(answer.entered)) + ")";
  }
  out += "\n" + reasonLine(explanation.reason);
  if (explanation.stored) out += "Stored   " + printable(toUtf8(*explanation.stored)) + "\n";
  if (!explanation.similar.empty()) {
    std::string similar;
    for (const auto& value : explanation.similar) {
      similar += (similar.empty() ? "" : ", ") + printable(toUtf8(value));
    }
    out += "Similar  " + similar + "\n";
  }
  return out;
}

std::string validationJson(const Context& context, const ValidationAnswer& answer,
                           const Explanation& explanation, const std::optional<Failure>& failure) {
  Json json = head(context);
  json["code"] = answer.code;
  json["meaning"] = meaningOf(answer.code);
  json["typed"] = toUtf8(answer.entered);
  json["value"] = toUtf8(answer.returned);
  json["replaced"] = answer.returned != answer.entered;
  json["reason"] = reasonJson(explanation.reason);
  json["stored"] = explanation.stored ? Json(toUtf8(*explanation.stored)) : Json(nullptr);
  Json similar = Json::array();
  for (const auto& value : explanation.similar) similar.push_back(toUtf8(value));
  json["similar"] = std::move(similar);
  json["archivable"] = explanation.archivable;
  return finish(std::move(json), failure);
}

std::string creationJson(const Context& context) {
  Json json = head(context);
  json["created"] = true;
  return finish(std::move(json), std::nullopt);
}

std::string failureText(const Failure& failure) {
  std::string text = "velloc: ";
  if (failure.kind == Failure::Kind::kDatabase) text += "the database failed: ";
  text += printable(failure.message);
  if (!failure.operation.empty()) text += " (while running: " + printable(failure.operation) + ")";
  return text + "\n";
}

std::string failureJson(const Context& context, const Failure& failure) {
  return finish(head(context), failure);
}

int reportFailure(bool json, const Context& context, const Failure& failure, std::ostream& out,
                  std::ostream& err) {
  if (json) {
    out << failureJson(context, failure);
  } else {
    err << failureText(failure);
  }
  return failure.exitStatus();
}

}  // namespace tarn::session
