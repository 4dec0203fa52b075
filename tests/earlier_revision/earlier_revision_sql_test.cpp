// The earlier revision of the component: its SQL texts, assembled from the fixed pieces the way
// the methods assemble them, and its column-settings ProgID. Built from the headers alone, with
// TARN_EARLIER_REVISION defined, so the current revision's library is neither needed nor linked.
#define TARN_EARLIER_REVISION

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "component/prog_ids.h"
#include "freeitem/free_reference_sql.h"
#include "freeitem/structured_free_reference_sql.h"
#include "items/archive_entry_sql.h"
#include "items/archived_value_lookup_sql.h"
#include "userdefine/ref_sql_texts.h"
#include "userdefine/source_resolution_sql.h"
#include "userdefine/validate_sql.h"

namespace tarn::testing {
namespace {

// The pieces joined, as UTF-8, so that a failing comparison shows the text as it reads.
std::string sql(std::initializer_list<std::u16string_view> pieces) {
  std::string out;
  for (const std::u16string_view piece : pieces) {
    for (std::size_t i = 0; i < piece.size(); ++i) {
      char32_t c = piece[i];
      if (c >= 0xD800 && c < 0xDC00 && i + 1 < piece.size()) {
        c = 0x10000 + ((c - 0xD800) << 10) + (piece[++i] - 0xDC00);
      }
      if (c < 0x80) {
        out += static_cast<char>(c);
      } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
      } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
      } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
      }
    }
  }
  return out;
}

struct Text {
  const char* name;
  std::string assembled;
  const char* expected;
};

void expectTexts(std::initializer_list<Text> texts) {
  for (const auto& t : texts) {
    SCOPED_TRACE(t.name);
    EXPECT_EQ(t.assembled, t.expected);
  }
}

TEST(EarlierRevisionTest, VouchersLookupIsOneTextForBothMethods) {
  namespace s = userdefine::source_sql;
  expectTexts({
      {"GetRefSQL", sql({s::kVoucherQueryForReference, u"01", s::kVoucherQueryTail}),
       "select top 1 BTTblName, cDefWhere from Vouchers where CardNumber = '01'"},
      {"ValidateAr", sql({s::kVoucherQueryForValidation, u"01", s::kVoucherQueryTail}),
       "select top 1 BTTblName, cDefWhere from Vouchers where CardNumber = '01'"},
  });
}

TEST(EarlierRevisionTest, GetRefSQLTexts) {
  namespace r = userdefine::ref_sql;
  expectTexts({
      {"list source, header",
       sql({r::kListHeaderTemplate, u"自定义项3", r::kListItemJoin, r::kListMatchOpen, u"cValue",
            r::kLikeOpen, u"ab", r::kListAliasLike, u"ab", r::kListMatchClose}),
       "select A.cValue, A.cAlias from UserDefine A, UserDef B where B.cClass = '单据头' and "
       "B.cItem = '自定义项3' and B.cID = A.cID and (cValue like '%ab%' or cAlias like '%ab%')"},
      {"list source, body", sql({r::kListBodyTemplate, u"自定义项1", r::kListItemJoin}),
       "select A.cValue, A.cAlias from UserDefine A, UserDef B where B.cClass = '单据体' and "
       "B.cItem = '自定义项1' and B.cID = A.cID"},
      {"archive source, person",
       sql({r::kArchiveSelect, u"person", r::kWhere, u"1=1", r::kPersonAnd, u"cPersonName",
            r::kLikeOpen, u"ab", r::kLikeClose}),
       "select * from person where 1=1 and person.cPersonName like '%ab%'"},
      {"archive source, department",
       sql({r::kArchiveSelect, u"department", r::kWhere, u"cDepCode in (01)", r::kAnd, u"cDepName",
            r::kLikeOpen, u"ab", r::kLikeClose}),
       "select * from department where cDepCode in (01) and cDepName like '%ab%'"},
      {"voucher source with a condition",
       sql({r::kVoucherSelect, r::kFirstField, u"cCode", r::kNextField, u"cName", r::kFrom,
            u"SaleBill", r::kWhere, u"bOk=1", r::kAnd, u"cName", r::kLikeOpen, u"ab",
            r::kLikeClose}),
       "select cCode, cName from SaleBill where bOk=1 and cName like '%ab%'"},
      {"voucher source without a condition",
       sql({r::kVoucherSelect, r::kFirstField, u"cCode", r::kFrom, u"SaleBill", r::kWhere, u"cCode",
            r::kLikeOpen, u"ab", r::kLikeClose}),
       "select cCode from SaleBill where cCode like '%ab%'"},
  });
}

