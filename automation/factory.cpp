#include "tarnvelloc/automation/factory.h"

#include <cstdio>

#include "tarnvelloc/automation/error.h"
#include "tarnvelloc/automation/text.h"

namespace tarn::automation {
namespace {

bool parseHex(std::string_view text, std::uint64_t& out) {
  out = 0;
  for (char c : text) {
    int digit;
    if (c >= '0' && c <= '9')
      digit = c - '0';
    else if (c >= 'a' && c <= 'f')
      digit = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
      digit = c - 'A' + 10;
    else
      return false;
    out = out * 16 + static_cast<std::uint64_t>(digit);
  }
  return !text.empty();
}

}  // namespace

std::optional<Guid> Guid::parse(std::string_view text) {
  if (text.size() == 38 && text.front() == '{' && text.back() == '}') {
    text = text.substr(1, 36);
  }
  if (text.size() != 36 || text[8] != '-' || text[13] != '-' || text[18] != '-' ||
      text[23] != '-') {
    return std::nullopt;
  }
  Guid g;
  std::uint64_t v = 0;
  if (!parseHex(text.substr(0, 8), v)) return std::nullopt;
  g.data1 = static_cast<std::uint32_t>(v);
  if (!parseHex(text.substr(9, 4), v)) return std::nullopt;
  g.data2 = static_cast<std::uint16_t>(v);
  if (!parseHex(text.substr(14, 4), v)) return std::nullopt;
  g.data3 = static_cast<std::uint16_t>(v);
  const std::string_view tail[] = {text.substr(19, 2), text.substr(21, 2), text.substr(24, 2),
                                   text.substr(26, 2), text.substr(28, 2), text.substr(30, 2),
                                   text.substr(32, 2), text.substr(34, 2)};
  for (std::size_t i = 0; i < 8; ++i) {
    if (!parseHex(tail[i], v)) return std::nullopt;
    g.data4[i] = static_cast<std::uint8_t>(v);
  }
  return g;
}

std::string Guid::toString() const {
  char buffer[39];
  std::snprintf(buffer, sizeof buffer, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                static_cast<unsigned>(data1), data2, data3, data4[0], data4[1], data4[2], data4[3],
                data4[4], data4[5], data4[6], data4[7]);
  return buffer;
}

ComponentRegistry& ComponentRegistry::global() {
  static ComponentRegistry registry;
  return registry;
}

void ComponentRegistry::registerClass(std::u16string_view progId, const Guid& clsid,
                                      Creator creator) {
  progIds_[asciiLower(progId)] = clsid;
  creators_[clsid] = std::move(creator);
}

void ComponentRegistry::unregisterClass(const Guid& clsid) {
  creators_.erase(clsid);
  std::erase_if(progIds_, [&](const auto& entry) { return entry.second == clsid; });
}

std::optional<Guid> ComponentRegistry::classIdOf(std::u16string_view progId) const {
  const auto it = progIds_.find(asciiLower(progId));
  if (it == progIds_.end()) return std::nullopt;
  return it->second;
}

bool ComponentRegistry::isRegistered(const Guid& clsid) const { return creators_.contains(clsid); }

void ComponentRegistry::setFallback(FallbackCreator fallback) { fallback_ = std::move(fallback); }

ObjectRef ComponentRegistry::create(std::u16string_view progId) const {
  const auto clsid = classIdOf(progId);
  if (!clsid && fallback_) {
    const FallbackCreator fallback = fallback_;  // it may re-enter the registry
    return fallback(progId);
  }
  if (!clsid) raise(ErrorCode::kCannotCreateObject, toUtf8(progId));
  return create(*clsid);
}

ObjectRef ComponentRegistry::create(const Guid& clsid) const {
  const auto it = creators_.find(clsid);
  if (it == creators_.end()) raise(ErrorCode::kCannotCreateObject, clsid.toString());
  const Creator creator = it->second;  // a creator may re-enter the registry
  return creator();
}

ComponentRegistry::Snapshot ComponentRegistry::snapshot() const {
  return Snapshot{progIds_, creators_};
}

void ComponentRegistry::restore(Snapshot snapshot) {
  progIds_ = std::move(snapshot.progIds);
  creators_ = std::move(snapshot.creators);
}

ObjectRef CreateObject(std::u16string_view progId) {
  return ComponentRegistry::global().create(progId);
}

}  // namespace tarn::automation
