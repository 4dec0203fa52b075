// Connecting through ODBC: a connection that fails raises kComponentFailure with the driver
// manager's or the driver's own message, after the connection string without its password.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "erp/db/open_database.h"
#include "tarnvelloc/automation/error.h"
#include "tests/kit/printers.h"
#include "tests/kit/temporary_folder.h"

namespace tarn::erp::db {
namespace {

using automation::AutomationError;
using automation::ErrorCode;
using testing::utf16;
using testing::utf8;

TEST(OdbcConnectionTest, FailuresShowTheDriversMessageAndNoPassword) {
  const testing::TemporaryFolder folder("tarn-odbc-connection");
  const std::string missing = (folder / "missing" / "erp.db").string();
  const std::string sqlite = TARN_SQLITE_ODBC_DRIVER;
  const std::string postgres = TARN_POSTGRES_ODBC_DRIVER;
  struct Case {
    std::string connection;
    std::string message;
  };
  const std::vector<Case> cases = {
      {"Driver={No Such Driver};Database=erp;UID=sa;PWD=Pa55-word",
       "Component failure: cannot connect to Driver={No Such Driver};Database=erp;UID=sa: 01000: "
       "[unixODBC][Driver Manager]Can't open lib 'No Such Driver' : file not found"},
      {"DSN=tarn-no-such-dsn;Password={Pa55;word}",
       "Component failure: cannot connect to DSN=tarn-no-such-dsn: IM002: [unixODBC][Driver "
       "Manager]Data source name not found and no default driver specified"},
      {"Driver=" + sqlite + ";Database=" + missing + ";PWD=Pa55-word",
       "Component failure: cannot connect to Driver=" + sqlite + ";Database=" + missing +
           ": HY000: [SQLite]connect failed"},
      {"Driver=" + postgres + ";Server=127.0.0.1;Port=1;Database=erp;UID=tarn;PWD=Pa55-word",
       "Component failure: cannot connect to Driver=" + postgres +
           ";Server=127.0.0.1;Port=1;Database=erp;UID=tarn: 08001: connection to server at "
           "\"127.0.0.1\", port 1 failed: Connection refused"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.connection);
    try {
      openDatabase(utf16(c.connection));
      ADD_FAILURE() << "connected";
    } catch (const AutomationError& error) {
      const std::string message = error.what();
      EXPECT_EQ(error.code(), ErrorCode::kComponentFailure);
      EXPECT_EQ(message.substr(0, c.message.size()), c.message) << message;
      EXPECT_EQ(message.find("Pa55"), std::string::npos) << message;
    }
  }
}

}  // namespace
}  // namespace tarn::erp::db
