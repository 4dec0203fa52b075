#include "server/openapi.h"

#include <map>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <utility>

namespace tarn::server {
namespace {

using Json = nlohmann::ordered_json;

constexpr const char* kComponents = "#/components/schemas/";

// Every "$ref" of `schema` (a file name, a pointer within `file`, or both) pointed into the
// document's components instead.
void pointIntoDocument(Json& schema, const std::string& file) {
  if (schema.is_array()) {
    for (Json& item : schema) pointIntoDocument(item, file);
    return;
  }
  if (!schema.is_object()) return;
  for (auto& [key, value] : schema.items()) {
    if (key == "$ref" && value.is_string()) {
      const std::string ref = value.get<std::string>();
      const auto hash = ref.find('#');
      const std::string target = hash == 0 ? file : ref.substr(0, hash);
      const std::string pointer = hash == std::string::npos ? "" : ref.substr(hash + 1);
      value = kComponents + componentName(target) + pointer;
    } else {
      pointIntoDocument(value, file);
    }
  }
}

Json components() {
  Json schemas = Json::object();
  for (const EmbeddedSchema& embedded : embeddedSchemas()) {
    Json schema = Json::parse(embedded.text);
    const std::string file(embedded.file);
    if (schema.value("$id", "") != file) {
      throw std::logic_error(file + ": its $id is not its file name");
    }
    schema.erase("$id");
    schema.erase("$schema");
    pointIntoDocument(schema, file);
    schemas[componentName(file)] = std::move(schema);
  }
  return schemas;
}

Json schemaRef(const std::string& name) { return Json{{"$ref", kComponents + name}}; }

Json jsonContent(const std::string& schema) {
  return Json{{"application/json", {{"schema", schemaRef(schema)}}}};
}

Json answer(const std::string& description, const std::string& schema) {
  return Json{{"description", description}, {"content", jsonContent(schema)}};
}

// The refusals every API path can give before its work begins (401 only where someone must be
// signed in), and the server's own failures.
Json refusals(bool post, bool signedIn) {
  Json responses{
      {"403", answer("cross-site request refused (Origin or Sec-Fetch-Site)", "error")},
      {"405",
       answer("the path does not take this method (Allow names the ones it takes)", "error")},
      {"408", answer("the request did not arrive whole in time", "error")},
      {"421", answer("a Host the server does not answer to", "error")},
      {"431", answer("the request head is too large", "error")},
      {"500", answer("the server failed", "error")},
      {"503", answer("too many connections", "error")},
  };
  if (signedIn) responses["401"] = Json{{"$ref", "#/components/responses/unauthorised"}};
  if (post) responses["415"] = answer("the body is not sent as application/json", "error");
  return responses;
}

// An operation with `specific` answers besides the refusals, listed by status.
Json operation(Json fields, const Json& specific, bool post, bool signedIn) {
  Json all = refusals(post, signedIn);
  all.update(specific);
  std::map<std::string, Json> byStatus;
  for (auto& [status, response] : all.items()) byStatus[status] = std::move(response);
  Json responses = Json::object();
  for (const auto& [status, response] : byStatus) responses[status] = response;
  fields["responses"] = std::move(responses);
  if (!signedIn) fields["security"] = Json::array();
  return Json{{post ? "post" : "get", std::move(fields)}};
}

// A POST of the component's: its request, its answer (also with a database failure, 503), and
// a usage error (400) for a request it cannot take.
Json componentCall(const std::string& name, const std::string& summary) {
  return operation(
      {{"operationId", name},
       {"summary", summary},
       {"requestBody", {{"required", true}, {"content", jsonContent(name + ".request")}}}},
      {{"200", answer("the component's answer", name)},
       {"400", answer("the request cannot be taken: the message says why", "error")},
       {"503", answer("the database failed, or too many connections: the answer carries the "
                      "error (and, when the component answered, the rest of the answer)",
                      name)}},
      true, true);
}

Json recentPath() {
  return operation(
      {{"operationId", "recent"},
       {"summary", "the values the signed-in person chose lately for an item"},
       {"requestBody", {{"required", true}, {"content", jsonContent("recent.request")}}}},
      {{"200", answer("the person's values of the item, the most recent first", "recent")},
       {"400", answer("the request cannot be taken: the message says why", "error")},
       {"503", answer("the database failed, or too many connections", "error")}},
      true, true);
}

Json signInPath() {
  return operation(
      {{"operationId", "sign-in"},
       {"summary", "sign a person of the people file in"},
       {"requestBody", {{"required", true}, {"content", jsonContent("sign-in.request")}}}},
      {{"200", answer("signed in: the session cookie is set", "sign-in")},
       {"400", answer("the body is not {\"name\", \"password\"}", "error")},
       {"401", answer("wrong name or password", "error")},
       {"404", answer("the server has no people file", "error")},
       {"429", answer("too many failed sign-ins from this address or for this name", "error")}},
      true, false);
}

Json signOutPath() {
  return operation(
      {{"operationId", "sign-out"}, {"summary", "end the session of the cookie sent, if any"}},
      {{"200", answer("signed out: the session cookie is cleared", "sign-out")}}, true, false);
}

Json sessionPath() {
  return operation({{"operationId", "session"}, {"summary", "who the request acts for"}},
                   {{"200", answer("who the request acts for", "session")}}, false, true);
}

Json documentPath() {
  return operation({{"operationId", "openapi"}, {"summary", "the OpenAPI document of this API"}},
                   {{"200",
                     {{"description", "this document"},
                      {"content", {{"application/json", {{"schema", {{"type", "object"}}}}}}}}}},
                   false, false);
}

Json compose() {
  Json paths{
      {"/api/ref", componentCall("ref", "a user-defined item's reference and pick-list")},
      {"/api/free-ref", componentCall("free-ref", "a free item's reference and pick-list")},
      {"/api/validate", componentCall("validate", "check a user-defined item's typed value")},
      {"/api/validate-free", componentCall("validate-free", "check a free item's typed value")},
      {"/api/recent", recentPath()},
      {"/api/sign-in", signInPath()},
      {"/api/sign-out", signOutPath()},
      {"/api/session", sessionPath()},
      {"/api/openapi.json", documentPath()},
  };
  return Json{{"openapi", "3.1.0"},
              {"info",
               {{"title", "velloc serve"},
                {"version", "1"},
                {"description",
                 "The JSON API of velloc serve: the component's references and validations "
                 "of one ERP database, each run under the ERP user id of the person it "
                 "acts for. Every answer is one JSON object."}}},
              {"jsonSchemaDialect", "https://json-schema.org/draft/2020-12/schema"},
              {"security", Json::array({{{"bearer", Json::array()}}, {{"cookie", Json::array()}}})},
              {"paths", std::move(paths)},
              {"components",
               {{"schemas", components()},
                {"responses",
                 {{"unauthorised",
                   {{
                        "description",
                        "nobody signed in: sign in, or send a bearer token",
                    },
                    {"headers", {{"WWW-Authenticate", {{"schema", {{"const", "Bearer"}}}}}}},
                    {"content", jsonContent("error")}}}}},
                {"securitySchemes",
                 {{"bearer",
                   {{"type", "http"},
                    {"scheme", "bearer"},
                    {"description",
                     "the single-user token velloc serve prints at start, or a token "
                     "of velloc user token"}}},
                  {"cookie",
                   {{"type", "apiKey"},
                    {"in", "cookie"},
                    {"name", "velloc_session"},
                    {"description",
                     "the session of POST /api/sign-in, or of opening the address "
                     "velloc serve printed (single-user)"}}}}}}}};
}

}  // namespace

std::string componentName(std::string_view file) {
  for (const std::string_view suffix : {".schema.json", ".json"}) {
    if (file.ends_with(suffix)) return std::string(file.substr(0, file.size() - suffix.size()));
  }
  return std::string(file);
}

const std::string& openApiDocument() {
  static const std::string document = compose().dump(2) + "\n";
  return document;
}

}  // namespace tarn::server
