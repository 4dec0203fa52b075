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

std::atomic<long> g_factoryLocks{0};

ObjectRef createInstance() { return makeDispatchFace(std::make_shared<clsVelloc>()); }

ObjectRef makeClassFactory() {
  return std::make_shared<automation::DispatchObject>(std::vector<automation::Operation>{
      automation::method(u"CreateInstance", 0,
                         [](std::span<Argument>) { return Variant(createInstance()); }),
      automation::method(u"LockServer", 1,
                         [](std::span<Argument> args) {
                           if (args[0].value().toBoolean()) {
                             ++g_factoryLocks;
                           } else if (g_factoryLocks > 0) {
                             --g_factoryLocks;
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
  return clsVelloc::liveObjects() == 0 && g_factoryLocks == 0 ? kOk : kFalse;
}

}  // namespace tarn::velloc
