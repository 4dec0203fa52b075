// One database connection per component on every backend (contract_kit.h): the outside
// components a component initialises share one, a second component or another thread gets its
// own, and the connection lives while any of its sharers does.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "erp/db/open_database.h"
#include "erp/providers/provider_database.h"
#include "tarnvelloc/erp/held_connection.h"
#include "tests/contract/contract_kit.h"
#include "tests/integration/component_test_support.h"

namespace tarn::velloc::testing {
namespace {

using erp::providers::joinDatabase;
using erp::providers::providerConnectionsOpened;
using erp::providers::ProviderKind;
using erp::providers::SharedDatabase;
using tarn::testing::ContractBackend;
using tarn::testing::ContractDatabase;

class SharedConnectionContractTest : public ::testing::TestWithParam<ContractBackend> {
 protected:
  void SetUp() override {
    if (!demo_.skipReason().empty()) GTEST_SKIP() << demo_.skipReason();
  }

  ContractDatabase demo_{GetParam()};
};

TEST_P(SharedConnectionContractTest, EachKindJoinsTheNewestConnectionOfItsTextOnce) {
  const std::u16string a = demo_.connection();
  const std::u16string b = a + u";";  // the same database under another text
  enum Release { kKeep, kReleaseOpenedThird };
  const struct Step {
    ProviderKind kind;
    const std::u16string* text;
    int connection;  // which one it gets, numbered in the order they open
    Release then = kKeep;
  } steps[] = {
      {ProviderKind::kUtility, &a, 1},  // the component creates it first, but it joins last
      {ProviderKind::kArchiveData, &a, 1},
      {ProviderKind::kColumnSettings, &a, 1},
      {ProviderKind::kVoucherData, &a, 1},
      {ProviderKind::kRowAuthorisation, &a, 1},
      {ProviderKind::kUtility, &b, 2},
      {ProviderKind::kArchiveData, &a, 3},  // a second component: its kind is present
      {ProviderKind::kColumnSettings, &a, 3},
      {ProviderKind::kArchiveData, &b, 2},
      {ProviderKind::kRowAuthorisation, &a, 3, kReleaseOpenedThird},
      {ProviderKind::kRowAuthorisation, &a, 4},  // the first one has one already
      {ProviderKind::kUtility, &a, 4},
  };
  std::vector<SharedDatabase> held;
  std::map<int, erp::db::Database*> numbered;
  const auto openedBefore = providerConnectionsOpened();
  for (const auto& step : steps) {
    SCOPED_TRACE(std::to_string(static_cast<unsigned>(step.kind)) + " -> " +
                 std::to_string(step.connection));
    auto database = joinDatabase(*step.text, step.kind);
    const auto known = numbered.emplace(step.connection, database.get()).first;
    EXPECT_EQ(known->second, database.get());
    EXPECT_EQ(providerConnectionsOpened() - openedBefore, numbered.size());
    if (step.then == kReleaseOpenedThird) {
      std::erase_if(held, [&](const SharedDatabase& d) { return d.get() == numbered[3]; });
      database.reset();
      continue;
    }
    held.push_back(std::move(database));
  }

  SharedDatabase elsewhere;
  std::thread([&] { elsewhere = joinDatabase(a, ProviderKind::kVoucherData); }).join();
  EXPECT_EQ(providerConnectionsOpened() - openedBefore, 5u);
  EXPECT_EQ(elsewhere->query(u"select count(*) from UserDefine where cID = N'H03'").rows.size(),
            1u);
}

// Every outside component at work: the list and archive sources (data, column settings, row
// authorisation, utility) and the voucher source (voucher data, money-column check).
void work(clsVelloc& velloc) {
  EXPECT_EQ(validateAr(velloc, kListSource, kHeader, "cdefine3", "", "", "HD", "", false).code, 0);
  EXPECT_EQ(validateAr(velloc, kArchiveSource, kHeader, "cdefine1", "person", "cPersonName", "王强",
                       "", false)
                .code,
            0);
  EXPECT_EQ(validateAr(velloc, kVoucherSource, kHeader, "cdefine2", "", "iAmount", "12500.50",
                       "CT02", false)
                .code,
            0);
  EXPECT_TRUE(
      getRefSql(velloc, kArchiveSource, kHeader, "", "person", "cPersonName", "", "王").result);
}

TEST_P(SharedConnectionContractTest, AComponentOpensOneConnectionForAllItsWork) {
  const auto savedRegistry = automation::ComponentRegistry::global().snapshot();
  erp::registerComponents();
  DllRegisterServer();
  const auto opened = [before = providerConnectionsOpened()] {
    return providerConnectionsOpened() - before;
  };
  {
    auto first = std::make_unique<clsVelloc>();
    ASSERT_TRUE(first->Init(demo_.connection(), u"demo"));
    work(*first);
    EXPECT_EQ(opened(), 1u);

    clsVelloc second;
    ASSERT_TRUE(second.Init(demo_.connection(), u"demo"));
    work(second);
    work(*first);
    EXPECT_EQ(opened(), 2u);

    first.reset();  // as a host does after a lost connection: the next one connects anew
    clsVelloc third;
    ASSERT_TRUE(third.Init(demo_.connection(), u"demo"));
    work(third);
    work(second);
    EXPECT_EQ(opened(), 3u);
  }
  automation::ComponentRegistry::global().restore(std::move(savedRegistry));
}

// A host's connection lent to the next component of its thread is the one all its outside
// components use: that component opens none, the next one opens its own as before, and the held
// connection answers on after the component is gone. One not lent is joined by nobody.
TEST_P(SharedConnectionContractTest, AHeldConnectionLentToAComponentIsItsOnlyConnection) {
  const auto savedRegistry = automation::ComponentRegistry::global().snapshot();
  erp::registerComponents();
  DllRegisterServer();
  const auto opened = [before = providerConnectionsOpened()] {
    return providerConnectionsOpened() - before;
  };
  {
    erp::HeldConnection lent(demo_.connection(), erp::HeldConnection::Sharing::kLentToComponent);
    const auto compiledBefore = lent.database().statementsCompiled();
    {
      clsVelloc first;
      ASSERT_TRUE(first.Init(demo_.connection(), u"demo"));
      work(first);
      EXPECT_EQ(opened(), 0u);
      EXPECT_GT(lent.database().statementsCompiled(), compiledBefore);
      clsVelloc second;
      ASSERT_TRUE(second.Init(demo_.connection(), u"demo"));
      work(second);
      EXPECT_EQ(opened(), 1u);
    }
    EXPECT_TRUE(erp::hasTable(lent, u"UserDefine"));

    erp::HeldConnection own(demo_.connection());
    clsVelloc third;
    ASSERT_TRUE(third.Init(demo_.connection(), u"demo"));
    work(third);
    EXPECT_EQ(opened(), 2u);
  }
  automation::ComponentRegistry::global().restore(std::move(savedRegistry));
}

// Inside ReadTogether a component answers as outside it; an archive inside it is written at
// once (another connection sees it before the scope ends) and read back by the next validation.
TEST_P(SharedConnectionContractTest, ReadsHeldTogetherAnswerAsAloneAndLetAnArchiveThrough) {
  const auto savedRegistry = automation::ComponentRegistry::global().snapshot();
  erp::registerComponents();
  DllRegisterServer();
  {
    clsVelloc velloc;
    ASSERT_TRUE(velloc.Init(demo_.connection(), u"demo"));
    const auto other = erp::db::openDatabase(demo_.connection());
    const auto archived = [&] {
      return other
          ->query(u"select count(*) from UserDefine where cID = N'H03' and cValue = N'华中区'")
          .rows.at(0)
          .at(0)
          .toLong();
    };
    const struct Step {
      std::int16_t source;
      const char* item;
      const char* table;
      const char* field;
      const char* value;
      const char* card;
      bool build;
      Validation expected;
      long archivedAfter;
    } steps[] = {
        {kListSource, "cdefine3", "", "", "HD", "", false, {0, "华东区"}, 0},
        {kArchiveSource, "cdefine1", "person", "cPersonName", "王强", "", false, {0, "王强"}, 0},
        {kVoucherSource, "cdefine2", "", "iAmount", "12500.50", "CT02", false, {0, "12500.50"}, 0},
        {kListSource, "cdefine3", "", "", "华中区", "", false, {-1, "华中区"}, 0},
        {kListSource, "cdefine3", "", "", "华中区", "", true, {1, "华中区"}, 1},
        {kListSource, "cdefine3", "", "", "华中区", "", false, {0, "华中区"}, 1},
    };
    const erp::ReadTogether together;
    for (const auto& s : steps) {
      SCOPED_TRACE(std::string(s.item) + " " + s.value + (s.build ? " build" : ""));
      const Validation v =
          validateAr(velloc, s.source, kHeader, s.item, s.table, s.field, s.value, s.card, s.build);
      EXPECT_EQ(v.code, s.expected.code);
      EXPECT_EQ(v.value, s.expected.value);
      EXPECT_EQ(archived(), s.archivedAfter);
    }
  }
  automation::ComponentRegistry::global().restore(std::move(savedRegistry));
}

INSTANTIATE_TEST_SUITE_P(Backends, SharedConnectionContractTest,
                         tarn::testing::everyContractBackend(),
                         tarn::testing::ContractBackendName());

}  // namespace
}  // namespace tarn::velloc::testing
