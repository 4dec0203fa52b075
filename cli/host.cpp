#include "cli/host.h"

#include <mutex>

#include "tarnvelloc/automation/error.h"
#include "tarnvelloc/automation/factory.h"
#include "tarnvelloc/component/entry_points.h"
#include "tarnvelloc/erp/components.h"

namespace tarn::cli {

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

namespace {

ReferenceAnswer answerFrom(const Variant& ok, const Variant& sql, const Variant& colSet,
                           const Variant& width) {
  ReferenceAnswer answer;
  answer.ok = ok.toBoolean();
  if (answer.ok) {
    answer.sql = sql.toString();
    answer.columnSet = colSet.toString();
    answer.columnWidth = width;
  }
  return answer;
}

}  // namespace

ReferenceAnswer VellocHost::reference(const ReferenceRequest& r) {
  Variant sql(u""), colSet(u""), width;
  const Variant ok =
      component_->call(u"GetRefSQL", {Argument::byValue(r.source), Argument::byValue(r.section),
                                      Argument::byValue(r.field), Argument::byValue(r.table),
                                      Argument::byValue(r.column), Argument::byValue(r.card),
                                      Argument::byValue(r.match), Argument::byRef(sql),
                                      Argument::byRef(colSet), Argument::byRef(width)});
  return answerFrom(ok, sql, colSet, width);
}

ReferenceAnswer VellocHost::freeReference(const std::u16string& field,
                                          const std::u16string& match) {
  Variant sql(u""), colSet(u""), width;
  const Variant ok = component_->call(
      u"GetFreeRefSQL", {Argument::byValue(field), Argument::byValue(match), Argument::byRef(sql),
                         Argument::byRef(colSet), Argument::byRef(width)});
  return answerFrom(ok, sql, colSet, width);
}

ReferenceAnswer VellocHost::structuredFreeReference(const std::u16string& inventory,
                                                    const std::u16string& field,
                                                    const std::u16string& match) {
  Variant sql(u""), colSet(u""), width;
  const Variant ok = component_->call(
      u"GetStruFreeRefSQL",
      {Argument::byValue(inventory), Argument::byValue(field), Argument::byValue(match),
       Argument::byRef(sql), Argument::byRef(colSet), Argument::byRef(width)});
  return answerFrom(ok, sql, colSet, width);
}

ValidationAnswer VellocHost::validate(const ReferenceRequest& r, const std::u16string& value,
                                      bool build) {
  Variant typed(value);
  const Variant code =
      component_->call(u"ValidateAr", {Argument::byValue(r.source), Argument::byValue(r.section),
                                       Argument::byValue(r.field), Argument::byValue(r.table),
                                       Argument::byValue(r.column), Argument::byRef(typed),
                                       Argument::byValue(r.card), Argument::byValue(build)});
  return ValidationAnswer{code.toInteger(), value, typed.toString()};
}

ValidationAnswer VellocHost::validateFree(const std::u16string& field, const std::u16string& value,
                                          bool build) {
  Variant typed(value);
  const Variant code = component_->call(
      u"ValidateFreeAr",
      {Argument::byValue(field), Argument::byRef(typed), Argument::byValue(build)});
  return ValidationAnswer{code.toInteger(), value, typed.toString()};
}

}  // namespace tarn::cli
