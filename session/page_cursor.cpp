#include "session/page_cursor.h"

#include <sodium.h>

#include <nlohmann/json.hpp>

#include "session/failure.h"
#include "tarnvelloc/automation/text.h"

namespace tarn::session {
namespace {

using automation::fromUtf8;
using automation::toUtf8;
using Json = nlohmann::json;

// Far more than any pick-list row's key; a longer text is refused before it is decoded.
constexpr std::size_t kLongestCursor = 256 * 1024;
constexpr int kBase64 = sodium_base64_VARIANT_URLSAFE_NO_PADDING;

[[noreturn]] void refuseCursor() {
  refuseUsage(
      "the cursor is not one this list gave: pass the \"next\" of the previous answer of the same "
      "item and match as it came");
}

// Each part is preceded by its length, so that no two different lists and keys hash alike.
void hashPart(crypto_generichash_state& state, std::string_view part) {
  const std::string length = std::to_string(part.size()) + ":";
  crypto_generichash_update(&state, reinterpret_cast<const unsigned char*>(length.data()),
                            length.size());
  crypto_generichash_update(&state, reinterpret_cast<const unsigned char*>(part.data()),
                            part.size());
}

std::string sealOf(std::u16string_view sql, std::u16string_view match, const erp::OrderKey& key) {
  crypto_generichash_state state;
  unsigned char digest[16];
  crypto_generichash_init(&state, nullptr, 0, sizeof digest);
  hashPart(state, "tarnvelloc pick-list cursor 1");
  hashPart(state, toUtf8(sql));
  hashPart(state, toUtf8(match));
  hashPart(state, std::to_string(key.rank));
  for (const auto& text : key.texts) hashPart(state, toUtf8(text));
  crypto_generichash_final(&state, digest, sizeof digest);
  char hex[sizeof digest * 2 + 1];
  sodium_bin2hex(hex, sizeof hex, digest, sizeof digest);
  return hex;
}

}  // namespace

std::string makePageCursor(std::u16string_view sql, std::u16string_view match,
                           const erp::OrderKey& key) {
  Json texts = Json::array();
  for (const auto& text : key.texts) texts.push_back(toUtf8(text));
  const std::string json =
      Json{{"r", key.rank}, {"k", std::move(texts)}, {"s", sealOf(sql, match, key)}}.dump();
  std::string encoded(sodium_base64_ENCODED_LEN(json.size(), kBase64), '\0');
  sodium_bin2base64(encoded.data(), encoded.size(),
                    reinterpret_cast<const unsigned char*>(json.data()), json.size(), kBase64);
  encoded.resize(encoded.find('\0'));
  return encoded;
}

PageCursor readPageCursor(std::string_view text) {
  if (text.empty() || text.size() > kLongestCursor) refuseCursor();
  std::string decoded(text.size(), '\0');
  std::size_t length = 0;
  if (sodium_base642bin(reinterpret_cast<unsigned char*>(decoded.data()), decoded.size(),
                        text.data(), text.size(), nullptr, &length, nullptr, kBase64) != 0) {
    refuseCursor();
  }
  decoded.resize(length);
  const Json json = Json::parse(decoded, nullptr, false);
  if (!json.is_object() || json.size() != 3 || !json.contains("r") || !json.contains("k") ||
      !json.contains("s")) {
    refuseCursor();
  }
  const Json& rank = json["r"];
  const Json& texts = json["k"];
  const Json& seal = json["s"];
  if (!rank.is_number_integer() || rank.get<long long>() < 0 || rank.get<long long>() > 2 ||
      !texts.is_array() || texts.empty() || !seal.is_string()) {
    refuseCursor();
  }
  PageCursor cursor{erp::OrderKey{rank.get<int>(), {}}, seal.get<std::string>()};
  for (const auto& piece : texts) {
    if (!piece.is_string()) refuseCursor();
    cursor.key.texts.push_back(fromUtf8(piece.get<std::string>()));
  }
  return cursor;
}

std::optional<PageCursor> readContinuation(const std::optional<std::string>& after,
                                           std::size_t offset, std::string_view afterName,
                                           std::string_view offsetName) {
  if (!after) return std::nullopt;
  if (offset != 0) {
    refuseUsage(std::string(afterName) + " continues after the rows a cursor ends; it takes no " +
                std::string(offsetName) + " other than 0");
  }
  return readPageCursor(*after);
}

erp::OrderKey cursorKeyFor(const PageCursor& cursor, std::u16string_view sql,
                           std::u16string_view match) {
  const std::string expected = sealOf(sql, match, cursor.key);
  if (cursor.seal.size() != expected.size() ||
      sodium_memcmp(cursor.seal.data(), expected.data(), expected.size()) != 0) {
    refuseCursor();
  }
  return cursor.key;
}

}  // namespace tarn::session
