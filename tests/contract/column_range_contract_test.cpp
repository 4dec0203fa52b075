// The ERP schema's column types, run on every backend (contract_kit.h): each column keeps the
// extremes of its type, written as the component and the outside components write them, and
// gives them back exactly. An item's length holds any 32-bit number, so the archiving step, not
// the database, decides about a length outside -32768..32767.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "erp/db/database.h"
#include "erp/db/transaction.h"
#include "tarnvelloc/automation/error.h"
#include "tests/contract/contract_kit.h"
#include "tests/kit/printers.h"

namespace tarn::testing {
namespace {

using automation::Variant;
using Rows = std::vector<std::vector<Variant>>;

class ColumnRangeContractTest : public ::testing::TestWithParam<ContractBackend> {
 protected:
  void SetUp() override {
    if (!demo_.skipReason().empty()) GTEST_SKIP() << demo_.skipReason();
    db_ = erp::db::openDatabase(demo_.connection());
  }

  ContractDatabase demo_{GetParam()};
  std::unique_ptr<erp::db::Database> db_;
};

Variant whole(std::int32_t value) { return Variant(value); }

// Rows as their values' readable forms (kind and exact value), so a failure shows them.
std::vector<std::vector<std::string>> shown(const Rows& rows) {
  std::vector<std::vector<std::string>> out;
  for (const auto& row : rows) {
    auto& line = out.emplace_back();
    for (const auto& value : row) line.push_back(value.describe());
  }
  return out;
}

// `units` UTF-16 code units: `text` repeated, then the first units of `text` to fill up.
std::u16string filled(std::u16string_view text, std::size_t units) {
  std::u16string out;
  while (out.size() + text.size() <= units) out += text;
  out += text.substr(0, units - out.size());
  return out;
}

// A text as an N'…' literal of a statement.
std::u16string literal(std::u16string_view text) {
  std::u16string out = u"N'";
  for (const char16_t c : text) out += c == u'\'' ? u"''" : std::u16string(1, c);
  return out + u"'";
}

TEST_P(ColumnRangeContractTest, EveryColumnKeepsTheExtremesOfItsType) {
  // The longest text of each width, outside the BMP too (a pair counts two units).
  const std::u16string value120 = filled(u"😀华", 120);
  const std::u16string alias120 = filled(u"别名 ", 119) + u"x";
  const std::u16string card30 = filled(u"CT-", 30);
  const std::u16string table128 = filled(u"表", 128);
  const std::u16string where255 = filled(u"bFlag=1 and ", 255);
  const std::u16string join500 = filled(u"customer left join person on 1=1 ", 500);
  struct Case {
    std::string label;
    std::vector<std::u16string> inserts;
    std::u16string select;
    Rows rows;
  };
  const std::vector<Case> cases = {
      {"an item's length: 32-bit extremes, and lengths past 16 bits",
       {u"insert into UserDef (cID, cClass, cItem, cType, iMaxLen) values "
        u"(N'R1', N'单据头', N'自定义项91', N'文本', -2147483648), "
        u"(N'R2', N'单据头', N'自定义项92', N'文本', -32769), "
        u"(N'R3', N'单据头', N'自定义项93', N'文本', 40000), "
        u"(N'R4', N'单据头', N'自定义项94', N'文本', 2147483647)"},
       u"select cID, iMaxLen from UserDef where cID like N'R_' order by cID",
       {{Variant(u"R1"), whole(INT32_MIN)},
        {Variant(u"R2"), whole(-32769)},
        {Variant(u"R3"), whole(40000)},
        {Variant(u"R4"), whole(INT32_MAX)}}},
      {"a layout: 16-bit positions, 32-bit widths, a key of the longest table name",
       {u"insert into TarnColumnLayout (cLayoutKey, iColumnNo, cExpression, cCaption, iWidth, "
        u"iOrderNo) values (" +
        literal(table128 + u"Ref") + u", -32768, N'A.a', N'甲', -2147483648, 32767), (" +
        literal(table128 + u"Ref") + u", 32767, N'A.b', N'乙', 2147483647, -32768)"},
       u"select cLayoutKey, iColumnNo, iWidth, iOrderNo from TarnColumnLayout "
       u"where cExpression in (N'A.a', N'A.b') order by iColumnNo",
       {{Variant(table128 + u"Ref"), whole(-32768), whole(INT32_MIN), whole(32767)},
        {Variant(table128 + u"Ref"), whole(32767), whole(INT32_MAX), whole(-32768)}}},
      {"an archived value and its alias at their widths",
       {u"insert into UserDefine (cID, cValue, cAlias) values (N'H01', " + literal(value120) +
        u", " + literal(alias120) + u")"},
       u"select cValue, cAlias from UserDefine where cValue = " + literal(value120),
       {{Variant(value120), Variant(alias120)}}},
      {"a voucher definition at its widths, and a join text",
       {u"insert into Vouchers (CardNumber, cCardName, BTTblName, cDefWhere) values (" +
            literal(card30) + u", N'宽', " + literal(table128) + u", " + literal(where255) + u")",
        u"insert into TarnJoinTable (cTableName, cJoinText) values (" + literal(table128) + u", " +
            literal(join500) + u")"},
       u"select V.CardNumber, V.BTTblName, V.cDefWhere, J.cJoinText from Vouchers V, "
       u"TarnJoinTable J where V.BTTblName = J.cTableName",
       {{Variant(card30), Variant(table128), Variant(where255), Variant(join500)}}},
      {"archive keys at the 32-bit extremes, found through a grant's text keys",
       {u"insert into customer (iid, cCusCode, cCusName) values "
        u"(-2147483648, N'K1', N'最小'), (2147483647, N'K2', N'最大')",
        u"insert into TarnRowAuth (iGrantId, cUserId, cTableName, cAccess) "
        u"values (90, N'edge', N'customer', N'listed')",
        u"insert into TarnRowAuthKey (iGrantId, cKey) values "
        u"(90, N'-2147483648'), (90, N'2147483647'), (90, N'2147483648'), (90, N'99999999999')"},
       u"select iid, cCusCode from customer "
       u"where iid in (select cKey from TarnRowAuthKey where iGrantId = 90) order by iid",
       {{whole(INT32_MIN), Variant(u"K1")}, {whole(INT32_MAX), Variant(u"K2")}}},
      {"money to four decimals, and datetimes at the ends of their range",
       {u"insert into contracts (cContractCode, cContractName, iAmount, dSignDate) values "
        u"(N'M1', N'甲', 0.0001, N'1753-01-01 00:00:00'), "
        u"(N'M2', N'乙', -12345.6789, N'2024-02-29 23:59:59.997'), "
        u"(N'M3', N'丙', 99999999999.9999, N'9999-12-31 23:59:59.997'), "
        u"(N'M4', N'丁', -922337203685477, N'2000-01-01 12:00:00.5')"},
       u"select cContractCode, iAmount, dSignDate from contracts "
       u"where cContractCode like N'M_' order by cContractCode",
       {{Variant(u"M1"), Variant(0.0001), Variant(u"1753-01-01 00:00:00")},
        {Variant(u"M2"), Variant(-12345.6789), Variant(u"2024-02-29 23:59:59.997")},
        {Variant(u"M3"), Variant(99999999999.9999), Variant(u"9999-12-31 23:59:59.997")},
        {Variant(u"M4"), Variant(-922337203685477.0), Variant(u"2000-01-01 12:00:00.5")}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    erp::db::Transaction transaction(*db_);  // rolled back: the demo stays as it was
    try {
      for (const auto& insert : c.inserts) db_->query(insert);
      EXPECT_EQ(shown(db_->query(c.select).rows), shown(c.rows));
    } catch (const automation::AutomationError& error) {
      ADD_FAILURE() << error.what();
    }
  }
}

// A date alone is kept as written by SQLite and read back with its time of day from
// PostgreSQL, whose datetime always has one; both find it by the date.
TEST_P(ColumnRangeContractTest, ADateWithoutATimeIsFoundByItsDate) {
  erp::db::Transaction transaction(*db_);  // rolled back: the demo stays as it was
  db_->query(
      u"insert into contracts (cContractCode, cContractName, iAmount, dSignDate) "
      u"values (N'D1', N'日期', 0, N'9999-12-31')");
  const std::u16string stored =
      GetParam() == ContractBackend::kPostgreSqlOdbc ? u"9999-12-31 00:00:00" : u"9999-12-31";
  EXPECT_EQ(shown(db_->query(u"select cContractCode, dSignDate from contracts "
                             u"where dSignDate = N'9999-12-31'")
                      .rows),
            shown({{Variant(u"D1"), Variant(stored)}}));
}

INSTANTIATE_TEST_SUITE_P(Backends, ColumnRangeContractTest, everyContractBackend(),
                         ContractBackendName());

}  // namespace
}  // namespace tarn::testing
