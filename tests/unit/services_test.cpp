// The typed call views: each operation goes out with its exact name, argument order, count and
// passing mode; by-reference replacements come back; record sets close only when asked.
#include <gtest/gtest.h>

#include "services/outside_services.h"
#include "tarnvelloc/automation/error.h"
#include "tests/kit/fake_world.h"
#include "tests/kit/printers.h"

namespace tarn::testing {
namespace {

using automation::Variant;

TEST(ServiceViewTest, EveryOperationGoesOutWithItsExactShape) {
  FakeWorld world;
  std::u16string conn = u"c", user = u"u", sql = u"select 1", record = u"<r/>", message;
  std::u16string key = u"UserDefineRef", info = u"i", table = u"person";
  Variant flag(false), text(u"");

  services::ArchiveDataService archive(world.archiveData);
  archive.Init(conn);
  archive.Status();
  archive.OpenX(sql);
  archive.Add(record, u"UserDefine", message);
  services::VoucherDataService voucher(world.voucherData);
  voucher.OpenX(sql);
  voucher.OpenX(sql, flag, text);
  voucher.GetFieldNames(table, flag, text);
  services::ColumnSettingsService columns(world.columnSettings);
  columns.Init(conn, user);
  columns.getColInfo(key);
  columns.GetSqlString(info);
  columns.GetOrderString(info);
  columns.getColSet(key);
  services::RowAuthorisationService rowAuth(world.rowAuth);
  rowAuth.GetAuthString(table);
  services::UtilityService util(world.util);
  util.GetJoinTableStr(table);
  util.GetResString(u"Tarn.AA.ARCHIVE.FIELD.inv_free");
  services::Connection connection(world.connection);
  connection.Open(conn, u"", u"", -1);
  connection.Execute(sql, -1);
  connection.Close();

  EXPECT_EQ(world.log.text(),
            "ArDb.Init(&\"c\")\n"
            "ArDb.Status()\n"
            "ArDb.OpenX(&\"select 1\")\n"
            "ArDb.Add(&\"<r/>\", \"UserDefine\", &\"\")\n"
            "VoDb.OpenX(&\"select 1\")\n"
            "VoDb.OpenX(&\"select 1\", &False, &\"\")\n"
            "VoDb.GetFieldNames(&\"person\", &False, &\"\")\n"
            "ColSet.Init(&\"c\", &\"u\")\n"
            "ColSet.getColInfo(&\"UserDefineRef\", 1%)\n"
            "ColSet.GetSqlString(&\"i\")\n"
            "ColSet.GetOrderString(&\"i\")\n"
            "ColSet.getColSet(&\"UserDefineRef\", 1%)\n"
            "RowAuth.GetAuthString(&\"person\")\n"
            "Util.GetJoinTableStr(&\"person\")\n"
            "Util.GetResString(\"Tarn.AA.ARCHIVE.FIELD.inv_free\")\n"
            "Conn.Open(\"c\", \"\", \"\", -1&)\n"
            "Conn.Execute(\"select 1\", Empty, -1&)\n"
            "Conn.Close()\n");
}

TEST(ServiceViewTest, ReplacedByReferenceArgumentsAreWhatTheComponentGoesOnWith) {
  FakeWorld world;
  world.columnSettings->answer(u"GetSqlString", [](std::span<automation::Argument> a) {
    a[0].value() = Variant(u"replaced");
    return Variant(u"list");
  });
  world.voucherData->answer(u"OpenX", [&](std::span<automation::Argument> a) {
    a[1].value() = Variant(true);
    return Variant(world.recordSets.empty());
  });
  std::u16string info = u"original", sql = u"q";
  Variant flag(false), text(u"");

  services::ColumnSettingsService(world.columnSettings).GetSqlString(info);
  services::VoucherDataService(world.voucherData).OpenX(sql, flag, text);

  EXPECT_EQ(info, u"replaced");
  EXPECT_EQ(flag, Variant(true));
}

TEST(ServiceViewTest, ANullReferenceOrAResultThatIsNoRecordSetFails) {
  FakeWorld world;
  std::u16string sql = u"q";
  world.archiveData->answer(u"OpenX", Variant(u"rows"));
  try {
    services::ArchiveDataService(nullptr).OpenX(sql);
    ADD_FAILURE();
  } catch (const automation::AutomationError& e) {
    EXPECT_EQ(e.code(), automation::ErrorCode::kObjectNotSet);
  }
  try {
    services::ArchiveDataService(world.archiveData).OpenX(sql);
    ADD_FAILURE();
  } catch (const automation::AutomationError& e) {
    EXPECT_EQ(e.code(), automation::ErrorCode::kObjectRequired);
  }
}

TEST(RecordSetTest, ReadsRowsByNameAndIndexAndClosesOnlyWhenAsked) {
  RecordSetTracker tracker;
  {
    services::RecordSet rows(Variant(
        tracker.make({{u"cValue", u"cAlias"},
                      {{Variant(u"a"), Variant::null()}, {Variant(u"b"), Variant(u"x")}}})));
    EXPECT_FALSE(rows.hasNoRows());
    EXPECT_EQ(rows.field(u"CVALUE"), Variant(u"a"));
    EXPECT_TRUE(rows.field(u"cAlias").isNull());
    rows.moveNext();
    EXPECT_EQ(rows.field(std::int16_t{0}), Variant(u"b"));
    rows.moveNext();
    EXPECT_TRUE(rows.eof());
    rows.close();
  }
  {
    services::RecordSet unwound(Variant(tracker.empty()));
    EXPECT_TRUE(unwound.hasNoRows());
  }
  EXPECT_EQ(tracker.created(), 2);
  EXPECT_EQ(tracker.closed(), 1);
  EXPECT_EQ(tracker.releasedWithoutClose(), 1);
  EXPECT_EQ(tracker.alive(), 0);
}

}  // namespace
}  // namespace tarn::testing
