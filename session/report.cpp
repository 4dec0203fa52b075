#include "session/report.h"

#include <ostream>

#include "session/json_writer.h"
#include "session/text_table.h"
#include "tarnvelloc/automation/text.h"

namespace tarn::session {
namespace {

using automation::toUtf8;
using automation::Variant;

// Null as null, numbers as numbers, Boolean as true/false, everything else as its text.
void writeValue(JsonWriter& json, const Variant& value) {
  switch (value.type()) {
    case Variant::Type::Empty:
    case Variant::Type::Null:
      return json.null();
    case Variant::Type::Boolean:
      return json.boolean(value.toBoolean());
    case Variant::Type::Integer:
    case Variant::Type::Long:
      return json.number(static_cast<std::int64_t>(value.toLong()));
    case Variant::Type::Double:
      return json.floating(value.toDouble());
    case Variant::Type::String:
      return json.text(toUtf8(value.toString()));
    case Variant::Type::Object:
      break;
  }
  json.text(value.describe());
}

void writeText(JsonWriter& json, std::string_view name, std::string_view text) {
  json.key(name);
  json.text(text);
}

void writeTextOrNull(JsonWriter& json, std::string_view name,
                     const std::optional<std::string>& text) {
  json.key(name);
  if (text) {
    json.text(*text);
  } else {
    json.null();
  }
}

void writeTexts(JsonWriter& json, std::string_view name, const std::vector<std::string>& texts) {
  json.key(name);
  json.beginArray();
  for (const auto& text : texts) json.text(text);
  json.endArray();
}

// `text`, or null when it is empty.
void writeTextOrNullIfEmpty(JsonWriter& json, std::string_view name, std::string_view text) {
  json.key(name);
  if (text.empty()) {
    json.null();
  } else {
    json.text(text);
  }
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

// Opens an answer's object with the members every answer starts with.
void writeHead(JsonWriter& json, const Context& context) {
  json.beginObject();
  writeTextOrNullIfEmpty(json, "command", context.command);
  writeTextOrNullIfEmpty(json, "database", context.database);
}

// Closes an answer's object, with its failure if any, and gives its text.
std::string finish(JsonWriter& json, const std::optional<Failure>& failure) {
  if (failure) {
    json.key("error");
    json.beginObject();
    writeText(json, "kind", kindName(failure->kind));
    writeText(json, "message", failure->message);
    writeTextOrNullIfEmpty(json, "operation", failure->operation);
    json.endObject();
  }
  json.endObject();
  return json.take() + "\n";
}

std::string databaseLine(const Context& context) {
  return context.database.empty() ? std::string()
                                  : "Database " + printable(context.database) + "\n";
}

void writeReason(JsonWriter& json, const std::optional<Reason>& reason) {
  json.key("reason");
  if (!reason) return json.null();
  json.beginObject();
  writeText(json, "code", reason->code);
  writeText(json, "message", reason->message);
  if (reason->limit) {
    json.key("limit");
    json.number(*reason->limit);
  }
  if (reason->table) writeText(json, "table", *reason->table);
  if (reason->inventory) writeText(json, "inventory", *reason->inventory);
  json.endObject();
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
  JsonWriter json;
  writeHead(json, context);
  json.key("ok");
  json.boolean(answer.ok);
  const auto whenAnswered = [&](const std::u16string& text) {
    return answer.ok ? std::optional<std::string>(toUtf8(text)) : std::nullopt;
  };
  writeTextOrNull(json, "sql", whenAnswered(answer.sql));
  writeTextOrNull(json, "columnSet", whenAnswered(answer.columnSet));
  json.key("columnWidth");
  if (answer.ok) {
    writeValue(json, answer.columnWidth);
  } else {
    json.null();
  }
  writeTexts(json, "columns", pickList.headings);
  json.key("rows");
  json.beginArray();
  for (const auto& row : pickList.rows) {
    json.beginArray();
    for (const auto& value : row) writeValue(json, value);
    json.endArray();
  }
  json.endArray();
  if (pickList.total) {
    json.key("rowCount");
    json.number(static_cast<std::uint64_t>(*pickList.total));
  }
  json.key("shown");
  json.number(static_cast<std::uint64_t>(pickList.rows.size()));
  json.key("more");
  json.boolean(pickList.more);
  writeTextOrNull(json, "next", pickList.next);
  writeReason(json, reason);
  return finish(json, failure);
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
  JsonWriter json;
  writeHead(json, context);
  json.key("code");
  json.number(static_cast<std::int64_t>(answer.code));
  writeText(json, "meaning", meaningOf(answer.code));
  writeText(json, "typed", toUtf8(answer.entered));
  writeText(json, "value", toUtf8(answer.returned));
  json.key("replaced");
  json.boolean(answer.returned != answer.entered);
  writeReason(json, explanation.reason);
  writeTextOrNull(
      json, "stored",
      explanation.stored ? std::optional<std::string>(toUtf8(*explanation.stored)) : std::nullopt);
  std::vector<std::string> similar;
  for (const auto& value : explanation.similar) similar.push_back(toUtf8(value));
  writeTexts(json, "similar", similar);
  json.key("archivable");
  json.boolean(explanation.archivable);
  return finish(json, failure);
}

std::string creationJson(const Context& context) {
  JsonWriter json;
  writeHead(json, context);
  json.key("created");
  json.boolean(true);
  return finish(json, std::nullopt);
}

std::string failureText(const Failure& failure) {
  std::string text = "velloc: ";
  if (failure.kind == Failure::Kind::kDatabase) text += "the database failed: ";
  text += printable(failure.message);
  if (!failure.operation.empty()) text += " (while running: " + printable(failure.operation) + ")";
  return text + "\n";
}

std::string failureJson(const Context& context, const Failure& failure) {
  JsonWriter json;
  writeHead(json, context);
  return finish(json, failure);
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
