// The validation methods (ValidateAr, ValidateFreeAr) through the real outside components: each
// result code is checked against the rows of the demo database, and every archiving is checked
// in the UserDefine table itself: the value written exactly once, or nothing written at all.
#include <string>
#include <vector>

#include "component_test_support.h"

namespace tarn::velloc::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::UnorderedElementsAreArray;

std::string repeat(std::string_view text, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += text;
  return out;
}

// The pick-list rows expected for a match text among archived values without aliases or bar
// codes: every value that contains the text, followed by `nullColumns` Nulls.
Rows rowsContaining(const std::vector<std::string>& values, const std::string& text,
                    int nullColumns) {
  Rows rows;
  for (const auto& value : values) {
    if (value.find(text) == std::string::npos) continue;
    std::vector<std::string> row{value};
    row.insert(row.end(), nullColumns, "<null>");
    rows.push_back(std::move(row));
  }
  return rows;
}

struct ValidateCase {
  std::string label;
  std::int16_t dataSrcType;
  std::int16_t voucherSec;
  std::string userDefName;
  std::string tableName;
  std::string fieldName;
  std::string value;
  std::string cardNumber;
  std::int16_t code;
  std::string valueAfter;
};

using ComponentValidationTest = ComponentDatabaseTest;

TEST_F(ComponentValidationTest, ValidateArFindsValuesInTheSourceTheListAndTheAliases) {
  const std::vector<ValidateCase> cases = {
      {"list: an archived value", kListSource, kHeader, "cdefine3", "", "", "华东区", "", 0,
       "华东区"},
      {"list: an alias, blanks around it, is replaced by its value", kListSource, kHeader,
       "cdefine3", "", "", "  HD ", "", 0, "华东区"},
      {"list: an alias in another letter case", kListSource, kHeader, "cdefine3", "", "", "hd", "",
       0, "华东区"},
      {"list: a value found nowhere comes back trimmed", kListSource, kHeader, "cdefine3", "", "",
       " 华中区 ", "", -1, "华中区"},
      {"list: body item 1 (cdefine22) knows the alias R", kListSource, kHeader, "CDEFINE22", "", "",
       "R", "", 0, "红色"},
      {"list: header item 1 does not know body item 1's alias", kListSource, kBody, "cdefine1", "",
       "", "R", "", -1, "R"},
      {"archive: found in the source table", kArchiveSource, kHeader, "cdefine1", "customer",
       "cCusCode", "C002", "", 0, "C002"},
      {"archive: found in the source table by another column", kArchiveSource, kHeader, "cdefine1",
       "customer", "cCusName", "Acme Trading Ltd.", "", 0, "Acme Trading Ltd."},
      {"archive: found nowhere", kArchiveSource, kHeader, "cdefine1", "customer", "cCusCode",
       "C999", "", -1, "C999"},
      {"archive: not in the source but among the item's values", kArchiveSource, kHeader,
       "cdefine3", "customer", "cCusCode", "华南区", "", 0, "华南区"},
      {"archive: not in the source but an alias of the item", kArchiveSource, kHeader, "cdefine3",
       "customer", "cCusCode", "HB", "", 0, "华北区"},
      {"archive: the person table is looked up on its own", kArchiveSource, kHeader, "cdefine1",
       "person", "cPersonName", "王强", "", 0, "王强"},
      {"archive: money column, a whole number", kArchiveSource, kHeader, "cdefine2", "customer",
       "iCreditLine", "500000", "", 0, "500000"},
      {"archive: money column, a fraction", kArchiveSource, kHeader, "cdefine2", "customer",
       "iCreditLine", "125000.50", "", 0, "125000.50"},
      {"archive: money column, a number no customer has", kArchiveSource, kHeader, "cdefine2",
       "customer", "iCreditLine", "1", "", -1, "1"},
      {"archive: money column, not a number", kArchiveSource, kHeader, "cdefine2", "customer",
       "iCreditLine", "abc", "", -1, "abc"},
      {"voucher CT02: every contract", kVoucherSource, kHeader, "cdefine1", "", "cContractCode",
       "HT2024002", "CT02", 0, "HT2024002"},
      {"voucher CT01: the contract not in force is not offered", kVoucherSource, kHeader,
       "cdefine1", "", "cContractCode", "HT2024002", "CT01", -1, "HT2024002"},
      {"voucher CT01: a contract in force", kVoucherSource, kBody, "cdefine1", "", "cContractCode",
       "HT2024003", "CT01", 0, "HT2024003"},
      {"voucher CT02: money column", kVoucherSource, kHeader, "cdefine2", "", "iAmount", "12500.50",
       "CT02", 0, "12500.50"},
      {"voucher CT01: money column of a contract not in force", kVoucherSource, kHeader, "cdefine2",
       "", "iAmount", "12500.50", "CT01", -1, "12500.50"},
      {"voucher CT02: money column, not a number", kVoucherSource, kHeader, "cdefine2", "",
       "iAmount", "x12", "CT02", -1, "x12"},
      {"voucher card without a Vouchers row: accepted unlooked", kVoucherSource, kHeader,
       "cdefine1", "", "cContractCode", "anything", "CT99", 0, "anything"},
      {"header item 17 does not exist", kListSource, kHeader, "cdefine17", "", "", "华东区", "", -1,
       "华东区"},
      {"a name that is no cdefine name", kArchiveSource, kHeader, "abc", "customer", "cCusCode",
       "C001", "", -1, "C001"},
      {"a number part that is no number", kListSource, kHeader, "cdefine1x", "", "", "x", "", -1,
       "x"},
  };
  const Rows before = userDefineRows();
  const auto velloc = component();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const Validation v = validateAr(*velloc, c.dataSrcType, c.voucherSec, c.userDefName,
                                    c.tableName, c.fieldName, c.value, c.cardNumber, false);
    EXPECT_EQ(v.code, c.code);
    EXPECT_EQ(v.value, c.valueAfter);
  }
  EXPECT_EQ(userDefineRows(), before);
}

