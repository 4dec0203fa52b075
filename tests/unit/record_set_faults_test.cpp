// A failure at every record-set operation (BOF, EOF, Fields, Item, Value, MoveNext, Close) of
// representative paths: the result the method's handler gives from where the failure happened,
// no record-set operation and no outside call after it, no set closed by the handler, and every
// set released.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/kit/fake_world.h"
#include "tests/kit/freeitem_fixtures.h"
#include "tests/kit/printers.h"
#include "tests/kit/reference_outputs.h"
#include "tests/kit/revision.h"
#include "tests/kit/userdefine_ref_fixtures.h"
#include "tests/kit/validation_fixtures.h"

namespace tarn::testing {
namespace {

using automation::Variant;

// What one record set costs on the paths below.
const std::string kEmptyLookup = "BOF EOF Close";
const std::string kEmptySourceLookup = "BOF EOF";  // released, never closed
const std::string kMoneyCount = "Fields Item Value Close";
const std::string kFieldRead = "Fields Item Value";
// cId, cType, then iMaxLen tested for Null and read again.
const std::string kDefinitionRead =
    "BOF " + kFieldRead + " " + kFieldRead + " " + kFieldRead + " " + kFieldRead + " Close";

std::string spaced(const std::vector<std::string>& pieces) {
  std::string text;
  for (const auto& piece : pieces) text += (text.empty() ? "" : " ") + piece;
  return text;
}

// The first `operations` operations not yet covered give `result` when they fail.
struct Stretch {
  int operations;
  std::string result;
};

struct RecordSetPath {
  std::function<void(FakeWorld&)> script;
  // Calls the method on a ready component; its result and outputs as one text.
  std::function<std::string(velloc::clsVelloc&)> call;
  std::string result;
  // The record-set operations of the path without a failure, space separated.
  std::string operations;
  int closed;
  int releasedWithoutClose;
  std::vector<Stretch> failures;
};

int closesAmongFirst(const std::vector<std::string>& names, int count) {
  int closes = 0;
  for (int i = 0; i < count; ++i) closes += names[static_cast<std::size_t>(i)] == "Close" ? 1 : 0;
  return closes;
}

void sweepRecordSetFaults(const RecordSetPath& path) {
  std::vector<std::string> names;
  std::string cleanLog;
  {
    FakeWorld world;
    path.script(world);
    auto component = world.makeReadyComponent();
    EXPECT_EQ(path.call(*component), revisionText(path.result));
    names = world.recordSets.operationNames();
    ASSERT_EQ(spaced(names), path.operations);
    EXPECT_EQ(world.recordSets.closed(), path.closed);
    EXPECT_EQ(world.recordSets.releasedWithoutClose(), path.releasedWithoutClose);
    EXPECT_EQ(world.recordSets.alive(), 0);
    cleanLog = world.log.text();
  }
  int n = 0;
  for (const auto& stretch : path.failures) {
    for (int i = 0; i < stretch.operations; ++i) {
      ++n;
      ASSERT_LE(n, static_cast<int>(names.size()));
      SCOPED_TRACE("failing operation " + std::to_string(n) + ", " + names[n - 1U]);
      FakeWorld world;
      path.script(world);
      auto component = world.makeReadyComponent();
      world.recordSets.raiseAtOperation(n);

      EXPECT_EQ(path.call(*component), stretch.result);
      EXPECT_EQ(world.recordSets.operations(), n);
      EXPECT_EQ(world.recordSets.closed(), closesAmongFirst(names, n - 1));
      EXPECT_EQ(world.recordSets.alive(), 0);
      EXPECT_TRUE(cleanLog.starts_with(world.log.text())) << world.log.text();
    }
  }
  EXPECT_EQ(n, static_cast<int>(names.size()));
}

std::string validation(std::int16_t code, const std::string& value) {
  return "code " + std::to_string(code) + ", value " + value;
}

std::function<std::string(velloc::clsVelloc&)> validateAr(ValidateArArgs args) {
  return [args](velloc::clsVelloc& component) {
    const ValidationOutcome outcome = callValidateAr(component, args);
    return validation(outcome.result, outcome.value);
  };
}

std::function<std::string(velloc::clsVelloc&)> validateFreeAr(bool bBuildAr) {
  return [bBuildAr](velloc::clsVelloc& component) {
    const ValidationOutcome outcome = callValidateFreeAr(component, u"cfree2", u"v1", bBuildAr);
    return validation(outcome.result, outcome.value);
  };
}

ValidateArArgs listSource(bool bBuildAr) {
  ValidateArArgs args;
  args.sUserDefVal = u"  v1  ";
  args.bBuildAr = bBuildAr;
  return args;
}

// "unit" has no key column, so the row-authorisation service is not asked.
ValidateArArgs archiveSource(bool bBuildAr) {
  ValidateArArgs args = listSource(bBuildAr);
  args.iDataSrcType = 1;
  args.sTableName = u"unit";
  args.sFieldName = u"cName";
  return args;
}

void foundNowhereWithDefinition(FakeWorld& world) {
  answerRowsInTurn(world, *world.archiveData, u"OpenX",
                   {noRows(), noRows(), itemDefinitionRow(u"15", u"文本", std::int16_t{10})});
}

TEST(RecordSetFaultTest, ValidateArListValueFoundNowhere) {
  sweepRecordSetFaults({
      foundNowhereWithDefinition,
      validateAr(listSource(true)),
      validation(1, "v1"),
      spaced({kEmptyLookup, kEmptyLookup, kDefinitionRead}),
      3,
      0,
      // Running result 0 until the value lookup has found its set empty, -1 from then on.
      {{2, validation(-1, "v1")}, {18, validation(-2, "v1")}},
  });
}

TEST(RecordSetFaultTest, ValidateArListValueFoundNowhereWithoutArchiving) {
  sweepRecordSetFaults({
      foundNowhereWithDefinition,
      validateAr(listSource(false)),
      validation(-1, "v1"),
      spaced({kEmptyLookup, kEmptyLookup}),
      2,
      0,
      {{6, validation(-1, "v1")}},
  });
}

TEST(RecordSetFaultTest, ValidateArAliasReadFailsAfterTheRunningResultIsZero) {
  sweepRecordSetFaults({
      [](FakeWorld& world) {
        answerRowsInTurn(world, *world.archiveData, u"OpenX",
                         {noRows(), archivedValueRow(u"archived", u"v1")});
      },
      validateAr(listSource(true)),
      validation(0, "archived"),
      spaced({kEmptyLookup, "BOF", kFieldRead, "Close"}),
      2,
      0,
      {
          {2, validation(-1, "v1")},
          // The value lookup's Close and the alias lookup's BOF: the running result is -1.
          {2, validation(-2, "v1")},
          // Reading the archived value: the running result is already 0.
          {3, validation(-1, "v1")},
          // The alias's value was written back before the Close failed.
          {1, validation(-1, "archived")},
      },
  });
}

void archiveSourceFoundNowhere(FakeWorld& world) {
  answerRowsInTurn(world, *world.voucherData, u"OpenX", {countRow(Variant(std::int32_t{0}))});
  answerRowsInTurn(
      world, *world.archiveData, u"OpenX",
      {noRows(), noRows(), noRows(), itemDefinitionRow(u"15", u"文本", std::int16_t{10})});
}

TEST(RecordSetFaultTest, ValidateArArchiveSourceReleasesItsEmptySourceSetWithoutClosing) {
  sweepRecordSetFaults({
      archiveSourceFoundNowhere,
      validateAr(archiveSource(true)),
      validation(1, "v1"),
      spaced({kMoneyCount, kEmptySourceLookup, kEmptyLookup, kEmptyLookup, kDefinitionRead}),
      4,
      1,
      // The source lookup sets the running result to -1 once its set reads empty.
      {{6, validation(-1, "v1")}, {20, validation(-2, "v1")}},
  });
}

TEST(RecordSetFaultTest, ValidateArArchiveSourceWithoutArchiving) {
  sweepRecordSetFaults({
      archiveSourceFoundNowhere,
      validateAr(archiveSource(false)),
      validation(-1, "v1"),
      spaced({kMoneyCount, kEmptySourceLookup, kEmptyLookup, kEmptyLookup}),
      3,
      1,
      {{12, validation(-1, "v1")}},
  });
}

TEST(RecordSetFaultTest, ValidateFreeArValueFoundNowhere) {
  sweepRecordSetFaults({
      foundNowhereWithDefinition,
      validateFreeAr(true),
      validation(1, "v1"),
      spaced({kEmptyLookup, kEmptyLookup, kDefinitionRead}),
      3,
      0,
      {{2, validation(-1, "v1")}, {18, validation(-2, "v1")}},
  });
}

TEST(RecordSetFaultTest, ValidateFreeArValueFoundNowhereWithoutArchiving) {
  sweepRecordSetFaults({
      foundNowhereWithDefinition,
      validateFreeAr(false),
      validation(-1, "v1"),
      spaced({kEmptyLookup, kEmptyLookup}),
      2,
      0,
      {{6, validation(-1, "v1")}},
  });
}

TEST(RecordSetFaultTest, GetRefSQLVoucherSourceFieldNameWalk) {
  const std::string fieldRow = "EOF " + kFieldRead + " " + kFieldRead + " MoveNext";
  sweepRecordSetFaults({
      [](FakeWorld& world) {
        answerRows(world, *world.voucherData, u"OpenX", voucherRow(u"SaleBill", u"where bOk=1"));
        answerRows(world, *world.voucherData, u"GetFieldNames",
                   fieldRows({{u"cCode", u"编码"}, {u"cName", u"名称"}, {u"cMemo", u"备注"}}));
      },
      [](velloc::clsVelloc& component) {
        ReferenceOutputs outputs;
        const bool ok = component.GetRefSQL(2, 0, u"", u"", u"cName", u"01", u"", outputs.sRefSql,
                                            outputs.sRefColSet, outputs.sRefColWidth);
        return referenceOutcome(ok, outputs);
      },
      "true | select cCode, cName, cMemo from SaleBill where bOk=1 | 编码,名称,备注 | \"\"",
      spaced({"BOF", kFieldRead, kFieldRead, "Close", "BOF", fieldRow, fieldRow, fieldRow, "EOF",
              "Close"}),
      2,
      0,
      {{35, refusedReference()}},
  });
}

TEST(RecordSetFaultTest, GetFreeRefSQLColumnSetJoin) {
  const std::string captionRow = "EOF " + kFieldRead + " MoveNext";
  sweepRecordSetFaults({
      [](FakeWorld& world) {
        answerRows(world, *world.columnSettings, u"getColSet", captionRows({u"值", u"别名"}));
      },
      [](velloc::clsVelloc& component) {
        ReferenceOutputs outputs;
        const bool ok = component.GetFreeRefSQL(u"cfree2", u"", outputs.sRefSql, outputs.sRefColSet,
                                                outputs.sRefColWidth);
        return referenceOutcome(ok, outputs);
      },
      "true | Select A.cValue, A.cAlias from UserDefine A, UserDef B where B.cItem =N'自由项2' "
      "and B.cID = A.cID | 值,别名 | \"\"",
      spaced({captionRow, captionRow, "EOF", "Close"}),
      1,
      0,
      {{12, refusedReference()}},
  });
}

TEST(RecordSetFaultTest, GetStruFreeRefSQLInventoryRead) {
  sweepRecordSetFaults({
      [](FakeWorld& world) {
        world.connection->answer(u"Execute", [&world](std::span<automation::Argument>) {
          return Variant(inventoryRow(world.recordSets, u"bConfigFree2", true));
        });
      },
      [](velloc::clsVelloc& component) {
        ReferenceOutputs outputs;
        const bool ok = component.GetStruFreeRefSQL(u"P01", u"cFree2", u"", outputs.sRefSql,
                                                    outputs.sRefColSet, outputs.sRefColWidth);
        return referenceOutcome(ok, outputs);
      },
      "true | select distinct Free2 as [存货自由项2] from bas_part where InvCode =N'P01' | "
      "存货自由项2 | \"3000\"",
      spaced({"BOF", kFieldRead, "Close"}),
      1,
      0,
      {{5, refusedReference()}},
  });
}

}  // namespace
}  // namespace tarn::testing
