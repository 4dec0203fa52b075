// The database layer's contract, run on every backend (contract_kit.h): what goes in comes back
// exactly, text compares as the ERP's database compares it, values never reach the SQL parser,
// and failures raise kComponentFailure with the database's own message and never a password.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "erp/db/open_database.h"
#include "erp/db/transaction.h"
#include "tarnvelloc/automation/error.h"
#include "tests/contract/contract_kit.h"
#include "tests/kit/printers.h"

namespace tarn::testing {
namespace {

using automation::AutomationError;
using automation::ErrorCode;
using automation::Variant;
using erp::db::Database;

class DatabaseContractTest : public ::testing::TestWithParam<ContractBackend> {
 protected:
  void SetUp() override {
    if (!demo_.skipReason().empty()) GTEST_SKIP() << demo_.skipReason();
    db_ = erp::db::openDatabase(demo_.connection());
  }

  std::vector<std::vector<Variant>> rows(std::u16string_view sqlServerText) {
    return db_->query(sqlServerText).rows;
  }

  ContractDatabase demo_{GetParam()};
  std::unique_ptr<Database> db_;
};

// Runs `work` and gives the kComponentFailure message it raised.
template <typename Work>
std::string failureOf(Work work) {
  try {
    work();
  } catch (const AutomationError& error) {
    EXPECT_EQ(error.code(), ErrorCode::kComponentFailure);
    return error.what();
  }
  ADD_FAILURE() << "no failure";
  return {};
}

TEST_P(DatabaseContractTest, TextComesBackExactlyThroughParametersAndLiterals) {
  const std::vector<std::u16string> values = {u"华东区（新）",
                                              u"𠀀𝄞 outside the BMP 😀",
                                              u"it's; -- not a comment ? /* nor this */",
                                              u"x' or '1'='1",
                                              u"trailing  ",
                                              u"[bracketed] \"quoted\" N'x'"};
  erp::db::Transaction transaction(*db_);  // rolled back: the demo stays as it was
  for (const auto& value : values) {
    SCOPED_TRACE(utf8(value));
    const std::vector<Variant> parameters = {Variant(u"H01"), Variant(value), Variant::null()};
    db_->queryNative(u"insert into UserDefine (cID, cValue, cAlias) values (?, ?, ?)", parameters);
    EXPECT_EQ(db_->rowsChanged(), 1);
    const std::vector<Variant> key = {Variant(value)};
    const auto native =
        db_->queryNative(u"select cValue, cAlias from UserDefine where cValue = ?", key);
    EXPECT_EQ(native.rows, (std::vector<std::vector<Variant>>{{Variant(value), Variant::null()}}));
    std::u16string literal;
    for (const char16_t c : value) literal += c == u'\'' ? u"''" : std::u16string(1, c);
    EXPECT_EQ(rows(u"select [cValue] from UserDefine where cValue = N'" + literal + u"'"),
              (std::vector<std::vector<Variant>>{{Variant(value)}}));
  }
  EXPECT_EQ(rows(u"select cValue from UserDefine where cValue = 'x'' or ''1''=''1 '' --'"),
            (std::vector<std::vector<Variant>>{}));
}

// Text in the statement itself: a script's literals, a column's name, the database's message.
TEST_P(DatabaseContractTest, TextInsideStatementsAndNamesArrivesWhole) {
  erp::db::Transaction transaction(*db_);  // rolled back: the demo stays as it was
  db_->executeScript(
      u"insert into UserDefine (cID, cValue) values ('H01', '脚本😀; -- 一');\n"
      u"insert into UserDefine (cID, cValue) values ('H01', 'é中');");
  const auto result = db_->query(
      u"select cValue as [档案值] from UserDefine where cValue in (N'脚本😀; -- 一', N'é中') "
      u"order by cValue");
  EXPECT_EQ(result.columns, std::vector<std::u16string>{u"档案值"});
  EXPECT_EQ(result.rows,
            (std::vector<std::vector<Variant>>{{Variant(u"é中")}, {Variant(u"脚本😀; -- 一")}}));
}

TEST_P(DatabaseContractTest, IllFormedTextIsRefusedBeforeItReachesTheDatabase) {
  const std::u16string unpaired(1, char16_t{0xD800});
  const std::vector<Variant> parameter = {Variant(std::u16string(1, char16_t{0xDC00}) + u"x")};
  struct Case {
    std::string label;
    std::function<void()> call;
    std::string message;
  };
  const std::vector<Case> cases = {
      {"a literal",
       [&] { db_->query(u"select cCusCode from customer where cCusName = N'a" + unpaired + u"'"); },
       "Component failure: the statement is not well-formed UTF-16: unpaired surrogate U+D800 at "
       "code unit 50"},
      {"a parameter",
       [&] { db_->queryNative(u"select cCusCode from customer where cCusName = ?", parameter); },
       "Component failure: parameter 1 is not well-formed UTF-16: unpaired surrogate U+DC00 at "
       "code unit 0"},
      {"a script", [&] { db_->executeScript(u"select '" + unpaired + u"'"); },
       "Component failure: the script is not well-formed UTF-16: unpaired surrogate U+D800 at "
       "code unit 8"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(failureOf(c.call), c.message);
  }
}

TEST_P(DatabaseContractTest, NumbersComeBackAsTheirAutomationTypes) {
  EXPECT_EQ(rows(u"select iCreditLine from customer order by iid"),
            (std::vector<std::vector<Variant>>{{Variant(std::int32_t{500000})},
                                               {Variant(std::int32_t{200000})},
                                               {Variant(std::int32_t{0})},
                                               {Variant(125000.5)}}));
  EXPECT_EQ(rows(u"select iMaxLen from UserDef where cID in ('H01', 'B02') order by cID"),
            (std::vector<std::vector<Variant>>{{Variant::null()}, {Variant(std::int32_t{20})}}));
  EXPECT_EQ(rows(u"select count(*), 2147483647, 2147483648, -2147483649, 1.5, -3"),
            (std::vector<std::vector<Variant>>{
                {Variant(std::int32_t{1}), Variant(std::int32_t{2147483647}), Variant(2147483648.0),
                 Variant(-2147483649.0), Variant(1.5), Variant(std::int32_t{-3})}}));
}

TEST_P(DatabaseContractTest, TextComparesIgnoringCaseAndTrailingBlanks) {
  struct Case {
    std::u16string condition;
    std::vector<std::vector<Variant>> codes;
  };
  const std::vector<Case> cases = {
      {u"cCusCode = 'c001'", {{Variant(u"C001")}}},
      {u"cCusCode = 'C001   '", {{Variant(u"C001")}}},
      {u"cCusName = N'acme trading ltd. '", {{Variant(u"C004")}}},
      {u"cCusAbbName = N'华联商贸 '", {{Variant(u"C001")}}},
      {u"cCusCode = ' C001'", {}},
      {u"cCusName like N'%华联%'", {{Variant(u"C001")}}},
      {u"cCusName like N'ACME%'", {{Variant(u"C004")}}},
      {u"cCusName like N'%有限公司'", {{Variant(u"C001")}, {Variant(u"C002")}, {Variant(u"C003")}}},
      {u"cCusPhone like '010-%'", {{Variant(u"C001")}}},
      {u"cCusCode in (N'c002', 'C003 ')", {{Variant(u"C002")}, {Variant(u"C003")}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(utf8(c.condition));
    EXPECT_EQ(rows(u"select cCusCode from customer where " + c.condition + u" order by cCusCode"),
              c.codes);
  }
}

TEST_P(DatabaseContractTest, LongTextAndOneShapePerStatement) {
  const std::u16string longText = std::u16string(3000, u'文') + u"😀" + std::u16string(3000, u'a');
  EXPECT_EQ(rows(u"select N'" + longText + u"' as t"),
            (std::vector<std::vector<Variant>>{{Variant(longText)}}));
  const std::uint64_t before = db_->statementsCompiled();
  for (const auto code : {u"C001", u"C002", u"C003"}) {
    db_->query(u"select cCusName from customer where cCusCode = N'" + std::u16string(code) + u"'");
  }
  EXPECT_EQ(db_->statementsCompiled(), before + 1);
}

TEST_P(DatabaseContractTest, TopAndBracketsAreAdaptedForTheDatabase) {
  EXPECT_EQ(
      rows(u"select top 2 [cCusCode], [iCreditLine] from [customer] order by [cCusCode] desc"),
      (std::vector<std::vector<Variant>>{{Variant(u"C004"), Variant(125000.5)},
                                         {Variant(u"C003"), Variant(std::int32_t{0})}}));
}

TEST_P(DatabaseContractTest, StatementFailuresCarryTheDatabasesOwnMessage) {
  struct Case {
    std::u16string sql;
    std::map<ContractBackend, std::string> expectedStart;
  };
  const std::vector<Case> cases = {
      {u"select cNoSuchColumn from customer",
       {{ContractBackend::kSqlite, "Component failure: no such column: cNoSuchColumn"},
        {ContractBackend::kSqliteOdbc,
         "Component failure: HY000: [SQLite]no such column: cNoSuchColumn (1)"},
        {ContractBackend::kPostgreSqlOdbc,
         "Component failure: 42703: ERROR: column \"cnosuchcolumn\" does not exist"}}},
      {u"select 列名 from customer",
       {{ContractBackend::kSqlite, "Component failure: no such column: 列名"},
        {ContractBackend::kSqliteOdbc,
         "Component failure: HY000: [SQLite]no such column: 列名 (1)"},
        {ContractBackend::kPostgreSqlOdbc,
         "Component failure: 42703: ERROR: column \"列名\" does not exist"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(utf8(c.sql));
    const std::string message = failureOf([&] { db_->query(c.sql); });
    const std::string& start = c.expectedStart.at(GetParam());
    EXPECT_EQ(message.substr(0, start.size()), start) << message;
  }
}

TEST_P(DatabaseContractTest, TransactionsCommitAndRollBack) {
  const std::vector<Variant> value = {Variant(u"H01"), Variant(u"回滚")};
  const std::u16string insert = u"insert into UserDefine (cID, cValue) values (?, ?)";
  const std::u16string count = u"select count(*) from UserDefine where cValue = N'回滚'";
  {
    erp::db::Transaction transaction(*db_);
    db_->queryNative(insert, value);
    EXPECT_EQ(rows(count), (std::vector<std::vector<Variant>>{{Variant(std::int32_t{1})}}));
  }
  EXPECT_EQ(rows(count), (std::vector<std::vector<Variant>>{{Variant(std::int32_t{0})}}));
  db_->begin();
  db_->queryNative(insert, value);
  db_->commit();
  EXPECT_EQ(rows(count), (std::vector<std::vector<Variant>>{{Variant(std::int32_t{1})}}));
  db_->query(u"delete from UserDefine where cValue = N'回滚'");
  EXPECT_EQ(db_->rowsChanged(), 1);
}

TEST_P(DatabaseContractTest, AClosedConnectionLeavesNoTransactionOpen) {
  const std::vector<Variant> value = {Variant(u"H01"), Variant(u"未提交")};
  const std::u16string insert = u"insert into UserDefine (cID, cValue) values (?, ?)";
  db_->begin();
  db_->queryNative(insert, value);
  db_.reset();
  auto other = erp::db::openDatabase(demo_.connection());
  erp::db::Transaction transaction(*other);  // rolled back: the demo stays as it was
  other->queryNative(insert, value);
  EXPECT_EQ(other->rowsChanged(), 1);
}

TEST_P(DatabaseContractTest, AFailedConnectionShowsNoPassword) {
  const std::string message = failureOf([&] { erp::db::openDatabase(demo_.failingConnection()); });
  EXPECT_EQ(message.find(utf8(ContractDatabase::kFailingPassword)), std::string::npos) << message;
  EXPECT_TRUE(message.starts_with(GetParam() == ContractBackend::kSqlite
                                      ? "Component failure: cannot open database '"
                                      : "Component failure: cannot connect to Driver="))
      << message;
}

INSTANTIATE_TEST_SUITE_P(Backends, DatabaseContractTest, everyContractBackend(),
                         ContractBackendName());

}  // namespace
}  // namespace tarn::testing
