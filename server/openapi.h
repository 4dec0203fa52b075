// The OpenAPI document of velloc serve's API (GET /api/openapi.json). Its schemas are the answer
// schemas of velloc --json (cli/schemas) and the request schemas of server/api, built into the
// binary and joined into components.schemas, each under its file's name less ".schema.json" (or
// less ".json"): "ref", "error", "ref.request". Their references to one another become references
// into the document.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace tarn::server {

struct EmbeddedSchema {
  std::string_view file;  // "ref.schema.json", "ref.request.json"
  std::string_view text;
};

std::span<const EmbeddedSchema> embeddedSchemas();

// The schema's name among the components: "ref.schema.json" gives "ref", "ref.request.json"
// "ref.request".
std::string componentName(std::string_view file);

// The document as served: composed on first use, then kept.
const std::string& openApiDocument();

}  // namespace tarn::server
