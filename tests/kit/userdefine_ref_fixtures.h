// Fixtures for the tests of user-defined item references: scripting the outside components
// with record sets made afresh on every call (so the tracker sees when the component lets one
// go), and calling GetRefSQL with outputs that start as the caller's (reference_outputs.h).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "component/clsVelloc.h"
#include "tarnvelloc/automation/variant.h"
#include "tests/kit/fake_world.h"
#include "tests/kit/reference_outputs.h"

namespace tarn::testing {

// Makes `operation` of `fake` answer every call with a new record set over `rows`.
void answerRows(FakeWorld& world, FakeComponent& fake, std::u16string_view operation, Rows rows);

// One Vouchers row as ReadVoucherDef reads it.
Rows voucherRow(automation::Variant table, automation::Variant condition);
// A column set with one cCaption row per value.
Rows captionRows(const std::vector<automation::Variant>& captions);
// A GetFieldNames answer with one (FieldName, fielddef) row per pair.
Rows fieldRows(std::initializer_list<std::pair<automation::Variant, automation::Variant>> rows);

struct RefSqlArgs {
  std::int16_t iDataSrcType = 0;
  std::int16_t iVoucherSec = 0;
  std::u16string sUserDefName = u"cdefine3";
  std::u16string sTableName;
  std::u16string sFieldName;
  std::u16string sCardNumber;
  std::u16string sMatchVal;
};

struct RefSqlOutcome {
  bool result;
  ReferenceOutputs outputs;

  // As referenceOutcome() shows it.
  std::string text() const { return referenceOutcome(result, outputs); }
};

RefSqlOutcome callGetRefSQL(velloc::clsVelloc& component, const RefSqlArgs& args);

}  // namespace tarn::testing
