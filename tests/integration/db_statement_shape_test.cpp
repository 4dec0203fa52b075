// Statements in SQL Server dialect as the SQLite backend runs them: the literals that stand for
// values become parameters (one compiled statement per shape, whatever the values), adjacent
// quoted tokens stay apart, and text that is not well-formed UTF-16 never reaches SQLite.
#include <gtest/gtest.h>

#include "erp/db/dialect.h"
#include "erp/db/open_database.h"
#include "tarnvelloc/erp/demo_database.h"
#include "tests/kit/expect_failure.h"
#include "tests/kit/printers.h"
#include "tests/kit/temporary_folder.h"

namespace tarn::erp::db {
namespace {

using automation::ErrorCode;
using automation::Variant;
using testing::expectFailure;
using testing::TemporaryFolder;
using testing::utf16;
using testing::utf8;

struct ShapeCase {
  const char* sqlServer;
  const char* shape;
  std::vector<const char*> values;
};

TEST(DbStatementShapeTest, ValueLiteralsBecomeParametersAndNamesStay) {
  const std::vector<ShapeCase> cases = {
      {"select A.cValue, A.cAlias from UserDefine A, UserDef B where B.cClass =N'单据头' and "
       "B.cItem =N'自定义项9' and B.cID = A.cID and A.cAlias =N'G500'",
       "select A.cValue, A.cAlias from UserDefine A, UserDef B where B.cClass =? and "
       "B.cItem =? and B.cID = A.cID and A.cAlias =?",
       {"单据头", "自定义项9", "G500"}},
      {"select a from t where a = N'it''s' and b = 'N''x'''",
       "select a from t where a = ? and b = ?",
       {"it's", "N'x'"}},
      {"select a from t where a like N'%x_%' escape '\\' or a in (N'', 'y')",
       "select a from t where a like ? escape ? or a in (?, ?)",
       {"%x_%", "\\", "", "y"}},
      {"select case when a = 'x' then 'y' else 'z' end 'alias' from t",
       "select case when a = ? then ? else ? end 'alias' from t",
       {"x", "y", "z"}},
      {"select cValue 'v', cAlias as N'a', (1) 'p', 2 'q', [c]'r' from t",
       "select cValue 'v', cAlias as N'a', (1) 'p', 2 'q', [c]'r' from t",
       {}},
      {"select N'a'N'b'", "select ?N'b'", {"a"}},
      {"select a -- 'x'\n, [it's], \"it's\" /* 'y' */ from t where b = 'z'",
       "select a -- 'x'\n, [it's], \"it's\" /* 'y' */ from t where b = ?",
       {"z"}},
      {"insert into t (a, b) values (N'x', 'y')", "insert into t (a, b) values (?, ?)", {"x", "y"}},
      {"update t set a = N'x' where b = 'y'", "update t set a = ? where b = ?", {"x", "y"}},
      {"create table t (a text default 'x' check (a <> 'y'))",
       "create table t (a text default 'x' check (a <> 'y'))",
       {}},
      {"pragma table_info('t')", "pragma table_info('t')", {}},
      {"select 'a' from t; create view v as select 'b'",
       "select ? from t; create view v as select 'b'",
       {"a"}},
      {"select a from t where b = N'unclosed", "select a from t where b = N'unclosed", {}},
      {"select N'a'1", "select ?1", {"a"}},
  };
  StatementShape shape;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sqlServer);
    const std::u16string text = utf16(c.sqlServer);
    shapeStatement(text, shape);
    EXPECT_EQ(utf8(shape.text), c.shape);
    std::vector<std::string> values;
    for (const auto& literal : shape.values) {
      std::u16string value;
      appendLiteralValue(value, literal);
      values.push_back(utf8(value));
    }
    EXPECT_EQ(values, std::vector<std::string>(c.values.begin(), c.values.end()));
  }
}

TEST(DbStatementShapeTest, AParameterMarkerInSqlServerTextIsRefused) {
  StatementShape shape;
  expectFailure([&] { shapeStatement(u"select a from t where b = ? and c = N'x'", shape); },
                ErrorCode::kComponentFailure,
                "Component failure: a statement in SQL Server dialect takes no parameter "
                "markers: select a from t where b = ? and c = N'x'");
  EXPECT_NO_THROW(shapeStatement(u"select '?', [?], \"?\" -- ?\nfrom t /* ? */", shape));
}

