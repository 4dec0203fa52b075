#include "erp/providers/archive_record.h"

#include <cctype>
#include <optional>
#include <pugixml.hpp>
#include <string>

#include "tarnvelloc/automation/error.h"
#include "tarnvelloc/automation/text.h"

namespace tarn::erp::providers {
namespace {

using automation::ErrorCode;

[[noreturn]] void refuse(const std::string& reason) {
  automation::raise(ErrorCode::kComponentFailure, "archive record refused: " + reason);
}

bool isNamed(const pugi::xml_node& node, std::string_view name) {
  return automation::equalsIgnoringAsciiCase(automation::fromUtf8(node.name()),
                                             automation::fromUtf8(name));
}

// The text of an element that holds text alone (any mix of character data and CDATA).
std::string textContent(const pugi::xml_node& element) {
  std::string text;
  for (const auto& child : element.children()) {
    if (child.type() != pugi::node_pcdata && child.type() != pugi::node_cdata) {
      refuse(std::string("<") + element.name() + "> holds more than text");
    }
    text += child.value();
  }
  return text;
}

// The offset of the first '&' outside CDATA that starts no entity or character reference the
// XML standard defines, or npos. The parser would keep such an ampersand as text; a record
// written by the rules has none, so one means the record was not escaped.
std::size_t strayAmpersand(std::string_view text) {
  static constexpr std::string_view kEntities[] = {"amp;", "lt;", "gt;", "quot;", "apos;"};
  constexpr std::string_view kCdataStart = "<![CDATA[";
  for (std::size_t at = 0; at < text.size(); ++at) {
    if (text.substr(at).starts_with(kCdataStart)) {
      at = text.find("]]>", at);
      if (at == std::string_view::npos) return at;  // the parser reports the open section
      continue;
    }
    if (text[at] != '&') continue;
    const auto rest = text.substr(at + 1);
    bool known = false;
    for (const auto entity : kEntities) known = known || rest.starts_with(entity);
    if (!known && rest.starts_with('#')) {
      const bool hex = rest.size() > 1 && rest[1] == 'x';
      const std::size_t first = hex ? 2 : 1;
      std::size_t end = first;
      while (end < rest.size() && (hex ? std::isxdigit(static_cast<unsigned char>(rest[end]))
                                       : std::isdigit(static_cast<unsigned char>(rest[end])))) {
        ++end;
      }
      known = end > first && end < rest.size() && rest[end] == ';';
    }
    if (!known) return at;
  }
  return std::string_view::npos;
}

}  // namespace

ArchiveRecord parseArchiveRecord(std::u16string_view record) {
  // Line ends are not normalised and blank-only text is kept: the value must come back exactly.
  constexpr unsigned kOptions =
      pugi::parse_escapes | pugi::parse_cdata | pugi::parse_ws_pcdata_single;
  // The value is stored as UTF-8: text that cannot be converted exactly is refused, not altered.
  if (const auto at = automation::findUnpairedSurrogate(record); at != std::u16string_view::npos) {
    refuse("not well-formed UTF-16 (an unpaired surrogate at code unit " + std::to_string(at) +
           ")");
  }
  const std::string utf8 = automation::toUtf8(record);
  if (const auto at = strayAmpersand(utf8); at != std::string_view::npos) {
    refuse("not well-formed XML ('&' starts no entity or character reference at offset " +
           std::to_string(at) + ")");
  }
  pugi::xml_document document;
  const auto parsed = document.load_buffer(utf8.data(), utf8.size(), kOptions, pugi::encoding_utf8);
  if (!parsed) {
    refuse(std::string("not well-formed XML (") + parsed.description() + " at offset " +
           std::to_string(parsed.offset) + ")");
  }

  std::optional<pugi::xml_node> root;
  for (const auto& node : document.children()) {
    if (node.type() != pugi::node_element) continue;
    if (root) refuse("more than one top-level element");
    root = node;
  }
  if (!root || !isNamed(*root, "Userdefine")) refuse("the top-level element is not <Userdefine>");

  std::optional<std::string> itemId;
  std::optional<std::string> value;
  for (const auto& child : root->children()) {
    if (child.type() != pugi::node_element) refuse("<Userdefine> holds text outside its fields");
    std::optional<std::string>* field = nullptr;
    if (isNamed(child, "cId")) {
      field = &itemId;
    } else if (isNamed(child, "cValue")) {
      field = &value;
    } else {
      refuse(std::string("unexpected element <") + child.name() + ">");
    }
    if (*field) refuse(std::string("<") + child.name() + "> appears twice");
    *field = textContent(child);
  }
  if (!itemId) refuse("<cId> is missing");
  if (!value) refuse("<cValue> is missing");
  return {automation::fromUtf8(*itemId), automation::fromUtf8(*value)};
}

}  // namespace tarn::erp::providers
