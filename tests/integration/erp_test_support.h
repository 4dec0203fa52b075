// Shared set-up of the outside-component integration tests: a fresh demo database in a
// temporary folder, late-bound calls by operation name, and record sets read back as text.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "erp/db/open_database.h"
#include "tarnvelloc/automation/error.h"
#include "tarnvelloc/automation/factory.h"
#include "tarnvelloc/automation/text.h"
#include "tarnvelloc/erp/components.h"
#include "tarnvelloc/erp/demo_database.h"
#include "tests/kit/temporary_database.h"

namespace tarn::erp::testing {

using automation::Argument;
using automation::ObjectRef;
using automation::Variant;

// A freshly created demo database, removed afterwards: a SQLite file in a temporary folder, or a
// database of its own on the PostgreSQL server that TARN_TEST_POSTGRES names. The folder exists
// either way. The components are registered in a registry of the fixture's own.
class ErpDatabaseTest : public ::testing::Test {
 protected:
  void SetUp() override { registerComponents(registry_); }

  // The demo database on the backend the tests run against.
  std::u16string connection() const { return demo_.connectionString(); }
  bool onPostgres() const { return demo_.onPostgres(); }
  ObjectRef create(std::u16string_view progId) const { return registry_.create(progId); }

  const ::tarn::testing::TemporaryDemoDatabase demo_{"tarn-erp"};
  const std::filesystem::path folder_ = demo_.folder();
  // The SQLite file (on PostgreSQL: a path in the folder where no database is).
  const std::filesystem::path databasePath_ = demo_.path();
  automation::ComponentRegistry registry_;
};

// Calls `name` with every argument passed by value.
inline Variant call(const ObjectRef& object, std::u16string_view name,
                    std::vector<Variant> values = {}) {
  std::vector<Argument> args;
  for (auto& value : values) args.push_back(Argument::byValue(std::move(value)));
  return object->call(name, args);
}

// Calls `name` with every argument passed by reference to the caller's variables.
inline Variant callByRef(const ObjectRef& object, std::u16string_view name,
                         std::vector<Variant*> targets) {
  std::vector<Argument> args;
  for (auto* target : targets) args.push_back(Argument::byRef(*target));
  return object->call(name, args);
}

// The fields `names` of every row of a record set, in row order, read as UTF-8 text; a Null
// reads as "<null>". The set is closed afterwards.
inline std::vector<std::vector<std::string>> readRows(const ObjectRef& recordSet,
                                                      const std::vector<std::u16string>& names) {
  std::vector<std::vector<std::string>> rows;
  while (!call(recordSet, u"EOF").toBoolean()) {
    const auto fields = call(recordSet, u"Fields").toObject();
    std::vector<std::string> row;
    for (const auto& name : names) {
      const auto value = call(call(fields, u"Item", {Variant(name)}).toObject(), u"Value");
      row.push_back(value.isNull() ? "<null>" : automation::toUtf8(value.toString()));
    }
    rows.push_back(std::move(row));
    call(recordSet, u"MoveNext");
  }
  call(recordSet, u"Close");
  return rows;
}

// Runs a native statement with parameters straight on the database (not through a component)
// and gives its rows as UTF-8 text, "<null>" for Null.
inline std::vector<std::vector<std::string>> queryDatabase(const std::u16string& connectionString,
                                                           std::u16string_view sql,
                                                           std::vector<Variant> parameters = {}) {
  const auto database = db::openDatabase(*db::ConnectionString::parse(connectionString));
  std::vector<std::vector<std::string>> rows;
  for (const auto& row : database->queryNative(sql, parameters).rows) {
    std::vector<std::string> text;
    for (const auto& value : row) {
      text.push_back(value.isNull() ? "<null>" : automation::toUtf8(value.toString()));
    }
    rows.push_back(std::move(text));
  }
  return rows;
}

inline std::u16string u16(std::string_view utf8) { return automation::fromUtf8(utf8); }

}  // namespace tarn::erp::testing