TEST(DbStatementShapeTest, AdjacentTokensStayApartInTheAdaptedText) {
  const std::vector<std::pair<const char*, const char*>> cases = {
      {"select [cValue][v] from UserDefine", "select \"cValue\" \"v\" from UserDefine"},
      {"select \"a\"[b], [a]\"b\" from t", "select \"a\" \"b\", \"a\" \"b\" from t"},
      {"select N'a'N'b'", "select 'a' 'b'"},
      {"select 'a'N'b'", "select 'a' 'b'"},
      {"select ?N'b'", "select ?'b'"},
      {"select ?1, ? 2, ?[x]", "select ? 1, ? 2, ?\"x\""},
      {"select top 1 a from t where b = ? order by c",
       "select a from t where b = ? order by c limit 1"},
      {"select top 1 BTTblName, cDefWhere from Vouchers where CardNumber =?",
       "select BTTblName, cDefWhere from Vouchers where CardNumber =? limit 1"},
  };
  for (const auto& [sqlServer, sqlite] : cases) {
    SCOPED_TRACE(sqlServer);
    EXPECT_EQ(utf8(adaptToSqlite(utf16(sqlServer))), sqlite);
  }
}

class DbStatementCacheTest : public ::testing::Test {
 protected:
  void SetUp() override {
    db_ = open();
    db_->executeScript(
        u"create table t (id integer primary key, v nvarchar(20) collate ERP_CI);"
        u"insert into t (v) values ('a'), ('b'), ('it''s');");
  }

  std::unique_ptr<Database> open() {
    return openDatabase(sqliteConnectionString(folder_ / "test.db"), true);
  }

  std::vector<std::string> column(const ResultSet& result) {
    std::vector<std::string> values;
    for (const auto& row : result.rows) values.push_back(utf8(row.at(0).toString()));
    return values;
  }

  TemporaryFolder folder_{"tarn-db-shape"};
  std::unique_ptr<Database> db_;
};

void expectRefused(const std::function<void()>& use, const std::string& message) {
  expectFailure(use, ErrorCode::kComponentFailure, message);
}

TEST_F(DbStatementCacheTest, StatementsDifferingInValuesAreCompiledOnce) {
  const std::uint64_t before = db_->statementsCompiled();
  for (int i = 0; i < 200; ++i) {
    const auto value = u"v" + utf16(std::to_string(i));
    db_->query(u"select id from t where v =N'" + value + u"' and id > " + u"0");
  }
  EXPECT_EQ(column(db_->query(u"select v from t where v = N'IT''S  '")),
            std::vector<std::string>{"it's"});
  EXPECT_EQ(db_->statementsCompiled() - before, 2u);
}

TEST_F(DbStatementCacheTest, NewLikePatternsDoNotRecompileTheStatement) {
  const std::uint64_t before = db_->statementsCompiled();
  for (const auto* pattern : {u"%a%", u"b%", u"%", u"it%", u"%s", u"x"}) {
    db_->query(u"select id from t where v like N'" + std::u16string(pattern) + u"'");
  }
  EXPECT_EQ(db_->statementsCompiled() - before, 1u);
}

TEST_F(DbStatementCacheTest, TheLeastRecentlyUsedShapeIsCompiledAgainOnceTheCacheIsFull) {
  const auto shape = [](int n) {
    return u"select id from t where id > " + utf16(std::to_string(n));
  };
  for (int n = 0; n < 64; ++n) db_->query(shape(n));
  const std::uint64_t full = db_->statementsCompiled();
  db_->query(shape(0));  // now the most recent; shape 1 is the least recent
  db_->query(shape(64));
  EXPECT_EQ(db_->statementsCompiled(), full + 1);
  db_->query(shape(0));
  EXPECT_EQ(db_->statementsCompiled(), full + 1);
  db_->query(shape(1));
  EXPECT_EQ(db_->statementsCompiled(), full + 2);
}

