#include "tarnvelloc/component/entry_points.h"

#include <atomic>
#include <memory>

#include "component/clsVelloc.h"
#include "component/dispatch_face.h"
#include "tarnvelloc/automation/dispatch_object.h"

namespace tarn::velloc {
namespace {

using automation::Argument;
using automation::ObjectRef;
using automation::Variant;

std::atomic<long> factoryLockCount{0};

ObjectRef createInstance() { return makeDispatchFace(std::make_shared<clsVelloc>()); }

ObjectRef makeClassFactory() {
  return std::make_shared<automation::DispatchObject>(std::vector<automation::Operation>{
      automation::method(u"CreateInstance", 0,
                         [](std::span<Argument>) { return Variant(createInstance()); }),
      automation::method(u"LockServer", 1,
                         [](std::span<Argument> args) {
                           if (args[0].value().toBoolean()) {
                             ++factoryLockCount;
                           } else if (factoryLockCount > 0) {
                             --factoryLockCount;
                           }
                           return Variant();
                         }),
  });
}

}  // namespace

HResult DllRegisterServer() {
  automation::ComponentRegistry::global().registerClass(kProgId, kClassId, createInstance);
  return kOk;
}

HResult DllUnregisterServer() {
  automation::ComponentRegistry::global().unregisterClass(kClassId);
  return kOk;
}

HResult DllGetClassObject(const automation::Guid& clsid, ObjectRef& factory) {
  if (clsid != kClassId) return kClassNotAvailable;
  factory = makeClassFactory();
  return kOk;
}

HResult DllCanUnloadNow() {
  return clsVelloc::liveObjects() == 0 && factoryLockCount == 0 ? kOk : kFalse;
}

}  // namespace tarn::velloc
