// The column-settings service keeps the layouts it read: what it hands out changes as soon as
// another connection changes the layout tables, and never before.
#include <gtest/gtest.h>

#include "erp/db/open_database.h"
#include "tarnvelloc/automation/error.h"
#include "tarnvelloc/automation/factory.h"
#include "tarnvelloc/erp/components.h"
#include "tarnvelloc/erp/demo_database.h"
#include "tests/kit/expect_failure.h"
#include "tests/kit/printers.h"
#include "tests/kit/temporary_folder.h"

namespace tarn::erp {
namespace {

using automation::Argument;
using automation::ObjectRef;
using automation::Variant;
using testing::utf8;

class ColumnSettingsCacheTest : public ::testing::Test {
 protected:
  void SetUp() override {
    createDemoDatabase(folder_ / "erp.db");
    registerComponents(registry_);
    service_ = registry_.create(u"TarnColumnSvc.IColumnSvc");
    call(u"Init", {Variant(connection()), Variant(u"demo")});
    other_ = db::openDatabase(connection());
  }
  std::u16string connection() const { return sqliteConnectionString(folder_ / "erp.db"); }

  Variant call(std::u16string_view name, std::vector<Variant> values) {
    std::vector<Argument> args;
    for (auto& value : values) args.push_back(Argument::byValue(std::move(value)));
    return service_->call(name, args);
  }

  // The captions of the column set of `key`, in column order.
  std::vector<std::string> captionsOf(std::u16string_view key) {
    const auto set = call(u"getColSet", {Variant(std::u16string(key)), Variant(1)}).toObject();
    std::vector<std::string> captions;
    while (!set->call(u"EOF").toBoolean()) {
      const auto fields = set->call(u"Fields").toObject();
      captions.push_back(utf8(fields->call(u"Item", {Argument::byValue(Variant(u"cCaption"))})
                                  .toObject()
                                  ->call(u"Value")
                                  .toString()));
      set->call(u"MoveNext");
    }
    return captions;
  }

  // The select list, the order-by list and the captions of the column set of `key`, as a
  // reference call reads them.
  std::vector<std::string> layoutOf(std::u16string_view key) {
    const Variant info = call(u"getColInfo", {Variant(std::u16string(key)), Variant(1)});
    std::vector<std::string> seen{utf8(call(u"GetSqlString", {info}).toString()),
                                  utf8(call(u"GetOrderString", {info}).toString())};
    for (auto& caption : captionsOf(key)) seen.push_back(std::move(caption));
    return seen;
  }

  testing::TemporaryFolder folder_{"tarn-colset"};
  automation::ComponentRegistry registry_;
  ObjectRef service_;
  std::unique_ptr<db::Database> other_;
};

TEST_F(ColumnSettingsCacheTest, AChangeByAnotherConnectionShowsAtTheNextCall) {
  const std::vector<std::string> demo{"A.cValue, A.cAlias", "A.cValue", "档案值", "别名"};
  EXPECT_EQ(layoutOf(u"UserDefineRef"), demo);
  EXPECT_EQ(layoutOf(u"UserDefineRef"), demo);

  other_->query(
      u"update TarnColumnLayout set cCaption = N'值', iOrderNo = null "
      u"where cLayoutKey = N'UserDefineRef' and iColumnNo = 1");
  EXPECT_EQ(layoutOf(u"UserDefineRef"),
            (std::vector<std::string>{"A.cValue, A.cAlias", "", "值", "别名"}));

  other_->query(
      u"insert into TarnColumnLayout (cLayoutKey, iColumnNo, cExpression, cCaption,"
      u" iOrderNo, bDescending) values (N'UserDefineRef', 3, N'A.cBarCode', N'码', 1, 1)");
  EXPECT_EQ(layoutOf(u"userdefineref"),
            (std::vector<std::string>{"A.cValue, A.cAlias, A.cBarCode", "A.cBarCode desc", "值",
                                      "别名", "码"}));

  // Without stored rows the key has its default layout again.
  other_->query(u"delete from TarnColumnLayout where cLayoutKey = N'UserDefineRef'");
  EXPECT_EQ(layoutOf(u"UserDefineRef"), demo);
}

TEST_F(ColumnSettingsCacheTest, TheColumnSetAgreesWithTheInformationHandedOutJustBefore) {
  const auto rename = [&](const char16_t* caption) {
    other_->query(u"update TarnColumnLayout set cCaption = N'" + std::u16string(caption) +
                  u"' where cLayoutKey = N'UserDefineRef' and iColumnNo = 2");
  };
  call(u"getColInfo", {Variant(u"UserDefineRef"), Variant(1)});
  rename(u"别名一");
  EXPECT_EQ(captionsOf(u"UserDefineRef"), (std::vector<std::string>{"档案值", "别名"}));
  EXPECT_EQ(captionsOf(u"UserDefineRef"), (std::vector<std::string>{"档案值", "别名一"}));

  call(u"getColInfo", {Variant(u"UserDefineRef"), Variant(1)});
  rename(u"别名二");
  EXPECT_EQ(captionsOf(u"UserDefFreeRef").size(), 3u);  // another key: asked afresh
  EXPECT_EQ(captionsOf(u"UserDefineRef"), (std::vector<std::string>{"档案值", "别名二"}));
}

TEST_F(ColumnSettingsCacheTest, ATableRenamedByAnotherConnectionIsNotReadFromWhatWasKept) {
  EXPECT_EQ(layoutOf(u"PersonRef").size(), 5u);
  other_->executeScript(u"alter table TarnColumnLayout rename to TarnColumnLayoutOld;");
  EXPECT_THROW(layoutOf(u"PersonRef"), automation::AutomationError);
}

}  // namespace
}  // namespace tarn::erp