TEST_F(ComponentValidationTest, ValidateArArchivesANewValueOnlyWhenItsItemAcceptsIt) {
  struct Case {
    std::string label;
    std::int16_t dataSrcType;
    std::string userDefName;
    std::string tableName;
    std::string fieldName;
    std::string value;
    std::string cardNumber;
    std::int16_t code;
    std::string itemId;  // where the value lands when archived
  };
  const std::string twenty = repeat("项", 20);
  const std::string twentyOne = repeat("项", 21);
  const std::vector<Case> cases = {
      {"list: a new text value", kListSource, "cdefine3", "", "", "华中区", "", 1, "H03"},
      {"list: body item 1", kListSource, "cdefine22", "", "", "绿色", "", 1, "B01"},
      {"text of exactly the longest length", kListSource, "cdefine1", "", "", twenty, "", 1, "H01"},
      {"text one character too long", kListSource, "cdefine1", "", "", twentyOne, "", -2, "H01"},
      {"text item without a longest length", kListSource, "cdefine6", "", "", "x", "", -2, "H06"},
      {"number item, a fraction", kListSource, "cdefine2", "", "", "0.9", "", 1, "H02"},
      {"number item, letters", kListSource, "cdefine2", "", "", "abc", "", -2, "H02"},
      {"whole-number item, digits", kListSource, "cdefine4", "", "", "12", "", 1, "H04"},
      {"whole-number item, a fraction", kListSource, "cdefine4", "", "", "12.5", "", -2, "H04"},
      {"whole-number item, letters", kListSource, "cdefine4", "", "", "12a", "", -2, "H04"},
      {"date item, written with dashes", kListSource, "cdefine5", "", "", "2024-05-01", "", 1,
       "H05"},
      {"date item, written with slashes", kListSource, "cdefine5", "", "", "2024/05/01", "", -2,
       "H05"},
      {"date item, no date", kListSource, "cdefine5", "", "", "2024-13-45", "", -2, "H05"},
      {"an item UserDef does not define", kListSource, "cdefine7", "", "", "x", "", -2, "H07"},
      {"archive: found nowhere, archived under the item", kArchiveSource, "cdefine1", "customer",
       "cCusCode", "C999", "", 1, "H01"},
      {"archive: a money column and a non-number fails before any archiving", kArchiveSource,
       "cdefine1", "customer", "iCreditLine", "abc", "", -1, "H01"},
      {"voucher: a contract not in force, archived under the item", kVoucherSource, "cdefine9", "",
       "cContractCode", "HT2024002", "CT01", 1, "H09"},
      {"voucher: a money column and a non-number", kVoucherSource, "cdefine9", "", "iAmount", "x12",
       "CT02", -1, "H09"},
      {"invalid name", kListSource, "cdefine38", "", "", "x", "", -2, "H01"},
      {"a number part that is no number: a failure, not a refusal", kListSource, "cdefine1x", "",
       "", "x", "", -1, "H01"},
  };
  const auto velloc = component();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const std::vector<std::string> before = archivedValues(c.itemId);
    const Validation v = validateAr(*velloc, c.dataSrcType, kHeader, c.userDefName, c.tableName,
                                    c.fieldName, c.value, c.cardNumber, true);
    EXPECT_EQ(v.code, c.code);
    EXPECT_EQ(v.value, c.value);
    std::vector<std::string> expected = before;
    if (c.code == 1) expected.push_back(c.value);
    EXPECT_THAT(archivedValues(c.itemId), ElementsAreArray(expected));
  }
}

