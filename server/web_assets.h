// The page velloc serve answers (cli/web/), built into the binary so that the server needs no
// files beside it and the page needs nothing from elsewhere.
#pragma once

#include <span>
#include <string_view>

namespace tarn::server {

struct WebAsset {
  std::string_view path;  // "/index.html", "/app.js", "/app.css"
  std::string_view contentType;
  std::string_view body;
};

std::span<const WebAsset> webAssets();

}  // namespace tarn::server
