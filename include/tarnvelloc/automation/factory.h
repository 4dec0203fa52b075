// The component factory: the process-wide table that maps a ProgID to a class id and a class
// id to a creator, in place of the operating system's class registration. Modules register
// their classes; hosts (and the component's Init) create objects by ProgID.
//
// A creator may raise (the creation fails with its error) or may give a null reference (the
// creation "gave no object"; the caller decides what that means). Creating an unregistered
// ProgID raises kCannotCreateObject. ProgIDs are matched with ASCII case ignored.
// The table is not synchronised: register and create on one thread, as a single-apartment
// host does.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "tarnvelloc/automation/object.h"

namespace tarn::automation {

struct Guid {
  std::uint32_t data1 = 0;
  std::uint16_t data2 = 0;
  std::uint16_t data3 = 0;
  std::array<std::uint8_t, 8> data4{};

  // Parses "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (braces optional, hex in any case).
  static std::optional<Guid> parse(std::string_view text);
  // The braced upper-case form.
  std::string toString() const;

  friend auto operator<=>(const Guid&, const Guid&) = default;
};

using Creator = std::function<ObjectRef()>;
// A host's own class lookup by ProgID (a Windows host: the system's class registration).
using FallbackCreator = std::function<ObjectRef(std::u16string_view progId)>;

class ComponentRegistry {
 public:
  // The registry that CreateObject and the component's Init use.
  static ComponentRegistry& global();

  // Adds or replaces the class `clsid` under `progId`.
  void registerClass(std::u16string_view progId, const Guid& clsid, Creator creator);
  // Removes the class and every ProgID that names it. Unknown ids are ignored.
  void unregisterClass(const Guid& clsid);

  std::optional<Guid> classIdOf(std::u16string_view progId) const;
  bool isRegistered(const Guid& clsid) const;

  // Consulted by create(progId) only for a ProgID no class is registered under, in place of
  // raising kCannotCreateObject; it may raise or give null as a creator may. Null removes it.
  void setFallback(FallbackCreator fallback);

  // Creates an object of the class named by `progId`; see the file comment for failures.
  ObjectRef create(std::u16string_view progId) const;
  ObjectRef create(const Guid& clsid) const;

  // Saves and restores the whole table (tests use this to register fakes for one case).
  struct Snapshot {
    std::map<std::u16string, Guid> progIds;
    std::map<Guid, Creator> creators;
  };
  Snapshot snapshot() const;
  void restore(Snapshot snapshot);

 private:
  std::map<std::u16string, Guid> progIds_;  // key: lower-cased ProgID
  std::map<Guid, Creator> creators_;
  FallbackCreator fallback_;
};

// Creates an object by ProgID through the global registry.
ObjectRef CreateObject(std::u16string_view progId);

}  // namespace tarn::automation