TEST_F(DbStatementCacheTest, AKeptStatementSeesSchemaChanges) {
  EXPECT_EQ(db_->query(u"select * from t where id = 1").columns,
            (std::vector<std::u16string>{u"id", u"v"}));
  open()->executeScript(u"alter table t add column w int default 7;");
  const std::uint64_t before = db_->statementsCompiled();
  const auto result = db_->query(u"select * from t where id = 1");
  EXPECT_EQ(db_->statementsCompiled(), before + 1);
  EXPECT_EQ(result.columns, (std::vector<std::u16string>{u"id", u"v", u"w"}));
  EXPECT_EQ(result.rows.at(0).at(2), Variant(std::int32_t{7}));
}

// A text run again finds its compiled statement with the values it bound last time; every run
// must still give the rows of its own values, whichever text of the shape ran before it, and
// whether it was refused or not.
TEST_F(DbStatementCacheTest, TextsRunAgainGiveTheRowsOfTheirOwnValues) {
  db_->executeScript(u"insert into t (v) values ('\U0001F600');");
  const std::u16string lone(1, char16_t{0xD800});
  struct Case {
    std::u16string value;           // between the quotes, as the statement writes it
    std::vector<std::string> rows;  // empty: refused
  };
  const std::vector<Case> cases = {
      {u"a", {"1"}},     {u"IT''S", {"3"}}, {u"a", {"1"}},     {u"\U0001F600", {"4"}},
      {u"b", {"2"}},     {u"b", {"2"}},     {u"x" + lone, {}}, {u"b", {"2"}},
      {u"zz", {}},       {u"a", {"1"}},     {u"IT''S", {"3"}}, {u"x" + lone, {}},
      {u"IT''S", {"3"}},
  };
  const std::uint64_t before = db_->statementsCompiled();
  for (int round = 0; round < 3; ++round) {
    for (const auto& c : cases) {
      SCOPED_TRACE(utf8(c.value) + " in round " + std::to_string(round));
      const std::u16string text = u"select id from t where v = N'" + c.value + u"'";
      if (c.value.find(lone) != std::u16string::npos) {
        expectRefused([&] { db_->query(text); },
                      "Component failure: the statement is not well-formed UTF-16: unpaired "
                      "surrogate U+D800 at code unit 30");
        continue;
      }
      EXPECT_EQ(column(db_->query(text)), c.rows);
    }
  }
  EXPECT_EQ(db_->statementsCompiled() - before, 1u);
}

// A kept text holds its compiled statement: dropped from the shapes kept, the statement still
// serves that text without being compiled again, while a new text of its shape compiles it anew.
TEST_F(DbStatementCacheTest, AKeptTextKeepsItsStatementAfterItsShapeIsDropped) {
  const std::u16string kept = u"select v from t where id = 2 and v <> N'x'";
  db_->query(kept);
  db_->query(kept);
  for (int n = 0; n < 64; ++n)
    db_->query(u"select id from t where id > " + utf16(std::to_string(n)));
  const std::uint64_t before = db_->statementsCompiled();
  EXPECT_EQ(column(db_->query(kept)), std::vector<std::string>{"b"});
  EXPECT_EQ(db_->statementsCompiled(), before);
  EXPECT_EQ(column(db_->query(u"select v from t where id = 2 and v <> N'b'")),
            std::vector<std::string>{});
  EXPECT_EQ(db_->statementsCompiled(), before + 1);
}

TEST_F(DbStatementCacheTest, AKeptTextSeesSchemaChanges) {
  const std::u16string text = u"select * from t where v = N'a'";
  for (int run = 0; run < 3; ++run) {
    EXPECT_EQ(db_->query(text).columns, (std::vector<std::u16string>{u"id", u"v"}));
  }
  open()->executeScript(u"alter table t add column w int default 7;");
  for (int run = 0; run < 2; ++run) {
    const auto result = db_->query(text);
    EXPECT_EQ(result.columns, (std::vector<std::u16string>{u"id", u"v", u"w"}));
    EXPECT_EQ(result.rows.at(0).at(2), Variant(std::int32_t{7}));
  }
}

TEST_F(DbStatementCacheTest, QuotedNamesAndValuesKeepTheirMeaning) {
  const auto aliased = db_->query(u"select [v][x] from t where id = 1");
  EXPECT_EQ(aliased.columns, std::vector<std::u16string>{u"x"});
  EXPECT_EQ(column(aliased), std::vector<std::string>{"a"});
  const auto literal = db_->query(u"select N'a'N'b'");
  EXPECT_EQ(literal.columns, std::vector<std::u16string>{u"b"});
  EXPECT_EQ(column(literal), std::vector<std::string>{"a"});
  EXPECT_TRUE(db_->query(u"select id from t where v = N'x'' or 1=1 --'").rows.empty());
  EXPECT_TRUE(
      db_->query(u"select id from t where v = N''' union select name from sqlite_master --'")
          .rows.empty());
}

