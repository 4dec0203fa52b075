// Source resolution: the Vouchers lookup in both of its query forms,
// the archive key table and the access filter, each driven through the scripted services.
#include "userdefine/source_resolution.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "tarnvelloc/automation/error.h"
#include "tests/kit/fake_world.h"
#include "tests/kit/printers.h"
#include "tests/kit/revision.h"
#include "tests/kit/userdefine_ref_fixtures.h"

namespace tarn::testing {
namespace {

using automation::AutomationError;
using automation::ErrorCode;
using automation::Variant;

void answerVoucherRow(FakeWorld& world, Variant table, Variant condition) {
  answerRows(world, *world.voucherData, u"OpenX",
             voucherRow(std::move(table), std::move(condition)));
}

struct ConditionCase {
  Variant stored;
  const char* read;
};

TEST(ReadVoucherDefTest, DropsOneLeadingWhereFollowedByABlank) {
  const ConditionCase cases[] = {
      {Variant(u"WHERE bFlag=1"), "bFlag=1"},
      {Variant(u"where bFlag=1"), "bFlag=1"},
      {Variant(u" WHERE bFlag=1"), " WHERE bFlag=1"},
      {Variant(u"where"), "where"},
      {Variant(u"wherebFlag=1"), "wherebFlag=1"},
      {Variant(u"where where bFlag=1"), "where bFlag=1"},
      {Variant(u"bFlag=1"), "bFlag=1"},
      {Variant(u""), ""},
      {Variant::null(), ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stored.describe());
    FakeWorld world;
    answerVoucherRow(world, Variant(u"Customer"), c.stored);
    services::VoucherDataService voucherData(world.voucherData);

    const auto def = userdefine::ReadVoucherDef(voucherData, u"V01");

    ASSERT_TRUE(def.has_value());
    EXPECT_EQ(utf8(def->table), "Customer");
    EXPECT_EQ(utf8(def->condition), c.read);
    EXPECT_EQ(world.recordSets.closed(), 1);
    EXPECT_EQ(world.recordSets.alive(), 0);
  }
}

struct QueryFormCase {
  bool referenceForm;  // GetRefSQL's: OpenX(sql, flag, text); else ValidateAr's: OpenX(sql)
  const char16_t* cardNumber;
  const char* log;
};

TEST(ReadVoucherDefTest, EachMethodWritesItsOwnQueryWithTheCardNumberEscaped) {
  const QueryFormCase cases[] = {
      {false, u"V01",
       "VoDb.OpenX(&\"select top 1 BTTblName, cDefWhere from Vouchers where CardNumber "
       "=N'V01'\")\n"},
      {false, u"O'Neil",
       "VoDb.OpenX(&\"select top 1 BTTblName, cDefWhere from Vouchers where CardNumber "
       "=N'O''Neil'\")\n"},
      {true, u"O'Neil",
       "VoDb.OpenX(&\"select top 1 BTTblName, cDefWhere from Vouchers where CardNumber = "
       "N'O''Neil'\", &False, &\"\")\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.log);
    FakeWorld world;
    answerVoucherRow(world, Variant(u"po_main"), Variant::null());
    services::VoucherDataService voucherData(world.voucherData);
    Variant flag(false);
    Variant text(u"");

    const auto def = c.referenceForm
                         ? userdefine::ReadVoucherDef(voucherData, c.cardNumber, flag, text)
                         : userdefine::ReadVoucherDef(voucherData, c.cardNumber);

    ASSERT_TRUE(def.has_value());
    EXPECT_EQ(utf8(def->table), "po_main");
    EXPECT_EQ(world.log.text(), revisionText(c.log));
  }
}

TEST(ReadVoucherDefTest, NoRowIsNotFoundAndTheSetIsClosed) {
  FakeWorld world;
  services::VoucherDataService voucherData(world.voucherData);
  Variant flag(false);
  Variant text(u"");

  EXPECT_FALSE(userdefine::ReadVoucherDef(voucherData, u"V01", flag, text).has_value());

  EXPECT_EQ(world.recordSets.created(), 1);
  EXPECT_EQ(world.recordSets.closed(), 1);
  EXPECT_EQ(world.recordSets.alive(), 0);
}

TEST(ReadVoucherDefTest, NullTableRaisesAndReleasesTheSetUnclosed) {
  FakeWorld world;
  answerVoucherRow(world, Variant::null(), Variant(u"x=1"));
  services::VoucherDataService voucherData(world.voucherData);

  try {
    userdefine::ReadVoucherDef(voucherData, u"V01");
    ADD_FAILURE() << "no failure raised";
  } catch (const AutomationError& error) {
    EXPECT_EQ(error.code(), ErrorCode::kInvalidUseOfNull);
  }
  EXPECT_EQ(world.recordSets.releasedWithoutClose(), 1);
  EXPECT_EQ(world.recordSets.alive(), 0);
}

TEST(GetArchiveKeyTest, KnowsTheEightArchiveTablesInAnyCase) {
  const std::pair<const char16_t*, const char16_t*> cases[] = {
      {u"customer", u"iid"},        {u"Vendor", u"iid"},         {u"INVENTORY", u"iid"},
      {u"Department", u"cDepCode"}, {u"code", u"cCode"},         {u"position", u"cPosCode"},
      {u"warehouse", u"cWhCode"},   {u"Person", u"cPersonCode"}, {u"customers", u""},
      {u" customer", u""},          {u"UserDefine", u""},        {u"", u""},
  };
  for (const auto& [table, key] : cases) {
    SCOPED_TRACE(utf8(table));
    EXPECT_EQ(userdefine::GetArchiveKey(table), key);
  }
}

struct AuthCase {
  const char16_t* table;
  Variant answer;
  const char* filter;  // nullptr: refused
  const char* log;
};

TEST(GetAuthFilterTest, ReadsTheServicesAnswer) {
  const AuthCase cases[] = {
      {u"customer", Variant(u""), "1=1", "RowAuth.GetAuthString(&\"customer\")\n"},
      {u"customer", Variant(u"1=2"), nullptr, "RowAuth.GetAuthString(&\"customer\")\n"},
      {u"customer", Variant(u"select iid from t"), "iid in (select iid from t)",
       "RowAuth.GetAuthString(&\"customer\")\n"},
      {u"customer", Variant(u"1=2 "), "iid in (1=2 )", "RowAuth.GetAuthString(&\"customer\")\n"},
      {u"Department", Variant(u"'D1','D2'"), "cDepCode in ('D1','D2')",
       "RowAuth.GetAuthString(&\"Department\")\n"},
      {u"customers", Variant(u"1=2"), "1=1", ""},
      {u"UserDefine", Variant(u"1=2"), "1=1", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(utf8(c.table) + " " + c.answer.describe());
    FakeWorld world;
    world.rowAuth->answer(u"GetAuthString", c.answer);
    services::RowAuthorisationService rowAuth(world.rowAuth);

    std::u16string table = c.table;
    const auto filter = userdefine::GetAuthFilter(rowAuth, table);

    if (c.filter == nullptr) {
      EXPECT_FALSE(filter.has_value());
    } else {
      ASSERT_TRUE(filter.has_value());
      EXPECT_EQ(utf8(*filter), c.filter);
    }
    EXPECT_EQ(world.log.text(), c.log);
  }
}

TEST(GetAuthFilterTest, ATableNameTheServiceReplacesIsWhatTheCallerGoesOnWith) {
  FakeWorld world;
  world.rowAuth->answer(u"GetAuthString", [](std::span<automation::Argument> args) {
    args[0].value() = Variant(u"person_v");
    return Variant(u"");
  });
  services::RowAuthorisationService rowAuth(world.rowAuth);
  std::u16string table = u"person";

  EXPECT_EQ(userdefine::GetAuthFilter(rowAuth, table), u"1=1");
  EXPECT_EQ(table, u"person_v");
}

TEST(GetAuthFilterTest, NullAnswerRaises) {
  FakeWorld world;
  world.rowAuth->answer(u"GetAuthString", Variant::null());
  services::RowAuthorisationService rowAuth(world.rowAuth);

  try {
    std::u16string table = u"person";
    userdefine::GetAuthFilter(rowAuth, table);
    ADD_FAILURE() << "no failure raised";
  } catch (const AutomationError& error) {
    EXPECT_EQ(error.code(), ErrorCode::kInvalidUseOfNull);
  }
}

}  // namespace
}  // namespace tarn::testing
