// Which database failures lose the connection: the backends' codes, and what the diagnostic
// channel records for a failure met on a SQLite file that stops being a database under an open
// connection, against one the connection refuses while the file stays sound.
#include "erp/db/connection_loss.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "erp/db/open_database.h"
#include "tarnvelloc/automation/error.h"
#include "tarnvelloc/automation/text.h"
#include "tarnvelloc/erp/diagnostics.h"
#include "tests/kit/temporary_folder.h"

namespace tarn::testing {
namespace {

TEST(ConnectionLossTest, SqlStates) {
  const struct {
    std::string_view state;
    bool lost;
  } cases[] = {
      {"08000", true},   // connection exception
      {"08001", true},   // cannot establish the connection
      {"08003", true},   // connection does not exist
      {"08006", true},   // connection failure
      {"08S01", true},   // communication link failure
      {"57P01", true},   // administrator shutdown
      {"57P02", true},   // crash shutdown
      {"57P03", true},   // cannot connect now
      {"57P04", false},  // database dropped
      {"57014", false},  // query cancelled
      {"25006", false},  // read-only transaction
      {"55P03", false},  // lock not available
      {"40001", false},  // serialisation failure
      {"40P01", false},  // deadlock
      {"23505", false},  // unique violation
      {"42P01", false},  // undefined table
      {"HY000", false},  // general error
      {"S1000", false}, {"0800", false}, {"", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(erp::db::connectionLostState(c.state), c.lost) << c.state;
  }
}

TEST(ConnectionLossTest, SqliteCodes) {
  const struct {
    int code;
    bool lost;
  } cases[] = {
      {SQLITE_CANTOPEN, true},
      {SQLITE_NOTADB, true},
      {SQLITE_IOERR, true},
      {SQLITE_IOERR_READ, true},
      {SQLITE_IOERR_SHORT_READ, true},
      {SQLITE_CANTOPEN_ISDIR, true},
      {SQLITE_READONLY, false},
      {SQLITE_READONLY_DBMOVED, false},
      {SQLITE_BUSY, false},
      {SQLITE_BUSY_SNAPSHOT, false},
      {SQLITE_LOCKED, false},
      {SQLITE_LOCKED_SHAREDCACHE, false},
      {SQLITE_CONSTRAINT, false},
      {SQLITE_CORRUPT, false},
      {SQLITE_FULL, false},
      {SQLITE_ERROR, false},
      {SQLITE_OK, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(erp::db::connectionLostCode(c.code), c.lost) << c.code;
  }
}

// What the channel recorded for `sql` on the database: the message and whether it lost the
// connection.
struct Recorded {
  std::string message;
  bool lost = false;
};

Recorded recordedFor(erp::db::Database& db, std::u16string_view sql) {
  erp::clearDatabaseFailures();
  EXPECT_THROW(db.query(sql), automation::AutomationError);
  const auto failures = erp::databaseFailures();
  if (failures.size() != 1) return {"failures: " + std::to_string(failures.size()), false};
  return {failures.front().message, failures.front().connectionLost};
}

TEST(ConnectionLossTest, SqliteFileGoneBadUnderAnOpenConnection) {
  const TemporaryFolder folder("tarn-connection-loss");
  const auto file = folder / "erp.db";
  const auto connection = u"Provider=SQLite;Data Source=" + automation::fromUtf8(file.string());
  auto db = erp::db::openDatabase(connection, true);
  db->executeScript(u"create table t (n int); insert into t values (1)");

  db->executeScript(u"pragma query_only = 1");
  const Recorded readOnly = recordedFor(*db, u"insert into t values (2)");
  EXPECT_EQ(readOnly.message, "attempt to write a readonly database");
  EXPECT_FALSE(readOnly.lost);
  db->executeScript(u"pragma query_only = 0");

  const auto size = std::filesystem::file_size(file);
  std::ofstream(file, std::ios::binary | std::ios::in).write(std::string(size, 'x').data(), size);
  const Recorded gone = recordedFor(*db, u"select n from t");
  EXPECT_EQ(gone.message, "file is not a database");
  EXPECT_TRUE(gone.lost);
  erp::clearDatabaseFailures();
}

}  // namespace
}  // namespace tarn::testing
