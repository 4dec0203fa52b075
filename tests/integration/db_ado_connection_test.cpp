// The ADODB.Connection object over a SQLite file: open, execute in SQL Server dialect, close,
// and the failures of each.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "erp/db/open_database.h"
#include "erp/objects/ado_connection.h"
#include "tarnvelloc/automation/error.h"
#include "tests/kit/printers.h"
#include "tests/kit/temporary_folder.h"

namespace tarn::erp {
namespace {

using automation::Argument;
using automation::AutomationError;
using automation::ErrorCode;
using automation::ObjectRef;
using automation::Variant;
using testing::utf8;

class DbAdoConnectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    connectionString_ = u"Provider=SQLite;Data Source=" + (folder_ / "erp.db").u16string();
    db::openDatabase(*db::ConnectionString::parse(connectionString_), true)
        ->executeScript(
            u"create table customer (cCusCode nvarchar(20) collate ERP_CI primary key,"
            u"  cCusName nvarchar(98) collate ERP_CI, iCreditLine money);"
            u"insert into customer values ('C1', '甲公司', 1000), ('C2', '乙公司', null);");
  }

  ObjectRef openConnection() {
    ObjectRef connection = makeAdoConnection();
    connection->call(u"Open", {Argument::byValue(Variant(connectionString_))});
    return connection;
  }

  const ::tarn::testing::TemporaryFolder folder_{"tarn-db-ado"};
  std::u16string connectionString_;
};

Variant execute(const ObjectRef& connection, std::u16string sql) {
  return connection->call(u"Execute", {Argument::byValue(Variant(std::move(sql)))});
}

Variant firstValue(const Variant& recordSet) {
  const ObjectRef fields = recordSet.toObject()->call(u"Fields").toObject();
  return fields->call(u"Item", {Argument::byValue(Variant(std::int32_t{0}))})
      .toObject()
      ->call(u"Value");
}

void expectFailure(const std::function<void()>& use, const std::string& message) {
  try {
    use();
    ADD_FAILURE() << "no failure";
  } catch (const AutomationError& error) {
    EXPECT_EQ(error.code(), ErrorCode::kComponentFailure);
    EXPECT_EQ(error.what(), message);
  }
}

TEST_F(DbAdoConnectionTest, OpensExecutesAndCloses) {
  const ObjectRef connection = makeAdoConnection();
  EXPECT_EQ(connection->call(u"State"), Variant(std::int32_t{0}));
  connection->call(
      u"Open", {Argument::byValue(Variant(connectionString_)), Argument::byValue(Variant(u"sa")),
                Argument::byValue(Variant(u"")), Argument::byValue(Variant(std::int32_t{-1}))});
  EXPECT_EQ(connection->call(u"State"), Variant(std::int32_t{1}));

  const Variant recordSet =
      execute(connection, u"select top 1 [cCusName] from customer where cCusCode = N'c2'");
  EXPECT_EQ(firstValue(recordSet), Variant(u"乙公司"));
  connection->call(u"Close");
  EXPECT_EQ(connection->call(u"State"), Variant(std::int32_t{0}));
  EXPECT_EQ(firstValue(recordSet), Variant(u"乙公司"));  // read in full before the close

  connection->call(u"Open", {Argument::byValue(Variant(connectionString_))});
  EXPECT_EQ(connection->call(u"State"), Variant(std::int32_t{1}));
}

TEST_F(DbAdoConnectionTest, RecordsAffectedIsSetOnlyWhenPassedByReference) {
  const ObjectRef connection = openConnection();
  Variant affected;
  const Variant update = connection->call(
      u"Execute", {Argument::byValue(Variant(u"update customer set iCreditLine = 5")),
                   Argument::byRef(affected), Argument::byValue(Variant(std::int32_t{1}))});
  EXPECT_EQ(affected, Variant(std::int32_t{2}));
  EXPECT_EQ(update.toObject()->call(u"EOF"), Variant(true));

  connection->call(u"Execute", {Argument::byValue(Variant(u"select * from customer")),
                                Argument::byRef(affected)});
  EXPECT_EQ(affected, Variant(std::int32_t{-1}));

  const Variant count = connection->call(
      u"Execute", {Argument::byValue(Variant(u"select count(*) from customer where "
                                             u"iCreditLine = 5")),
                   Argument::byValue(Variant())});
  EXPECT_EQ(firstValue(count), Variant(std::int32_t{2}));
}

TEST_F(DbAdoConnectionTest, FailuresRaiseComponentFailure) {
  const std::string missing = (folder_ / "missing.db").string();
  struct Case {
    std::string name;
    std::function<void(const ObjectRef&)> use;
    std::string message;
    std::int32_t stateAfter;
  };
  const auto open = [](std::u16string text) {
    return [text](const ObjectRef& connection) {
      connection->call(u"Open", {Argument::byValue(Variant(text))});
    };
  };
  const std::vector<Case> cases = {
      {"Execute when closed", [](const ObjectRef& c) { execute(c, u"select 1"); },
       "Component failure: the connection is not open", 0},
      {"Close when closed", [](const ObjectRef& c) { c->call(u"Close"); },
       "Component failure: the connection is not open", 0},
      {"malformed string", open(u"Data Source='erp.db"),
       "Component failure: malformed connection string: the value of Data Source has no closing "
       "quote",
       0},
      {"missing file", open(u"Data Source=" + (folder_ / "missing.db").u16string()),
       "Component failure: cannot open database '" + missing + "': unable to open database file",
       0},
      {"unknown provider", open(u"Provider=Jet;Data Source=erp"),
       "Component failure: unknown database provider 'Jet' (Provider= supports SQLite, SQLOLEDB, "
       "SQLNCLI11, MSOLEDBSQL and MSDASQL)",
       0},
      {"a SQL Server provider", open(u"Provider=SQLOLEDB;Data Source=erp;User ID=sa;Password=pw"),
       "Component failure: cannot connect to Driver={FreeTDS};Server=erp;UID=sa: 08S01: "
       "[FreeTDS][SQL Server]Unable to connect: Adaptive Server is unavailable or does not "
       "exist; 08001: [FreeTDS][SQL Server]Unable to connect to data source; 01000: "
       "[FreeTDS][SQL Server]Unknown host machine name.",
       0},
      {"open twice",
       [&](const ObjectRef& c) {
         open(connectionString_)(c);
         open(connectionString_)(c);
       },
       "Component failure: the connection is already open", 1},
      {"bad statement",
       [&](const ObjectRef& c) {
         open(connectionString_)(c);
         execute(c, u"select * from [no such]");
       },
       "Component failure: no such table: no such", 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const ObjectRef connection = makeAdoConnection();
    expectFailure([&] { c.use(connection); }, c.message);
    EXPECT_EQ(connection->call(u"State"), Variant(c.stateAfter));
  }
  EXPECT_FALSE(std::filesystem::exists(missing));
}

}  // namespace
}  // namespace tarn::erp