TEST(EarlierRevisionTest, ValidateArTexts) {
  namespace v = userdefine::validate_sql;
  namespace l = items::archived_value_lookup_sql;
  expectTexts({
      {"money-column test, the same in both revisions",
       sql({v::kMoneyColumnHead, u"customer", v::kMoneyColumnMiddle, u"cCusName",
            v::kMoneyColumnEnd}),
       "select count(*) from sysobjects, syscolumns, systypes where sysobjects.id = "
       "syscolumns.id and sysobjects.xtype = 'u' and sysobjects.name = 'customer'and "
       "syscolumns.xusertype = systypes.xtype and (systypes.name = 'money' or systypes.name = "
       "'smallmoney') and syscolumns.name = 'cCusName'"},
      {"archive source",
       sql({v::kSelectFrom, u"customer", v::kWhere, u"cCusName", v::kArchiveEqualsText, u"v1",
            v::kTextEnd, v::kArchiveFilter, u"1=1"}),
       "select * from customer where cCusName = 'v1' and 1=1"},
      {"archive source, money column",
       sql({v::kSelectFrom, u"customer", v::kWhere, u"iCredit", v::kArchiveEqualsNumber, u"12.5",
            v::kArchiveFilter, u"1=1"}),
       "select * from customer where iCredit = 12.5 and 1=1"},
      {"voucher source with a condition",
       sql({v::kSelectFrom, u"SaleBill", v::kWhere, u"cName", v::kVoucherEqualsText, u"v1",
            v::kTextEnd, v::kVoucherConditionOpen, u"bOk=1", v::kVoucherConditionClose}),
       "select * from SaleBill where cName= 'v1' and (bOk=1)"},
      {"voucher source, money column",
       sql({v::kSelectFrom, u"SaleBill", v::kWhere, u"iMoney", v::kVoucherEqualsNumber, u"3"}),
       "select * from SaleBill where iMoney= 3"},
      {"header value lookup",
       sql({l::kHeaderItemValues, u"自定义项3", l::kByValue, u"v1", l::kValueEnd}),
       "select A.cValue, A.cAlias from UserDefine A, UserDef B where B.cClass = '单据头' and "
       "B.cItem = '自定义项3' and B.cID = A.cID and A.cValue = 'v1'"},
      {"body alias lookup",
       sql({l::kBodyItemValues, u"自定义项1", l::kByAlias, u"v1", l::kValueEnd}),
       "select A.cValue, A.cAlias from UserDefine A, UserDef B where B.cClass = '单据体' and "
       "B.cItem = '自定义项1' and B.cID = A.cID and A.cAlias = 'v1'"},
  });
}

TEST(EarlierRevisionTest, ItemDefinitionTexts) {
  namespace a = items::archive_entry_sql;
  expectTexts({
      {"header item", sql({a::kHeaderItemDefinition, u"自定义项3", a::kDefinitionEnd}),
       "select B.cId as cId, B.cType as cType, B.iMaxLen as iMaxLen from UserDef B where "
       "B.cClass = '单据头' and B.cItem = '自定义项3'"},
      {"body item", sql({a::kBodyItemDefinition, u"自定义项1", a::kDefinitionEnd}),
       "select B.cId as cId, B.cType as cType, B.iMaxLen as iMaxLen from UserDef B where "
       "B.cClass = '单据体' and B.cItem = '自定义项1'"},
      {"free item", sql({a::kFreeItemDefinition, u"自由项2", a::kDefinitionEnd}),
       "select B.cId as cId, B.cType as cType, B.iMaxLen as iMaxLen from UserDef B where "
       "B.cItem = '自由项2'"},
  });
}

TEST(EarlierRevisionTest, FreeItemTexts) {
  namespace f = freeitem::free_reference_sql;
  namespace l = items::archived_value_lookup_sql;
  namespace st = freeitem::structured_free_reference_sql;
  expectTexts({
      {"GetFreeRefSQL",
       sql({f::kSelectValues, u"自由项2", f::kJoinDefinitions, f::kValueLike, u"ab", f::kAliasLike,
            u"ab", f::kMatchEnd}),
       "select A.cValue, A.cAlias, A.cBarCode from UserDefine A, UserDef B where B.cItem = "
       "'自由项2' and B.cID = A.cID and (cValue like '%ab%' or cAlias like '%ab%')"},
      {"ValidateFreeAr value lookup",
       sql({l::kFreeItemValues, u"自由项2", l::kByValue, u"v1", l::kValueEnd}),
       "select A.cValue, A.cAlias from UserDefine A, UserDef B where B.cItem = '自由项2' and "
       "B.cID = A.cID and A.cValue = 'v1'"},
      {"ValidateFreeAr alias lookup",
       sql({l::kFreeItemValues, u"自由项2", l::kByAlias, u"v1", l::kValueEnd}),
       "select A.cValue, A.cAlias from UserDefine A, UserDef B where B.cItem = '自由项2' and "
       "B.cID = A.cID and A.cAlias = 'v1'"},
      {"GetStruFreeRefSQL inventory lookup", sql({st::kSelectInventory, u"P01", st::kCodeEnd}),
       "select * from Inventory where cInvCode = 'P01'"},
      {"GetStruFreeRefSQL parts list",
       sql({st::kSelectDistinct, u"Free2", st::kAliasOpen, u"存货自由项2", st::kFromParts, u"P01",
            st::kCodeEnd, st::kAnd, u"Free2", st::kColumnLike, u"ab", st::kMatchEnd}),
       "select distinct Free2 as [存货自由项2] from bas_part where InvCode = 'P01' and Free2 like "
       "'%ab%'"},
  });
}

TEST(EarlierRevisionTest, OnlyTheColumnSettingsProgIdDiffers) {
  expectTexts({
      {"column settings", sql({velloc::kColumnSettingsProgId}), "TarnColSetSvc.IColumnSvc"},
      {"utility", sql({velloc::kUtilityProgId}), "TarnUtil.IUtil"},
      {"archive data", sql({velloc::kArchiveDataProgId}), "TarnDataSvc.IDataSvc"},
      {"voucher data", sql({velloc::kVoucherDataProgId}), "TarnVoucherSvc.IVoucherSvc"},
      {"row authorisation", sql({velloc::kRowAuthorisationProgId}), "TarnRowAuthSvc.IRowAuth"},
  });
}

}  // namespace
}  // namespace tarn::testing
