// Init: every exit of the creation sequence, what it leaves in the four properties and the
// private members, and the calls it makes on the way.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "component/clsVelloc.h"
#include "component/prog_ids.h"
#include "tarnvelloc/automation/dispatch_object.h"
#include "tarnvelloc/automation/error.h"
#include "tests/kit/fake_world.h"
#include "tests/kit/revision.h"

namespace tarn::testing {
namespace {

using automation::ObjectRef;
using automation::Variant;

const std::string kFullLog = revisionText(
    "create TarnUtil.IUtil\n"
    "create TarnDataSvc.IDataSvc\n"
    "ArDb.Init(&\"Provider=SQLite;Data Source=erp.db\")\n"
    "ArDb.Status()\n"
    "create TarnColumnSvc.IColumnSvc\n"
    "ColSet.Init(&\"Provider=SQLite;Data Source=erp.db\", &\"u01\")\n"
    "create TarnVoucherSvc.IVoucherSvc\n"
    "VoDb.Init(&\"Provider=SQLite;Data Source=erp.db\")\n"
    "VoDb.Status()\n"
    "create TarnRowAuthSvc.IRowAuth\n"
    "RowAuth.Init(&\"Provider=SQLite;Data Source=erp.db\", &\"u01\")\n");

// What a property holds after Init: null, the object it held before Init, or the new fake.
enum class Holds { kNull, kEarlier, kNew };

struct InitExitCase {
  const char* name;
  std::function<void(FakeWorld&)> arrange;
  bool result;
  int logLines;  // how many lines of kFullLog the exit reaches
  Holds archive, columnSettings, voucher, rowAuth;
  bool utilitySet;
};

std::string firstLines(const std::string& log, int count) {
  std::size_t end = 0;
  for (int i = 0; i < count; ++i) end = log.find('\n', end) + 1;
  return log.substr(0, end);
}

FakeComponent::Handler raising() {
  return [](std::span<automation::Argument>) -> Variant {
    automation::raise(automation::ErrorCode::kComponentFailure, "down");
  };
}

TEST(InitTest, EveryExitLeavesTheDocumentedMembers) {
  const InitExitCase cases[] = {
      {"utility creation raises",
       [](FakeWorld& w) { w.setCreation(velloc::kUtilityProgId, Creation::kRaise); }, false, 1,
       Holds::kNull, Holds::kNull, Holds::kNull, Holds::kNull, false},
      {"archive creation gives nothing",
       [](FakeWorld& w) { w.setCreation(velloc::kArchiveDataProgId, Creation::kNull); }, false, 2,
       Holds::kNull, Holds::kEarlier, Holds::kEarlier, Holds::kEarlier, true},
      {"archive creation raises",
       [](FakeWorld& w) { w.setCreation(velloc::kArchiveDataProgId, Creation::kRaise); }, false, 2,
       Holds::kNull, Holds::kNull, Holds::kNull, Holds::kNull, true},
      {"archive Init raises", [](FakeWorld& w) { w.archiveData->answer(u"Init", raising()); },
       false, 3, Holds::kNull, Holds::kNull, Holds::kNull, Holds::kNull, true},
      {"archive Status false",
       [](FakeWorld& w) { w.archiveData->answer(u"Status", Variant(false)); }, false, 4,
       Holds::kNew, Holds::kEarlier, Holds::kEarlier, Holds::kEarlier, true},
      {"archive Status unreadable",
       [](FakeWorld& w) { w.archiveData->answer(u"Status", Variant(u"maybe")); }, false, 4,
       Holds::kNull, Holds::kNull, Holds::kNull, Holds::kNull, true},
      {"archive Status Null counts as ready",
       [](FakeWorld& w) { w.archiveData->answer(u"Status", Variant::null()); }, true, 11,
       Holds::kNew, Holds::kNew, Holds::kNew, Holds::kNew, true},
      {"column settings creation gives nothing",
       [](FakeWorld& w) { w.setCreation(velloc::kColumnSettingsProgId, Creation::kNull); }, false,
       5, Holds::kNew, Holds::kNull, Holds::kEarlier, Holds::kEarlier, true},
      {"column settings Init raises",
       [](FakeWorld& w) { w.columnSettings->answer(u"Init", raising()); }, false, 6, Holds::kNull,
       Holds::kNull, Holds::kNull, Holds::kNull, true},
      {"voucher creation gives nothing",
       [](FakeWorld& w) { w.setCreation(velloc::kVoucherDataProgId, Creation::kNull); }, false, 7,
       Holds::kNew, Holds::kNew, Holds::kNull, Holds::kEarlier, true},
      {"voucher Status false",
       [](FakeWorld& w) { w.voucherData->answer(u"Status", Variant(std::int16_t{0})); }, false, 9,
       Holds::kNew, Holds::kNew, Holds::kNew, Holds::kEarlier, true},
      {"row authorisation creation gives nothing",
       [](FakeWorld& w) { w.setCreation(velloc::kRowAuthorisationProgId, Creation::kNull); }, false,
       10, Holds::kNew, Holds::kNew, Holds::kNew, Holds::kNull, true},
      {"row authorisation creation raises",
       [](FakeWorld& w) { w.setCreation(velloc::kRowAuthorisationProgId, Creation::kRaise); },
       false, 10, Holds::kNull, Holds::kNull, Holds::kNull, Holds::kNull, true},
      {"row authorisation Init raises", [](FakeWorld& w) { w.rowAuth->answer(u"Init", raising()); },
       false, 11, Holds::kNull, Holds::kNull, Holds::kNull, Holds::kNull, true},
      {"all ready", [](FakeWorld&) {}, true, 11, Holds::kNew, Holds::kNew, Holds::kNew, Holds::kNew,
       true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeWorld world;
    c.arrange(world);
    auto component = world.makeComponent();
    const ObjectRef earlier = std::make_shared<automation::DispatchObject>();
    component->putref_g_oArDbSrv(earlier);
    component->putref_g_ColSet(earlier);
    component->putref_g_oVoDbSrv(earlier);
    component->putref_g_oRowAuth(earlier);

    EXPECT_EQ(component->Init(u"Provider=SQLite;Data Source=erp.db", u"u01"), c.result);

    EXPECT_EQ(world.log.text(), firstLines(kFullLog, c.logLines));
    auto expect = [&](const ObjectRef& actual, Holds holds, const ObjectRef& fresh) {
      switch (holds) {
        case Holds::kNull:
          EXPECT_EQ(actual, nullptr);
          break;
        case Holds::kEarlier:
          EXPECT_EQ(actual, earlier);
          break;
        case Holds::kNew:
          EXPECT_EQ(actual, fresh);
          break;
      }
    };
    expect(component->get_g_oArDbSrv(), c.archive, world.archiveData);
    expect(component->get_g_ColSet(), c.columnSettings, world.columnSettings);
    expect(component->get_g_oVoDbSrv(), c.voucher, world.voucherData);
    expect(component->get_g_oRowAuth(), c.rowAuth, world.rowAuth);
    EXPECT_EQ(component->connectionString(), u"Provider=SQLite;Data Source=erp.db");
    EXPECT_EQ(component->userId(), u"u01");
    EXPECT_EQ(component->utilityService(), c.utilitySet ? ObjectRef(world.util) : nullptr);
  }
}

TEST(InitTest, ANewObjectHoldsNothing) {
  FakeWorld world;
  auto component = world.makeComponent();
  EXPECT_EQ(component->get_g_oArDbSrv(), nullptr);
  EXPECT_EQ(component->get_g_oVoDbSrv(), nullptr);
  EXPECT_EQ(component->get_g_ColSet(), nullptr);
  EXPECT_EQ(component->get_g_oRowAuth(), nullptr);
  EXPECT_EQ(component->connectionString(), u"");
  EXPECT_EQ(world.log.text(), "");
}

TEST(InitTest, ASecondInitThatFailsClearsAReadyObject) {
  FakeWorld world;
  auto component = world.makeReadyComponent();
  world.voucherData->answer(u"Init", raising());

  EXPECT_FALSE(component->Init(u"again", u"u02"));

  EXPECT_EQ(component->get_g_oArDbSrv(), nullptr);
  EXPECT_EQ(component->get_g_ColSet(), nullptr);
  EXPECT_EQ(component->get_g_oVoDbSrv(), nullptr);
  EXPECT_EQ(component->get_g_oRowAuth(), nullptr);
  EXPECT_EQ(component->connectionString(), u"again");
  EXPECT_EQ(component->utilityService(), world.util);
}

TEST(InitTest, AServiceThatReplacesTheConnectionTextChangesWhatLaterServicesGet) {
  FakeWorld world;
  world.archiveData->answer(u"Init", [](std::span<automation::Argument> args) {
    args[0].value() = Variant(u"rewritten");
    return Variant();
  });
  auto component = world.makeComponent();

  EXPECT_TRUE(component->Init(u"original", u"u01"));

  EXPECT_EQ(component->connectionString(), u"rewritten");
  EXPECT_EQ(world.log.lines()[5], "ColSet.Init(&\"rewritten\", &\"u01\")");
}

TEST(InitTest, EmptyArgumentsAreStoredAndPassedOn) {
  FakeWorld world;
  auto component = world.makeComponent();
  EXPECT_TRUE(component->Init(u"", u""));
  EXPECT_EQ(world.log.lines()[2], "ArDb.Init(&\"\")");
}

// An object that notes in a shared list when it is released.
class NotingObject final : public automation::DispatchObject {
 public:
  NotingObject(std::string name, std::vector<std::string>& released)
      : name_(std::move(name)), released_(released) {}
  ~NotingObject() override { released_.push_back(name_); }

 private:
  std::string name_;
  std::vector<std::string>& released_;
};

// A fake that answers every operation of the five services, so any call teardown made would be
// logged, and that notes in `released` when its last reference goes.
std::shared_ptr<FakeComponent> notingFake(const std::string& name, CallLog& log,
                                          std::vector<std::string>& released) {
  std::shared_ptr<FakeComponent> fake(new FakeComponent(name, log),
                                      [name, &released](FakeComponent* gone) {
                                        released.push_back(name);
                                        delete gone;
                                      });
  auto nothing = [](std::span<automation::Argument>) { return Variant(); };
  for (const char16_t* operation :
       {u"Init", u"Status", u"OpenX", u"Add", u"GetFieldNames", u"getColInfo", u"GetSqlString",
        u"GetOrderString", u"getColSet", u"GetAuthString", u"GetJoinTableStr", u"GetResString",
        u"Close"}) {
    fake->on(operation, 0, 3, nothing);
  }
  return fake;
}

TEST(TeardownTest, ReleasesTheArchiveDataServiceFirstAndCallsNothing) {
  FakeWorld world;
  std::vector<std::string> released;
  {
    auto component = world.makeReadyComponent();
    component->putref_g_oArDbSrv(notingFake("ArDb", world.log, released));
    component->putref_g_oVoDbSrv(notingFake("VoDb", world.log, released));
    component->putref_g_ColSet(notingFake("ColSet", world.log, released));
    component->putref_g_oRowAuth(notingFake("RowAuth", world.log, released));
    EXPECT_TRUE(released.empty());
  }
  // Nothing was called on the four properties' services nor on the utility service.
  EXPECT_EQ(world.log.text(), "");
  ASSERT_EQ(released.size(), 4u);
  EXPECT_EQ(released.front(), "ArDb");
}

TEST(PropertyTest, AssigningReleasesWhatWasHeldAndNullIsAllowed) {
  std::vector<std::string> released;
  velloc::clsVelloc component;
  component.putref_g_ColSet(std::make_shared<NotingObject>("first", released));
  component.putref_g_ColSet(std::make_shared<NotingObject>("second", released));
  EXPECT_EQ(released, std::vector<std::string>{"first"});
  component.putref_g_ColSet(nullptr);
  EXPECT_EQ(released, (std::vector<std::string>{"first", "second"}));
  EXPECT_EQ(component.get_g_ColSet(), nullptr);
}

}  // namespace
}  // namespace tarn::testing
