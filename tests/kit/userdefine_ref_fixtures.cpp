#include "tests/kit/userdefine_ref_fixtures.h"

namespace tarn::testing {

using automation::Variant;

void answerRows(FakeWorld& world, FakeComponent& fake, std::u16string_view operation, Rows rows) {
  fake.answer(operation, [&world, rows = std::move(rows)](std::span<automation::Argument>) {
    return Variant(world.recordSets.make(rows));
  });
}

Rows voucherRow(Variant table, Variant condition) {
  return Rows{{u"BTTblName", u"cDefWhere"}, {{std::move(table), std::move(condition)}}};
}

Rows captionRows(const std::vector<Variant>& captions) {
  Rows rows{{u"cCaption"}, {}};
  for (const auto& caption : captions) rows.values.push_back({caption});
  return rows;
}

Rows fieldRows(std::initializer_list<std::pair<Variant, Variant>> fields) {
  Rows rows{{u"FieldName", u"fielddef"}, {}};
  for (const auto& [name, def] : fields) rows.values.push_back({name, def});
  return rows;
}

RefSqlOutcome callGetRefSQL(velloc::clsVelloc& component, const RefSqlArgs& args) {
  RefSqlOutcome outcome{false, {}};
  ReferenceOutputs& out = outcome.outputs;
  outcome.result = component.GetRefSQL(
      args.iDataSrcType, args.iVoucherSec, args.sUserDefName, args.sTableName, args.sFieldName,
      args.sCardNumber, args.sMatchVal, out.sRefSql, out.sRefColSet, out.sRefColWidth);
  return outcome;
}

}  // namespace tarn::testing