TEST_F(ComponentValidationTest, AnArchivedValueIsWrittenOnceAndAcceptedAfterwards) {
  const auto first = component();
  const auto second = component();
  const std::vector<std::string> before = archivedValues("H03");

  EXPECT_EQ(validateAr(*first, kListSource, kHeader, "cdefine3", "", "", "华中区", "", true).code,
            1);
  EXPECT_EQ(validateAr(*first, kListSource, kHeader, "cdefine3", "", "", "华中区", "", false).code,
            0);
  EXPECT_EQ(validateAr(*second, kListSource, kHeader, "cdefine3", "", "", " 华中区", "", true).code,
            0);
  EXPECT_EQ(validateFreeAr(*second, "cfree1", "华中区", false).code, -1)
      << "archived under header item 3, not under free item 1";

  std::vector<std::string> expected = before;
  expected.push_back("华中区");
  EXPECT_THAT(archivedValues("H03"), ElementsAreArray(expected));
  EXPECT_THAT(run(getRefSql(*second, kListSource, kHeader, "cdefine3", "", "", "", "华中").sql),
              ElementsAre(ElementsAre("华中区", "<null>")));
}

TEST_F(ComponentValidationTest, ValidateArHonoursRowAuthorisation) {
  const std::vector<ValidateCase> cases = {
      {"no vendor: refused filter counts as accepted", kArchiveSource, kHeader, "cdefine1",
       "vendor", "cVenCode", "V999", "", 0, "V999"},
      {"list source asks for the table passed, too", kListSource, kHeader, "cdefine3", "vendor", "",
       "华中区", "", 0, "华中区"},
      {"a listed customer", kArchiveSource, kHeader, "cdefine1", "customer", "cCusCode", "C003", "",
       0, "C003"},
      {"a customer outside the list", kArchiveSource, kHeader, "cdefine1", "customer", "cCusCode",
       "C002", "", -1, "C002"},
      {"a customer outside the list, by money column", kArchiveSource, kHeader, "cdefine1",
       "customer", "iCreditLine", "200000", "", -1, "200000"},
      {"a department outside the list", kArchiveSource, kHeader, "cdefine1", "department",
       "cDepName", "财务部", "", -1, "财务部"},
  };
  const Rows before = userDefineRows();
  const auto clerk = component("clerk01");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const Validation v = validateAr(*clerk, c.dataSrcType, c.voucherSec, c.userDefName, c.tableName,
                                    c.fieldName, c.value, c.cardNumber, false);
    EXPECT_EQ(v.code, c.code);
    EXPECT_EQ(v.value, c.valueAfter);
  }
  // A refused filter ends the validation before any archiving.
  EXPECT_EQ(validateAr(*clerk, kArchiveSource, kHeader, "cdefine1", "vendor", "cVenCode", "V999",
                       "", true)
                .code,
            0);
  EXPECT_EQ(userDefineRows(), before);

  // The same lookups for demo, who may see every row.
  const auto demo = component("demo");
  EXPECT_EQ(validateAr(*demo, kArchiveSource, kHeader, "cdefine1", "vendor", "cVenCode", "V999", "",
                       false)
                .code,
            -1);
  EXPECT_EQ(validateAr(*demo, kArchiveSource, kHeader, "cdefine1", "customer", "cCusCode", "C002",
                       "", false)
                .code,
            0);
}