TEST_F(DbStatementCacheTest, FailuresNameTheCallersStatement) {
  expectRefused([&] { db_->query(u"select v from t where v = N'a'; select 2"); },
                "Component failure: one statement at a time: select v from t where v = N'a'; "
                "select 2");
  expectRefused([&] { db_->query(u"select @x, v from t where v = N'a'"); },
                "Component failure: the statement names a variable that nothing sets: select "
                "@x, v from t where v = N'a'");
  expectRefused([&] { db_->query(u"select v from t where v = N'a"); },
                "Component failure: unrecognized token: \"'a\"");
  EXPECT_EQ(column(db_->query(u"select v from t where v = N'b'; -- done\n;")),
            std::vector<std::string>{"b"});
}

TEST_F(DbStatementCacheTest, IllFormedUtf16IsRefusedAndNothingIsStored) {
  const std::u16string lone(1, char16_t{0xD800});
  expectRefused(
      [&] { db_->query(u"select id from t where v = N'" + lone + u"'' or 1=1 --'"); },
      "Component failure: the statement is not well-formed UTF-16: unpaired surrogate U+D800 "
      "at code unit 29");
  expectRefused([&] { db_->query(u"insert into t (v) values (N'x" + lone + u"')"); },
                "Component failure: the statement is not well-formed UTF-16: unpaired surrogate "
                "U+D800 at code unit 29");
  expectRefused([&] { db_->query(u"insert into t ([v" + lone + u"]) values (N'x')"); },
                "Component failure: the statement is not well-formed UTF-16: unpaired surrogate "
                "U+D800 at code unit 17");
  const std::vector<Variant> parameters{Variant(u"ok"), Variant(lone + u"x")};
  expectRefused([&] { db_->queryNative(u"insert into t (v) values (? || ?)", parameters); },
                "Component failure: parameter 2 is not well-formed UTF-16: unpaired surrogate "
                "U+D800 at code unit 0");
  expectRefused([&] { db_->executeScript(u"insert into t (v) values ('" + lone + u"');"); },
                "Component failure: the script is not well-formed UTF-16: unpaired surrogate "
                "U+D800 at code unit 27");
  EXPECT_EQ(column(db_->query(u"select v from t order by id")),
            (std::vector<std::string>{"a", "b", "it's"}));
  // A well-formed pair is stored and comes back exactly.
  db_->query(u"insert into t (v) values (N'\U0001F600')");
  EXPECT_EQ(db_->query(u"select v from t where id = 4").rows.at(0).at(0), Variant(u"\U0001F600"));
}

TEST_F(DbStatementCacheTest, TheDataVersionMovesWithEveryChangeFromEitherConnection) {
  for (const std::u16string mode : {u"delete", u"wal"}) {
    SCOPED_TRACE(utf8(mode));
    db_->executeScript(u"pragma journal_mode = " + mode + u";");
    const auto other = open();
    const std::uint64_t start = db_->dataVersion();
    db_->query(u"select v from t");
    EXPECT_EQ(db_->dataVersion(), start);
    other->query(u"update t set v = N'" + mode + u"' where id = 1");
    const std::uint64_t afterOther = db_->dataVersion();
    EXPECT_NE(afterOther, start);
    EXPECT_EQ(db_->dataVersion(), afterOther);
    other->executeScript(u"create table " + mode + u"_theirs (a);");
    const std::uint64_t afterTheirSchema = db_->dataVersion();
    EXPECT_NE(afterTheirSchema, afterOther);
    db_->query(u"delete from t where id = 2");
    const std::uint64_t afterOwn = db_->dataVersion();
    EXPECT_NE(afterOwn, afterTheirSchema);
    db_->executeScript(u"create table " + mode + u"_ours (a);");
    EXPECT_NE(db_->dataVersion(), afterOwn);
  }
}

}  // namespace
}  // namespace tarn::erp::db
