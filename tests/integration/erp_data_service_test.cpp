// The archive and voucher data services over a fresh demo database: readiness, statements in
// SQL Server dialect, archiving through Add, and the voucher field lists. Runs on PostgreSQL too
// when TARN_TEST_POSTGRES is set.
#include <string>
#include <vector>

#include "erp_test_support.h"

namespace tarn::erp::testing {
namespace {

using automation::AutomationError;
using automation::ErrorCode;

constexpr std::u16string_view kDataServices[] = {u"TarnDataSvc.IDataSvc",
                                                 u"TarnVoucherSvc.IVoucherSvc"};

using DataServiceTest = ErpDatabaseTest;

TEST_F(DataServiceTest, StatusTellsWhetherInitOpenedTheDatabase) {
  struct Case {
    std::string label;
    std::u16string connectionString;
    bool status;
  };
  const std::vector<Case> cases = {
      {"the demo database", connection(), true},
      {"a missing file", sqliteConnectionString(folder_ / "missing.db"), false},
      {"an unclosed quote", u"Provider=SQLite;Data Source=\"erp.db", false},
      {"a pair without '='", u"Provider=SQLite;erp.db", false},
      {"an unknown provider", u"Provider=Paradox;Data Source=" + databasePath_.u16string(), false},
      {"the empty string", u"", false},
  };
  for (const auto progId : kDataServices) {
    for (const auto& c : cases) {
      SCOPED_TRACE(automation::toUtf8(progId) + ": " + c.label);
      const auto service = create(progId);
      EXPECT_FALSE(call(service, u"Status").toBoolean());
      Variant connectionString(c.connectionString);
      callByRef(service, u"Init", {&connectionString});
      EXPECT_EQ(call(service, u"status").toBoolean(), c.status);
    }
  }
}

TEST_F(DataServiceTest, OpenXRunsSqlServerDialectWithOneToThreeArguments) {
  for (const auto progId : kDataServices) {
    SCOPED_TRACE(automation::toUtf8(progId));
    const auto service = create(progId);
    call(service, u"Init", {Variant(connection())});
    Variant sql(u"select top 1 BTTblName, cDefWhere from Vouchers where CardNumber =N'ct01'");
    Variant flag(false);
    Variant text(u"");
    const auto oneArgument = callByRef(service, u"OpenX", {&sql}).toObject();
    EXPECT_EQ(readRows(oneArgument, {u"BTTblName", u"cDefWhere"}),
              (std::vector<std::vector<std::string>>{{"contracts", "where bFlag=1"}}));
    const auto threeArguments = callByRef(service, u"OpenX", {&sql, &flag, &text}).toObject();
    EXPECT_EQ(readRows(threeArguments, {u"BTTblName"}),
              (std::vector<std::vector<std::string>>{{"contracts"}}));
    EXPECT_EQ(flag, Variant(false));
    EXPECT_EQ(text, Variant(u""));
    EXPECT_THROW(call(service, u"OpenX", {sql, flag, text, Variant(1)}), AutomationError);
  }
}

TEST_F(DataServiceTest, OpenXRaisesBeforeInitAndOnADatabaseFailure) {
  const auto uninitialised = create(u"TarnDataSvc.IDataSvc");
  try {
    call(uninitialised, u"OpenX", {Variant(u"select 1")});
    FAIL() << "OpenX before Init";
  } catch (const AutomationError& error) {
    EXPECT_EQ(error.code(), ErrorCode::kComponentFailure);
    EXPECT_STREQ(error.what(), "Component failure: TarnDataSvc.IDataSvc is not initialised");
  }
  // The database's own message, as each backend words it. psqlODBC follows PostgreSQL's with
  // words of its own, which depend on how it sent the statement.
  const std::string missingTable =
      onPostgres() ? "Component failure: 42P01: ERROR: relation \"nosuchtable\" does not exist"
                   : "Component failure: no such table: NoSuchTable";
  const auto service = create(u"TarnDataSvc.IDataSvc");
  call(service, u"Init", {Variant(connection())});
  try {
    call(service, u"OpenX", {Variant(u"select * from NoSuchTable")});
    FAIL() << "OpenX on a missing table";
  } catch (const AutomationError& error) {
    EXPECT_EQ(error.code(), ErrorCode::kComponentFailure);
    const std::string message = error.what();
    EXPECT_EQ(onPostgres() ? message.substr(0, missingTable.size()) : message, missingTable);
  }
}

// Add through the late-bound face: the record and the message by reference, the archive name by
// value, as the component passes them.
struct AddResult {
  bool added;
  std::string message;
};

AddResult add(const ObjectRef& service, std::u16string record, std::u16string archiveName) {
  Variant recordArgument(std::move(record));
  Variant message(u"left by the caller");
  std::vector<Argument> args{Argument::byRef(recordArgument),
                             Argument::byValue(Variant(std::move(archiveName))),
                             Argument::byRef(message)};
  const bool added = service->call(u"Add", args).toBoolean();
  return {added, automation::toUtf8(message.toString())};
}

using Rows = std::vector<std::vector<std::string>>;

Rows valuesOfItem(const std::u16string& connectionString, std::u16string itemId) {
  return queryDatabase(connectionString,
                       u"select cValue, cAlias from UserDefine where cID = ? order by iID",
                       {Variant(std::move(itemId))});
}

TEST_F(DataServiceTest, AddArchivesTheValueExactlyAsTyped) {
  struct Case {
    std::string label;
    std::u16string record;
    std::u16string itemId;
    std::string archivedValue;
  };
  const std::vector<Case> cases = {
      {"a Chinese value", u16("<Userdefine><cId>H03</cId><cValue>西南区</cValue></Userdefine>"),
       u"H03", "西南区"},
      {"markup characters as entities",
       u"<Userdefine><cId>H01</cId><cValue>A&amp;B &lt;x&gt; &quot;q&quot; it&apos;s</cValue>"
       u"</Userdefine>",
       u"H01", "A&B <x> \"q\" it's"},
      {"character references, blanks and line ends kept",
       u"<Userdefine><cId>H06</cId><cValue>  two&#32;blanks\r\n&#x4E2D;</cValue></Userdefine>",
       u"H06", "  two blanks\r\n中"},
      {"a CDATA section",
       u"<Userdefine><cId>H01</cId><cValue><![CDATA[A&B <raw>]]></cValue></Userdefine>", u"H01",
       "A&B <raw>"},
      {"a value of blanks alone", u"<Userdefine><cId>F02</cId><cValue>   </cValue></Userdefine>",
       u"F02", "   "},
      {"element names in another letter case",
       u"<UserDefine><CID>B01</CID><cvalue>Green</cvalue></UserDefine>", u"B01", "Green"},
  };
  for (const auto progId : kDataServices) {
    // Each service archives into a demo database of its own: a value the other one archived
    // would already be there, and a second Add of it writes no row.
    const ::tarn::testing::TemporaryDemoDatabase fresh{"tarn-erp-add"};
    const auto database = fresh.connectionString();
    const auto service = create(progId);
    call(service, u"Init", {Variant(database)});
    for (const auto& c : cases) {
      SCOPED_TRACE(automation::toUtf8(progId) + ": " + c.label);
      const auto before = valuesOfItem(database, c.itemId);
      const auto result = add(service, c.record, u"UserDefine");
      EXPECT_TRUE(result.added);
      EXPECT_EQ(result.message, "");
      auto expected = before;
      expected.push_back({c.archivedValue, "<null>"});
      EXPECT_EQ(valuesOfItem(database, c.itemId), expected);
    }
  }
}

TEST_F(DataServiceTest, AddOfAValueAlreadyArchivedSucceedsWithoutASecondRow) {
  const auto service = create(u"TarnDataSvc.IDataSvc");
  call(service, u"Init", {Variant(connection())});
  const Rows expected = {{"华东区", "HD"}, {"华南区", "HN"}, {"华北区", "HB"}, {"Export", "出口"}};
  for (const auto* record : {u"<Userdefine><cId>H03</cId><cValue>华东区</cValue></Userdefine>",
                             u"<Userdefine><cId>h03</cId><cValue>EXPORT  </cValue></Userdefine>"}) {
    SCOPED_TRACE(automation::toUtf8(record));
    EXPECT_TRUE(add(service, record, u"userdefine").added);
    EXPECT_EQ(valuesOfItem(connection(), u"H03"), expected);
  }
}

TEST_F(DataServiceTest, AddRefusesWithTheReasonAndWritesNothing) {
  struct Case {
    std::string label;
    std::u16string record;
    std::u16string archiveName;
    std::string message;
  };
  const std::vector<Case> cases = {
      {"an unclosed element", u"<Userdefine><cId>H03</cId><cValue>x</cValue>", u"UserDefine",
       "Component failure: archive record refused: not well-formed XML (Start-end tags mismatch "
       "at offset 43)"},
      {"a raw ampersand", u"<Userdefine><cId>H03</cId><cValue>A&B</cValue></Userdefine>",
       u"UserDefine",
       "Component failure: archive record refused: not well-formed XML ('&' starts no entity "
       "or character reference at offset 35)"},
      {"another element", u"<Archive><cId>H03</cId><cValue>x</cValue></Archive>", u"UserDefine",
       "Component failure: archive record refused: the top-level element is not <Userdefine>"},
      {"no value", u"<Userdefine><cId>H03</cId></Userdefine>", u"UserDefine",
       "Component failure: archive record refused: <cValue> is missing"},
      {"two values", u"<Userdefine><cId>H03</cId><cValue>a</cValue><cValue>b</cValue></Userdefine>",
       u"UserDefine", "Component failure: archive record refused: <cValue> appears twice"},
      {"markup inside the value", u"<Userdefine><cId>H03</cId><cValue>a<b/></cValue></Userdefine>",
       u"UserDefine", "Component failure: archive record refused: <cValue> holds more than text"},
      {"an unknown item", u"<Userdefine><cId>H99</cId><cValue>x</cValue></Userdefine>",
       u"UserDefine", "Component failure: no item with cID H99"},
      {"another archive", u"<Userdefine><cId>H03</cId><cValue>x</cValue></Userdefine>", u"customer",
       "Component failure: unknown archive: customer"},
  };
  const auto service = create(u"TarnDataSvc.IDataSvc");
  call(service, u"Init", {Variant(connection())});
  const auto before = queryDatabase(connection(), u"select count(*) from UserDefine");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const auto result = add(service, c.record, c.archiveName);
    EXPECT_FALSE(result.added);
    EXPECT_EQ(result.message, c.message);
    EXPECT_EQ(queryDatabase(connection(), u"select count(*) from UserDefine"), before);
  }
}

TEST_F(DataServiceTest, AddBeforeInitRefusesWithTheReason) {
  const auto result =
      add(create(u"TarnDataSvc.IDataSvc"),
          u"<Userdefine><cId>H03</cId><cValue>x</cValue></Userdefine>", u"UserDefine");
  EXPECT_FALSE(result.added);
  EXPECT_EQ(result.message, "Component failure: TarnDataSvc.IDataSvc is not initialised");
}

TEST_F(DataServiceTest, GetFieldNamesGivesTheFieldListOrTheTableColumns) {
  struct Case {
    std::u16string table;
    Rows fields;
  };
  // A table without a field list gives its columns as its database names them: PostgreSQL
  // keeps the schema's unquoted names in lower case.
  const Rows warehouseColumns =
      onPostgres()
          ? Rows{{"cwhcode", "cwhcode"}, {"cwhname", "cwhname"}, {"cwhaddress", "cwhaddress"}}
          : Rows{{"cWhCode", "cWhCode"}, {"cWhName", "cWhName"}, {"cWhAddress", "cWhAddress"}};
  const std::vector<Case> cases = {
      {u"contracts",
       {{"cContractCode", "合同编号"}, {"cContractName", "合同名称"}, {"iAmount", "合同金额"}}},
      {u"CONTRACTS ",
       {{"cContractCode", "合同编号"}, {"cContractName", "合同名称"}, {"iAmount", "合同金额"}}},
      {u"warehouse", warehouseColumns},
  };
  const auto service = create(u"TarnVoucherSvc.IVoucherSvc");
  call(service, u"Init", {Variant(connection())});
  for (const auto& c : cases) {
    SCOPED_TRACE(automation::toUtf8(c.table));
    Variant table(c.table);
    Variant flag(false);
    Variant text(u"");
    const auto fields = callByRef(service, u"GetFieldNames", {&table, &flag, &text}).toObject();
    EXPECT_EQ(readRows(fields, {u"FieldName", u"fielddef"}), c.fields);
  }
  EXPECT_THROW(
      call(service, u"GetFieldNames", {Variant(u"nosuchtable"), Variant(false), Variant(u"")}),
      AutomationError);
}

TEST_F(DataServiceTest, OnlyTheVoucherServiceOffersFieldNames) {
  const auto archive = create(u"TarnDataSvc.IDataSvc");
  call(archive, u"Init", {Variant(connection())});
  try {
    call(archive, u"GetFieldNames", {Variant(u"contracts"), Variant(false), Variant(u"")});
    FAIL() << "the archive data service has no GetFieldNames";
  } catch (const AutomationError& error) {
    EXPECT_EQ(error.code(), ErrorCode::kUnknownOperation);
  }
}

}  // namespace
}  // namespace tarn::erp::testing
