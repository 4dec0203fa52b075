#include "component/dispatch_face.h"

#include <span>
#include <vector>

#include "tarnvelloc/automation/dispatch_object.h"

namespace tarn::velloc {
namespace {

using automation::Argument;
using automation::DispatchObject;
using automation::ObjectRef;
using automation::Operation;
using automation::Variant;
using Args = std::span<Argument>;

std::u16string text(const Argument& arg) { return arg.value().toString(); }
std::int16_t integer(const Argument& arg) { return arg.value().toInteger(); }
bool boolean(const Argument& arg) { return arg.value().toBoolean(); }

// A String parameter passed by reference: the method works on a string; the caller's Variant
// receives the string back when the method changed it, or when `force` is set.
class StringOut {
 public:
  explicit StringOut(Argument& arg) : arg_(arg), original_(text(arg)), value_(original_) {}
  std::u16string& value() { return value_; }
  void writeBack(bool force = false) {
    if (force || value_ != original_) arg_.value() = Variant(value_);
  }

 private:
  Argument& arg_;
  std::u16string original_;
  std::u16string value_;
};

class DispatchFace final : public DispatchObject {
 public:
  explicit DispatchFace(std::shared_ptr<_clsVelloc> object) : object_(std::move(object)) {
    declare(operations());
  }

 private:
  Operation getter(std::u16string name, automation::DispId id, ObjectRef (_clsVelloc::*get)()) {
    return automation::method(
        std::move(name), 0, [this, get](Args) { return Variant(((*object_).*get)()); }, id);
  }

  Operation setter(std::u16string name, automation::DispId id,
                   void (_clsVelloc::*set)(const ObjectRef&)) {
    return automation::propertySet(
        std::move(name),
        [this, set](Args args) {
          ((*object_).*set)(args[0].value().toObject());
          return Variant();
        },
        id);
  }

  std::vector<Operation> operations() {
    using automation::method;
    return {
        getter(u"g_oArDbSrv", kDispIdArDbSrv, &_clsVelloc::get_g_oArDbSrv),
        setter(u"g_oArDbSrv", kDispIdArDbSrv, &_clsVelloc::putref_g_oArDbSrv),
        getter(u"g_oVoDbSrv", kDispIdVoDbSrv, &_clsVelloc::get_g_oVoDbSrv),
        setter(u"g_oVoDbSrv", kDispIdVoDbSrv, &_clsVelloc::putref_g_oVoDbSrv),
        getter(u"g_ColSet", kDispIdColSet, &_clsVelloc::get_g_ColSet),
        setter(u"g_ColSet", kDispIdColSet, &_clsVelloc::putref_g_ColSet),
        getter(u"g_oRowAuth", kDispIdRowAuth, &_clsVelloc::get_g_oRowAuth),
        setter(u"g_oRowAuth", kDispIdRowAuth, &_clsVelloc::putref_g_oRowAuth),
        method(
            u"Init", 2, [this](Args a) { return Variant(object_->Init(text(a[0]), text(a[1]))); },
            kDispIdInit),
        method(
            u"GetRefSQL", 10, [this](Args a) { return getRefSql(a); }, kDispIdGetRefSQL),
        method(
            u"ValidateAr", 8, [this](Args a) { return validateAr(a); }, kDispIdValidateAr),
        method(
            u"GetFreeRefSQL", 5, [this](Args a) { return getFreeRefSql(a); }, kDispIdGetFreeRefSQL),
        method(
            u"ValidateFreeAr", 3, [this](Args a) { return validateFreeAr(a); },
            kDispIdValidateFreeAr),
        method(
            u"GetStruFreeRefSQL", 6, [this](Args a) { return getStruFreeRefSql(a); },
            kDispIdGetStruFreeRefSQL),
    };
  }

  Variant getRefSql(Args a) {
    StringOut sql(a[7]);
    StringOut colSet(a[8]);
    const bool ok =
        object_->GetRefSQL(integer(a[0]), integer(a[1]), text(a[2]), text(a[3]), text(a[4]),
                           text(a[5]), text(a[6]), sql.value(), colSet.value(), a[9].value());
    sql.writeBack(ok);
    colSet.writeBack(ok);
    return Variant(ok);
  }

  Variant validateAr(Args a) {
    StringOut value(a[5]);
    const std::int16_t code =
        object_->ValidateAr(integer(a[0]), integer(a[1]), text(a[2]), text(a[3]), text(a[4]),
                            value.value(), text(a[6]), boolean(a[7]));
    value.writeBack();
    return Variant(code);
  }

  Variant getFreeRefSql(Args a) {
    StringOut sql(a[2]);
    StringOut colSet(a[3]);
    const bool ok =
        object_->GetFreeRefSQL(text(a[0]), text(a[1]), sql.value(), colSet.value(), a[4].value());
    sql.writeBack(ok);
    colSet.writeBack(ok);
    return Variant(ok);
  }

  Variant validateFreeAr(Args a) {
    StringOut value(a[1]);
    const std::int16_t code = object_->ValidateFreeAr(text(a[0]), value.value(), boolean(a[2]));
    value.writeBack();
    return Variant(code);
  }

  Variant getStruFreeRefSql(Args a) {
    StringOut sql(a[3]);
    StringOut colSet(a[4]);
    const bool ok = object_->GetStruFreeRefSQL(text(a[0]), text(a[1]), text(a[2]), sql.value(),
                                               colSet.value(), a[5].value());
    sql.writeBack(ok);
    colSet.writeBack(ok);
    return Variant(ok);
  }

  std::shared_ptr<_clsVelloc> object_;
};

}  // namespace

ObjectRef makeDispatchFace(std::shared_ptr<_clsVelloc> object) {
  return std::make_shared<DispatchFace>(std::move(object));
}

}  // namespace tarn::velloc
