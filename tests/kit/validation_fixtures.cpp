#include "tests/kit/validation_fixtures.h"

#include <gtest/gtest.h>

#include <memory>

#include "tests/kit/printers.h"
#include "tests/kit/revision.h"

namespace tarn::testing {

using automation::Variant;

void answerRowsInTurn(FakeWorld& world, FakeComponent& fake, std::u16string_view operation,
                      std::vector<Rows> turns) {
  auto next = std::make_shared<std::size_t>(0);
  fake.answer(operation, [&world, turns = std::move(turns), next](std::span<automation::Argument>) {
    const Rows rows = *next < turns.size() ? turns[*next] : noRows();
    ++*next;
    return Variant(world.recordSets.make(rows));
  });
}

Rows noRows() { return Rows{}; }

Rows countRow(Variant count) { return Rows{{u"Column1"}, {{std::move(count)}}}; }

Rows sourceRow() { return Rows{{u"cCode", u"cName"}, {{u"01", u"row"}}}; }

Rows voucherDefinitionRow(Variant table, Variant condition) {
  return Rows{{u"BTTblName", u"cDefWhere"}, {{std::move(table), std::move(condition)}}};
}

Rows archivedValueRow(Variant cValue, Variant cAlias) {
  return Rows{{u"cValue", u"cAlias"}, {{std::move(cValue), std::move(cAlias)}}};
}

Rows itemDefinitionRow(Variant cId, Variant cType, Variant iMaxLen) {
  return Rows{{u"cId", u"cType", u"iMaxLen"},
              {{std::move(cId), std::move(cType), std::move(iMaxLen)}}};
}

std::string openX(std::string_view component, std::string_view sql) {
  return std::string(component) + ".OpenX(&\"" + revisionText(sql) + "\")";
}

std::string addRecord(std::string_view record) {
  return "ArDb.Add(&\"" + std::string(record) + "\", \"UserDefine\", &\"\")";
}

std::string logText(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) text += line + "\n";
  return text;
}

ValidationOutcome callValidateAr(velloc::clsVelloc& component, ValidateArArgs args) {
  const std::int16_t result =
      component.ValidateAr(args.iDataSrcType, args.iVoucherSec, args.sUserDefName, args.sTableName,
                           args.sFieldName, args.sUserDefVal, args.sCardNumber, args.bBuildAr);
  return {result, utf8(args.sUserDefVal)};
}

ValidationOutcome callValidateFreeAr(velloc::clsVelloc& component, std::u16string_view name,
                                     std::u16string value, bool bBuildAr) {
  const std::int16_t result = component.ValidateFreeAr(std::u16string(name), value, bBuildAr);
  return {result, utf8(value)};
}

void sweepFaults(const SweepScenario& scenario) {
  for (const bool bBuildAr : {false, true}) {
    SCOPED_TRACE(bBuildAr ? "bBuildAr true" : "bBuildAr false");
    const std::size_t count = bBuildAr ? scenario.calls.size() : scenario.callsWithoutBuild;
    std::vector<std::string> path;
    for (std::size_t i = 0; i < count; ++i) path.push_back(scenario.calls[i].line);
    {
      FakeWorld world;
      scenario.script(world);
      auto component = world.makeReadyComponent();
      scenario.validate(*component, bBuildAr);
      ASSERT_EQ(world.log.text(), logText(path));
    }
    for (std::size_t i = 0; i < count; ++i) {
      for (const Fault fault : {Fault::kRaise, Fault::kNull, Fault::kWrongKind}) {
        SCOPED_TRACE("fault " + std::to_string(static_cast<int>(fault)) + " at " + path[i]);
        FakeWorld world;
        scenario.script(world);
        auto component = world.makeReadyComponent();
        world.log.injectAt(i + 1, fault);
        const std::int16_t expected = bBuildAr ? scenario.calls[i].codeWithBuild : -1;
        EXPECT_EQ(scenario.validate(*component, bBuildAr), expected);
        EXPECT_EQ(world.log.size(), i + 1);
        EXPECT_EQ(world.recordSets.alive(), 0);
        EXPECT_EQ(world.recordSets.closed(), scenario.calls[i].setsClosedBefore);
      }
    }
  }
}

}  // namespace tarn::testing
