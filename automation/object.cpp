#include "tarnvelloc/automation/object.h"

#include <cstddef>
#include <new>

#include "tarnvelloc/automation/error.h"

namespace tarn::automation {
namespace {

// The callee's own copies of a call's arguments (it may change a by-value copy), kept on the
// stack for the counts the outside components' operations take.
class ArgumentCopies {
 public:
  static constexpr std::size_t kCapacity = 6;

  explicit ArgumentCopies(std::initializer_list<Argument> args) {
    for (const auto& arg : args) {
      new (storage_ + count_ * sizeof(Argument)) Argument(arg);
      ++count_;
    }
  }
  ArgumentCopies(const ArgumentCopies&) = delete;
  ArgumentCopies& operator=(const ArgumentCopies&) = delete;
  ~ArgumentCopies() {
    while (count_ > 0) slot(--count_)->~Argument();
  }

  std::span<Argument> span() {
    return count_ == 0 ? std::span<Argument>() : std::span(slot(0), count_);
  }

 private:
  Argument* slot(std::size_t index) {
    return std::launder(reinterpret_cast<Argument*>(storage_ + index * sizeof(Argument)));
  }

  alignas(Argument) std::byte storage_[kCapacity * sizeof(Argument)];
  std::size_t count_ = 0;
};

}  // namespace

Variant Object::call(std::u16string_view name, std::span<Argument> args) {
  return invoke(idOfName(name), CallKind::Call, args);
}

Variant Object::call(std::u16string_view name, std::initializer_list<Argument> args) {
  if (args.size() > ArgumentCopies::kCapacity) {
    std::vector<Argument> copy(args);
    return call(name, std::span<Argument>(copy));
  }
  ArgumentCopies copies(args);
  return call(name, copies.span());
}

Variant callOn(const ObjectRef& object, std::u16string_view name,
               std::initializer_list<Argument> args) {
  if (!object) raise(ErrorCode::kObjectNotSet);
  return object->call(name, args);
}

}  // namespace tarn::automation
