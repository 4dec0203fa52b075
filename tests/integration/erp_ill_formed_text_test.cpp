// Text that is not well-formed UTF-16 (an unpaired surrogate) on its way into the database:
// refused where it enters, with the reason, and nothing stored; never altered into something
// else that would then be stored or matched.
#include <gtest/gtest.h>

#include "component/clsVelloc.h"
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
using automation::ErrorCode;
using automation::Variant;
using testing::utf8;

const std::u16string kLone(1, char16_t{0xD800});

class IllFormedTextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = automation::ComponentRegistry::global().snapshot();
    registerComponents();
    createDemoDatabase(folder_ / "erp.db");
  }
  void TearDown() override { automation::ComponentRegistry::global().restore(std::move(saved_)); }

  std::u16string connection() const { return sqliteConnectionString(folder_ / "erp.db"); }

  std::int32_t userDefineRows() const {
    return db::openDatabase(connection())
        ->query(u"select count(*) from UserDefine")
        .rows.at(0)
        .at(0)
        .toLong();
  }

  automation::ComponentRegistry::Snapshot saved_;
  testing::TemporaryFolder folder_{"tarn-ill-formed"};
};

TEST_F(IllFormedTextTest, TheDataServiceRefusesToArchiveIt) {
  const auto data = automation::CreateObject(u"TarnDataSvc.IDataSvc");
  data->call(u"Init", {Argument::byValue(Variant(connection()))});
  const std::int32_t before = userDefineRows();
  Variant record(u"<Userdefine><cId>H03</cId><cValue>华" + kLone + u"</cValue></Userdefine>");
  Variant message;
  EXPECT_EQ(data->call(u"Add", {Argument::byRef(record), Argument::byValue(Variant(u"UserDefine")),
                                Argument::byRef(message)}),
            Variant(false));
  EXPECT_EQ(utf8(message.toString()),
            "Component failure: archive record refused: not well-formed UTF-16 (an unpaired "
            "surrogate at code unit 35)");
  EXPECT_EQ(userDefineRows(), before);

  testing::expectFailure(
      [&] {
        data->call(u"OpenX",
                   {Argument::byValue(Variant(u"select cValue from UserDefine where cValue = N'" +
                                              kLone + u"'"))});
      },
      ErrorCode::kComponentFailure,
      "Component failure: the statement is not well-formed UTF-16: unpaired surrogate U+D800 at "
      "code unit 47");
}

TEST_F(IllFormedTextTest, ValidationsWithArchivingFailAndArchiveNothing) {
  velloc::clsVelloc component;
  ASSERT_TRUE(component.Init(connection(), u"demo"));
  const std::int32_t before = userDefineRows();
  // The second half of a doubled apostrophe follows the lone surrogate, as in a value typed
  // to widen the lookup.
  std::u16string value = u"华" + kLone + u"' or 1=1 --";
  EXPECT_EQ(component.ValidateAr(0, 0, u"cdefine3", u"", u"", value, u"", true), -1);
  std::u16string freeValue = kLone;
  EXPECT_EQ(component.ValidateFreeAr(u"cfree2", freeValue, true), -1);
  EXPECT_EQ(userDefineRows(), before);
}

}  // namespace
}  // namespace tarn::erp
