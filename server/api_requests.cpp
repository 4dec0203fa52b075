#include "server/api_requests.h"

#include <initializer_list>
#include <nlohmann/json.hpp>

#include "session/failure.h"
#include "session/page_cursor.h"
#include "session/request_checks.h"
#include "session/text_table.h"
#include "tarnvelloc/automation/text.h"

namespace tarn::server {
namespace {

using automation::fromUtf8;
using session::printable;
using session::refuseUsage;
using Json = nlohmann::json;

[[noreturn]] void refuse(std::string message) { refuseUsage(std::move(message)); }

// The body as one JSON object holding only `keys`.
Json readObject(std::string_view body, std::initializer_list<std::string_view> keys) {
  Json json = Json::parse(body, nullptr, false);
  if (json.is_discarded()) refuse("malformed JSON: the body must be one JSON object");
  if (!json.is_object()) refuse("the body must be one JSON object");
  for (const auto& [key, value] : json.items()) {
    bool known = false;
    for (const auto name : keys) known = known || key == name;
    if (!known) refuse("unknown key \"" + printable(key) + "\"");
  }
  return json;
}

std::u16string text(const Json& json, const char* key) {
  const auto it = json.find(key);
  if (it == json.end() || it->is_null()) return {};
  if (!it->is_string()) refuse(std::string("\"") + key + "\" must be a string");
  // No item value holds a NUL, and the archive entry record (XML) cannot carry one: refused here
  // as the caller's mistake, naming the key, rather than failing later in the database.
  const auto& given = it->get_ref<const std::string&>();
  if (given.find('\0') != std::string::npos) {
    refuse(std::string("\"") + key + "\" must not contain a NUL character");
  }
  return fromUtf8(given);
}

std::u16string requiredText(const Json& json, const char* key) {
  if (!json.contains(key)) refuse(std::string("missing \"") + key + "\"");
  return text(json, key);
}

bool flag(const Json& json, const char* key) {
  const auto it = json.find(key);
  if (it == json.end()) return false;
  if (!it->is_boolean()) refuse(std::string("\"") + key + "\" must be true or false");
  return it->get<bool>();
}

// A whole number from `least` to `most`, or `absent` when the key is not given.
std::size_t count(const Json& json, const char* key, std::size_t absent, std::size_t least,
                  std::size_t most) {
  const auto it = json.find(key);
  if (it == json.end()) return absent;
  if (!it->is_number_unsigned() || it->get<std::uint64_t>() < least ||
      it->get<std::uint64_t>() > most) {
    refuse(std::string("\"") + key + "\" must be a whole number from " + std::to_string(least) +
           " to " + std::to_string(most));
  }
  return static_cast<std::size_t>(it->get<std::uint64_t>());
}

// "limit", "offset", and "count": true to count every row, also those past the window.
erp::RowWindow window(const Json& json) {
  const std::size_t limit = count(json, "limit", kDefaultPageRows, 1, kMaxPageRows);
  return erp::RowWindow{count(json, "offset", 0, 0, SIZE_MAX / 2), limit, flag(json, "count")};
}

// "after": a cursor string, or null or absent for none; refused beside a nonzero "offset".
std::optional<session::PageCursor> after(const Json& json, const erp::RowWindow& window) {
  const auto it = json.find("after");
  if (it == json.end() || it->is_null()) return std::nullopt;
  if (!it->is_string()) refuse("\"after\" must be a string: the \"next\" of a previous answer");
  return session::readContinuation(it->get<std::string>(), window.offset, "\"after\"",
                                   "\"offset\"");
}

std::int16_t choice(const Json& json, const char* key, std::span<const session::NamedValue> names) {
  const std::u16string given = text(json, key);
  if (given.empty()) return names.front().value;
  if (const auto value = session::valueNamed(names, automation::toUtf8(given))) return *value;
  refuse(std::string("\"") + key + "\" must be one of " + session::listedNames(names));
}

// The user-defined item and where its values come from.
session::ReferenceRequest itemRequest(const Json& json, bool validates) {
  session::ReferenceRequest request{choice(json, "source", session::kSourceNames),
                                    choice(json, "section", session::kSectionNames),
                                    requiredText(json, "field"),
                                    automation::trimBlanks(text(json, "table")),
                                    text(json, "column"),
                                    text(json, "card"),
                                    text(json, "match")};
  session::checkUserDefinedField(request, validates);
  session::checkSourceOptions(request, validates, session::kApiKeys);
  return request;
}

}  // namespace

ReferenceQuery readReferenceQuery(std::string_view body) {
  const Json json = readObject(body, {"field", "source", "section", "table", "column", "card",
                                      "match", "limit", "offset", "count", "after"});
  auto request = itemRequest(json, false);
  const auto rows = window(json);
  return ReferenceQuery{std::move(request), rows, after(json, rows)};
}

FreeReferenceQuery readFreeReferenceQuery(std::string_view body) {
  const Json json =
      readObject(body, {"field", "inventory", "match", "limit", "offset", "count", "after"});
  FreeReferenceQuery query{requiredText(json, "field"),
                           text(json, "inventory"),
                           json.contains("inventory") && !json["inventory"].is_null(),
                           text(json, "match"),
                           window(json),
                           std::nullopt};
  query.after = after(json, query.window);
  session::checkFreeField(query.field);
  return query;
}

ValidationQuery readValidationQuery(std::string_view body) {
  const Json json =
      readObject(body, {"field", "value", "build", "source", "section", "table", "column", "card"});
  session::ReferenceRequest request = itemRequest(json, true);
  return ValidationQuery{std::move(request), requiredText(json, "value"), flag(json, "build")};
}

FreeValidationQuery readFreeValidationQuery(std::string_view body) {
  const Json json = readObject(body, {"field", "value", "build"});
  FreeValidationQuery query{requiredText(json, "field"), requiredText(json, "value"),
                            flag(json, "build")};
  session::checkFreeField(query.field);
  return query;
}

RecentQuery readRecentQuery(std::string_view body) {
  const Json json =
      readObject(body, {"field", "kind", "source", "section", "table", "column", "card"});
  const std::u16string kind = text(json, "kind");
  if (kind == u"free") {
    for (const char* key : {"source", "section", "table", "column", "card"}) {
      if (json.contains(key)) {
        refuse(std::string("\"") + key + "\" is not taken with \"kind\": \"free\"");
      }
    }
    RecentQuery query{true, {}};
    query.request.field = requiredText(json, "field");
    session::checkFreeField(query.request.field);
    return query;
  }
  if (!kind.empty()) refuse("\"kind\" must be \"free\" or left out");
  return RecentQuery{false, itemRequest(json, true)};
}

}  // namespace tarn::server
