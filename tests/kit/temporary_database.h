// TemporaryDemoDatabase is a freshly created demo database made for one test and removed with
// the object. For tests that link the outside components (tarn_erp).
//
// By default it is a SQLite file, erp.db, alone in a temporary folder of its own. When the
// environment variable TARN_TEST_POSTGRES holds the ODBC connection string of a PostgreSQL
// database (scripts/postgres.sh sets it), it is instead a new database on that server, made
// from the maintenance connection with the demo company filled in, and dropped afterwards
// (connections still open on it included): the tests then run unchanged against PostgreSQL.
// The temporary folder exists either way, for the files a test makes itself.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <string_view>

#include "erp/db/connection_string.h"
#include "erp/db/open_database.h"
#include "tarnvelloc/automation/text.h"
#include "tarnvelloc/erp/demo_database.h"
#include "tests/kit/temporary_folder.h"

namespace tarn::testing {

// The maintenance connection string of the PostgreSQL server the tests run against, if any.
inline std::optional<std::u16string> testPostgresConnection() {
  const char* text = std::getenv("TARN_TEST_POSTGRES");
  if (text == nullptr || *text == '\0') return std::nullopt;
  return automation::fromUtf8(text);
}

class TemporaryDemoDatabase {
 public:
  explicit TemporaryDemoDatabase(std::string_view prefix) : folder_(prefix) {
    if (!server_) {
      erp::createDemoDatabase(path_);
      return;
    }
    std::random_device random;
    name_ = u"tarn_test_" + automation::fromUtf8(std::to_string(random())) + u"_" +
            automation::fromUtf8(std::to_string(random()));
    const auto parsed = erp::db::ConnectionString::parse(*server_ + u";Database=" + name_);
    connection_ = parsed->print();
    erp::db::openDatabase(*server_)->executeScript(u"create database " + name_);
    try {
      erp::fillDemoCompany(connection_);
    } catch (...) {
      drop();
      throw;
    }
  }
  ~TemporaryDemoDatabase() {
    if (!server_) return;
    try {
      drop();
    } catch (...) {
    }
  }
  TemporaryDemoDatabase(const TemporaryDemoDatabase&) = delete;
  TemporaryDemoDatabase& operator=(const TemporaryDemoDatabase&) = delete;

  // True when the database is on a PostgreSQL server rather than a SQLite file.
  bool onPostgres() const { return server_.has_value(); }
  const std::filesystem::path& folder() const { return folder_.path(); }
  // The SQLite file (on PostgreSQL: a path in the folder where no database is).
  const std::filesystem::path& path() const { return path_; }
  std::u16string connectionString() const {
    return server_ ? connection_ : erp::sqliteConnectionString(path_);
  }

 private:
  void drop() {
    erp::db::openDatabase(*server_)->executeScript(u"drop database if exists " + name_ +
                                                   u" with (force)");
  }

  TemporaryFolder folder_;
  std::filesystem::path path_ = folder_ / "erp.db";
  std::optional<std::u16string> server_ = testPostgresConnection();
  std::u16string name_;
  std::u16string connection_;
};

}  // namespace tarn::testing
