#include "session/velloc_host.h"

#include <mutex>

#include "tarnvelloc/automation/error.h"
#include "tarnvelloc/automation/factory.h"
#include "tarnvelloc/component/entry_points.h"
#include "tarnvelloc/erp/components.h"

namespace tarn::session {

using automation::Argument;
using automation::Variant;

VellocHost::VellocHost() {
  // The factory is not guarded for concurrent changes: register once per process, so that hosts
  // created later on other threads only read it.
  static std::once_flag registered;
  std::call_once(registered, [] {
    erp::registerComponents();
    velloc::DllRegisterServer();
  });
  component_ = automation::CreateObject(velloc::kProgId);
  if (!component_) {
    automation::raise(automation::ErrorCode::kCannotCreateObject, "TarnVelloc.clsVelloc");
  }
}

bool VellocHost::init(const std::u16string& connection, const std::u16string& userId) {
  return component_->call(u"Init", {Argument::byValue(connection), Argument::byValue(userId)})
      .toBoolean();
}

ReferenceAnswer VellocHost::callReference(std::u16string_view method,
                                          std::vector<Argument> arguments) {
  // A reference's lookups (layout, grants, join text) read as one, as a validation's do.
  const erp::ReadTogether oneRead;
  Variant sql(u""), columnSet(u""), width;
  arguments.push_back(Argument::byRef(sql));
  arguments.push_back(Argument::byRef(columnSet));
  arguments.push_back(Argument::byRef(width));
  ReferenceAnswer answer;
  answer.ok = component_->call(method, arguments).toBoolean();
  if (answer.ok) {
    answer.sql = sql.toString();
    answer.columnSet = columnSet.toString();
    answer.columnWidth = width;
  }
  return answer;
}

ReferenceAnswer VellocHost::reference(const ReferenceRequest& r) {
  return callReference(u"GetRefSQL", {Argument::byValue(r.source), Argument::byValue(r.section),
                                      Argument::byValue(r.field), Argument::byValue(r.table),
                                      Argument::byValue(r.column), Argument::byValue(r.card),
                                      Argument::byValue(r.match)});
}

ReferenceAnswer VellocHost::freeReference(const std::u16string& field,
                                          const std::u16string& match) {
  return callReference(u"GetFreeRefSQL", {Argument::byValue(field), Argument::byValue(match)});
}

ReferenceAnswer VellocHost::structuredFreeReference(const std::u16string& inventory,
                                                    const std::u16string& field,
                                                    const std::u16string& match) {
  return callReference(u"GetStruFreeRefSQL", {Argument::byValue(inventory),
                                              Argument::byValue(field), Argument::byValue(match)});
}

ValidationAnswer VellocHost::validate(const ReferenceRequest& r, const std::u16string& value,
                                      bool build) {
  // A validation's lookups read as one: one lock and one look at the file for all of them.
  const erp::ReadTogether oneRead;
  Variant returned(value);
  const Variant code =
      component_->call(u"ValidateAr", {Argument::byValue(r.source), Argument::byValue(r.section),
                                       Argument::byValue(r.field), Argument::byValue(r.table),
                                       Argument::byValue(r.column), Argument::byRef(returned),
                                       Argument::byValue(r.card), Argument::byValue(build)});
  return ValidationAnswer{code.toInteger(), value, returned.toString()};
}

ValidationAnswer VellocHost::validateFree(const std::u16string& field, const std::u16string& value,
                                          bool build) {
  const erp::ReadTogether oneRead;
  Variant returned(value);
  const Variant code = component_->call(
      u"ValidateFreeAr",
      {Argument::byValue(field), Argument::byRef(returned), Argument::byValue(build)});
  return ValidationAnswer{code.toInteger(), value, returned.toString()};
}

}  // namespace tarn::session
