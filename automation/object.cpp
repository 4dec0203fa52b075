#include "tarnvelloc/automation/object.h"

#include "tarnvelloc/automation/error.h"

namespace tarn::automation {

Variant Object::call(std::u16string_view name, std::span<Argument> args) {
  return invoke(idOfName(name), CallKind::Call, args);
}

Variant Object::call(std::u16string_view name, std::initializer_list<Argument> args) {
  std::vector<Argument> copy(args);
  return call(name, std::span<Argument>(copy));
}

Variant callOn(const ObjectRef& object, std::u16string_view name,
               std::initializer_list<Argument> args) {
  if (!object) raise(ErrorCode::kObjectNotSet);
  return object->call(name, args);
}

}  // namespace tarn::automation
