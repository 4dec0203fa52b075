// Fixtures for the tests of user-defined item references: scripting the outside components
// with record sets made afresh on every call (so the tracker sees when the component lets one
// go), and calling GetRefSQL with outputs that start as recognisable caller values.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "component/clsVelloc.h"
#include "tarnvelloc/automation/variant.h"
#include "tests/kit/fake_world.h"

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

// What the caller's three output variables hold before the call.
inline constexpr char16_t kCallerSql[] = u"caller sql";
inline constexpr char16_t kCallerColumnSet[] = u"caller columns";
inline const automation::Variant kCallerColumnWidth = automation::Variant(std::int32_t{7});

struct RefSqlOutcome {
  bool result;
  std::u16string sRefSql;
  std::u16string sRefColSet;
  automation::Variant sRefColWidth;

  // The three outputs still hold the caller's values.
  bool outputsUntouched() const;
};

RefSqlOutcome callGetRefSQL(velloc::clsVelloc& component, const RefSqlArgs& args);

}  // namespace tarn::testing
