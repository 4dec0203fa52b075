// The record set object as the component walks it: BOF/EOF, Fields.Item by name and by index,
// Value of each kind, and every use that must fail.
#include <gtest/gtest.h>

#include <functional>

#include "erp/objects/record_set_object.h"
#include "tarnvelloc/automation/error.h"
#include "tests/kit/printers.h"

namespace tarn::erp {
namespace {

using automation::Argument;
using automation::AutomationError;
using automation::ErrorCode;
using automation::ObjectRef;
using automation::Variant;

db::ResultSet threeCustomers() {
  return {{u"cCusCode", u"iCreditLine", u"cMemo"},
          {{Variant(u"C1"), Variant(std::int32_t{1000}), Variant::null()},
           {Variant(u"C2"), Variant(12.5), Variant(u"备注")},
           {Variant(u"C3"), Variant::null(), Variant(u"")}}};
}

ObjectRef item(const ObjectRef& recordSet, Variant key) {
  const ObjectRef fields = recordSet->call(u"Fields").toObject();
  return fields->call(u"Item", {Argument::byValue(std::move(key))}).toObject();
}

Variant valueOf(const ObjectRef& recordSet, Variant key) {
  return item(recordSet, std::move(key))->call(u"Value");
}

void expectFailure(const std::function<void()>& use, ErrorCode code, const std::string& message) {
  try {
    use();
    ADD_FAILURE() << "no failure";
  } catch (const AutomationError& error) {
    EXPECT_EQ(error.code(), code);
    EXPECT_EQ(error.what(), message);
  }
}

TEST(DbRecordSetTest, EmptySetIsAtBothEnds) {
  const ObjectRef recordSet = makeRecordSetObject({{u"a"}, {}});
  EXPECT_EQ(recordSet->call(u"BOF"), Variant(true));
  EXPECT_EQ(recordSet->call(u"EOF"), Variant(true));
  EXPECT_EQ(recordSet->call(u"RecordCount"), Variant(std::int32_t{0}));
  expectFailure([&] { recordSet->call(u"MoveNext"); }, ErrorCode::kComponentFailure,
                "Component failure: MoveNext past the last record");
  expectFailure([&] { valueOf(recordSet, Variant(u"a")); }, ErrorCode::kComponentFailure,
                "Component failure: no current record (BOF or EOF is true)");
}

TEST(DbRecordSetTest, WalksEveryRowByNameAndByIndex) {
  const ObjectRef recordSet = makeRecordSetObject(threeCustomers());
  EXPECT_EQ(recordSet->call(u"RecordCount"), Variant(std::int32_t{3}));
  std::vector<std::string> seen;
  while (!recordSet->call(u"eof").toBoolean()) {
    EXPECT_EQ(recordSet->call(u"BOF"), Variant(false));
    seen.push_back(valueOf(recordSet, Variant(u"CCUSCODE")).describe() + " " +
                   valueOf(recordSet, Variant(std::int32_t{1})).describe() + " " +
                   valueOf(recordSet, Variant(std::int16_t{2})).describe());
    recordSet->call(u"MoveNext");
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"\"C1\" 1000& Null", "\"C2\" 12.5# \"备注\"",
                                            "\"C3\" Null \"\""}));
  recordSet->call(u"MoveFirst");
  EXPECT_EQ(valueOf(recordSet, Variant(u"cCusCode")), Variant(u"C1"));
}

TEST(DbRecordSetTest, FieldReadsTheCurrentRow) {
  const ObjectRef recordSet = makeRecordSetObject(threeCustomers());
  const ObjectRef code = item(recordSet, Variant(u"ccuscode"));
  EXPECT_EQ(code->call(u"Name"), Variant(u"cCusCode"));
  EXPECT_EQ(code->call(u"Value"), Variant(u"C1"));
  recordSet->call(u"MoveNext");
  EXPECT_EQ(code->call(u"Value"), Variant(u"C2"));
}

TEST(DbRecordSetTest, BadFieldKeysRaise) {
  const ObjectRef recordSet = makeRecordSetObject(threeCustomers());
  struct Case {
    Variant key;
    ErrorCode code;
    std::string message;
  };
  const std::vector<Case> cases = {
      {Variant(u"cCusName"), ErrorCode::kComponentFailure,
       "Component failure: no field named 'cCusName'"},
      {Variant(u"cCusCode "), ErrorCode::kComponentFailure,
       "Component failure: no field named 'cCusCode '"},
      {Variant(std::int32_t{3}), ErrorCode::kComponentFailure,
       "Component failure: no field at index 3"},
      {Variant(std::int16_t{-1}), ErrorCode::kComponentFailure,
       "Component failure: no field at index -1"},
      {Variant(1.0), ErrorCode::kTypeMismatch,
       "Type mismatch: a field is chosen by name or by index"},
      {Variant::null(), ErrorCode::kTypeMismatch,
       "Type mismatch: a field is chosen by name or by index"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.key.describe());
    expectFailure([&] { item(recordSet, c.key); }, c.code, c.message);
  }
}

TEST(DbRecordSetTest, EveryUseOfAClosedSetRaises) {
  const ObjectRef recordSet = makeRecordSetObject(threeCustomers());
  const ObjectRef fields = recordSet->call(u"Fields").toObject();
  const ObjectRef field = item(recordSet, Variant(u"cCusCode"));
  recordSet->call(u"Close");
  const std::vector<std::pair<std::string, std::function<void()>>> uses = {
      {"BOF", [&] { recordSet->call(u"BOF"); }},
      {"EOF", [&] { recordSet->call(u"EOF"); }},
      {"Fields", [&] { recordSet->call(u"Fields"); }},
      {"RecordCount", [&] { recordSet->call(u"RecordCount"); }},
      {"MoveNext", [&] { recordSet->call(u"MoveNext"); }},
      {"MoveFirst", [&] { recordSet->call(u"MoveFirst"); }},
      {"Close", [&] { recordSet->call(u"Close"); }},
      {"Fields.Item", [&] { fields->call(u"Item", {Argument::byValue(Variant(u"cMemo"))}); }},
      {"Field.Value", [&] { field->call(u"Value"); }},
      {"Field.Name", [&] { field->call(u"Name"); }},
  };
  for (const auto& [name, use] : uses) {
    SCOPED_TRACE(name);
    expectFailure(use, ErrorCode::kComponentFailure, "Component failure: record set is closed");
  }
}

TEST(DbRecordSetTest, RowsMustMatchTheColumns) {
  expectFailure(
      [] {
        makeRecordSetObject({{u"a", u"b"}, {{Variant(u"x")}}});
      },
      ErrorCode::kComponentFailure, "Component failure: a record holds 1 values for 2 fields");
}

}  // namespace
}  // namespace tarn::erp
