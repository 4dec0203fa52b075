// Fixtures for the tests of ValidateAr, ValidateFreeAr and the archiving step: the rows the
// outside components answer with, the calls as the call log shows them, and a fault sweep that
// fails each call of a validation in turn.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "component/clsVelloc.h"
#include "tarnvelloc/automation/variant.h"
#include "tests/kit/fake_world.h"

namespace tarn::testing {

// Makes successive calls of `operation` answer with new record sets over `turns`, in order
// (made at the call, so the tracker sees when the component lets each go); calls beyond them
// get a set without rows.
void answerRowsInTurn(FakeWorld& world, FakeComponent& fake, std::u16string_view operation,
                      std::vector<Rows> turns);

Rows noRows();
// The money-column count: one row, one column.
Rows countRow(automation::Variant count);
// One row of a source table.
Rows sourceRow();
// One Vouchers row.
Rows voucherDefinitionRow(automation::Variant table, automation::Variant condition);
// One UserDefine row as the value and alias lookups read it.
Rows archivedValueRow(automation::Variant cValue, automation::Variant cAlias);
// One UserDef row as the definition query reads it.
Rows itemDefinitionRow(automation::Variant cId, automation::Variant cType,
                       automation::Variant iMaxLen);

// Call log lines: "<component>.OpenX(&"<sql>")", with `sql` written as the current revision
// writes it and logged as the revision under build writes it (revision.h), and the archive
// service's Add of `record`.
std::string openX(std::string_view component, std::string_view sql);
std::string addRecord(std::string_view record);
// Log lines joined as CallLog::text() joins them.
std::string logText(const std::vector<std::string>& lines);

struct ValidateArArgs {
  std::int16_t iDataSrcType = 0;
  std::int16_t iVoucherSec = 0;
  std::u16string sUserDefName = u"cdefine3";
  std::u16string sTableName;
  std::u16string sFieldName;
  std::u16string sUserDefVal = u"v1";
  std::u16string sCardNumber;
  bool bBuildAr = false;
};

struct ValidationOutcome {
  std::int16_t result;
  std::string value;  // the caller's value variable after the call, UTF-8
};

ValidationOutcome callValidateAr(velloc::clsVelloc& component, ValidateArArgs args);
ValidationOutcome callValidateFreeAr(velloc::clsVelloc& component, std::u16string_view name,
                                     std::u16string value, bool bBuildAr);

// One call of a validation that a sweep fails.
struct SweptCall {
  std::string line;            // the call as the log shows it on the path without faults
  std::int16_t codeWithBuild;  // the result when this call fails and bBuildAr is true
  int setsClosedBefore;        // record sets the path has closed before this call
};

struct SweepScenario {
  // Scripts the components of a new world.
  std::function<void(FakeWorld&)> script;
  // Calls the validation on a ready component.
  std::function<std::int16_t(velloc::clsVelloc&, bool bBuildAr)> validate;
  // Every call of the path with bBuildAr true, in order.
  std::vector<SweptCall> calls;
  // How many of them the path makes with bBuildAr false.
  std::size_t callsWithoutBuild;
};

// For bBuildAr false and true, checks the path without faults makes exactly the scenario's
// calls; then, for each call and each fault kind, fails that call in a new world and checks
// the result (-1 when bBuildAr is false), that nothing was called after it, that every record
// set was released and that none was closed beyond those the path closed before the failure.
void sweepFaults(const SweepScenario& scenario);

}  // namespace tarn::testing