TEST_F(ComponentValidationTest, ValidateFreeArFindsValuesAndAliasesOfTheFreeItem) {
  struct Case {
    std::string label;
    std::string freeFldName;
    std::string value;
    bool buildAr;
    std::int16_t code;
    std::string valueAfter;
  };
  const std::vector<Case> cases = {
      {"an archived value", "cfree1", "红", false, 0, "红"},
      {"an alias, name in capitals with blanks", " CFree1 ", "R", false, 0, "红"},
      {"an alias of free item 2", "cfree2", "特大", false, 0, "XL"},
      {"free item 2 does not know free item 1's values", "cfree2", "红", false, -1, "红"},
      {"found nowhere", "cfree1", "绿", false, -1, "绿"},
      {"the value is not trimmed", "cfree1", " 红", false, -1, " 红"},
      {"the prefix alone", "cfree", "红", false, -1, "红"},
      {"the prefix alone, archiving asked", "cfree", "红", true, -2, "红"},
      {"another prefix", "xfree1", "红", true, -2, "红"},
  };
  const Rows before = userDefineRows();
  const auto velloc = component();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const Validation v = validateFreeAr(*velloc, c.freeFldName, c.value, c.buildAr);
    EXPECT_EQ(v.code, c.code);
    EXPECT_EQ(v.value, c.valueAfter);
  }
  EXPECT_EQ(userDefineRows(), before);
}

TEST_F(ComponentValidationTest, ValidateFreeArArchivesUnderTheLengthRule) {
  struct Case {
    std::string label;
    std::string freeFldName;
    std::string value;
    std::int16_t code;
    std::string itemId;
  };
  const std::vector<Case> cases = {
      {"a new colour", "cfree1", "绿", 1, "F01"},
      {"exactly the longest length", "cFree2", repeat("X", 20), 1, "F02"},
      {"one character too long", "cfree2", repeat("X", 21), -2, "F02"},
      {"blanks count and are kept", "cfree3", " 2024C", 1, "F03"},
      {"a free item UserDef does not define", "cfree9", "x", -2, "F01"},
  };
  const auto velloc = component();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const std::vector<std::string> before = archivedValues(c.itemId);
    const Validation v = validateFreeAr(*velloc, c.freeFldName, c.value, true);
    EXPECT_EQ(v.code, c.code);
    EXPECT_EQ(v.value, c.value);
    std::vector<std::string> expected = before;
    if (c.code == 1) expected.push_back(c.value);
    EXPECT_THAT(archivedValues(c.itemId), ElementsAreArray(expected));
    if (c.code == 1) {
      EXPECT_EQ(validateFreeAr(*velloc, c.freeFldName, c.value, true).code, 0)
          << "validating the archived value again";
      EXPECT_THAT(archivedValues(c.itemId), ElementsAreArray(expected));
    }
  }
}

TEST_F(ComponentValidationTest, ValuesWithQuotesAndMarkupAreArchivedAndReadBackExactly) {
  const std::vector<std::string> values = {"O'Brien", "<&>'\"", "a&amp;b", "'", "]'; --"};
  const auto velloc = component();
  for (const auto& value : values) {
    SCOPED_TRACE(value);
    {
      SCOPED_TRACE("user-defined header item 3");
      const std::vector<std::string> before = archivedValues("H03");
      EXPECT_EQ(validateAr(*velloc, kListSource, kHeader, "cdefine3", "", "", value, "", true).code,
                1);
      std::vector<std::string> expected = before;
      expected.push_back(value);
      EXPECT_THAT(archivedValues("H03"), ElementsAreArray(expected));
      const Validation again =
          validateAr(*velloc, kListSource, kHeader, "cdefine3", "", "", value, "", true);
      EXPECT_EQ(again.code, 0);
      EXPECT_EQ(again.value, value);
      const Reference ref = getRefSql(*velloc, kListSource, kHeader, "cdefine3", "", "", "", value);
      ASSERT_TRUE(ref.result);
      EXPECT_THAT(run(ref.sql), UnorderedElementsAreArray(rowsContaining(expected, value, 1)));
      EXPECT_THAT(archivedValues("H03"), ElementsAreArray(expected));
    }
    {
      SCOPED_TRACE("free item 1");
      const std::vector<std::string> before = archivedValues("F01");
      EXPECT_EQ(validateFreeAr(*velloc, "cfree1", value, true).code, 1);
      std::vector<std::string> expected = before;
      expected.push_back(value);
      EXPECT_THAT(archivedValues("F01"), ElementsAreArray(expected));
      const Validation again = validateFreeAr(*velloc, "cfree1", value, true);
      EXPECT_EQ(again.code, 0);
      EXPECT_EQ(again.value, value);
      const Reference ref = getFreeRefSql(*velloc, "cfree1", value);
      ASSERT_TRUE(ref.result);
      EXPECT_THAT(run(ref.sql), UnorderedElementsAreArray(rowsContaining(expected, value, 2)));
      EXPECT_THAT(archivedValues("F01"), ElementsAreArray(expected));
    }
  }
}

}  // namespace
}  // namespace tarn::velloc::testing
