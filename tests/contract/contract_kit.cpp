#include "tests/contract/contract_kit.h"

#include <cstdlib>
#include <filesystem>

#include "erp/db/database.h"
#include "tarnvelloc/automation/text.h"
#include "tarnvelloc/erp/demo_database.h"

namespace tarn::testing {
namespace {

std::u16string u16(const std::filesystem::path& path) { return path.u16string(); }

}  // namespace

std::string nameOf(ContractBackend backend) {
  switch (backend) {
    case ContractBackend::kSqlite:
      return "Sqlite";
    case ContractBackend::kSqliteOdbc:
      return "SqliteOdbc";
    case ContractBackend::kPostgreSqlOdbc:
      return "PostgreSqlOdbc";
  }
  return "unknown";
}

ContractDatabase::ContractDatabase(ContractBackend backend) : backend_(backend) {
  const auto file = folder_ / "erp.db";
  switch (backend) {
    case ContractBackend::kSqlite:
      erp::createDemoDatabase(file);
      connection_ = erp::sqliteConnectionString(file);
      break;
    case ContractBackend::kSqliteOdbc:
      erp::createDemoDatabase(file);
      connection_ = u"Driver=" + u16(TARN_SQLITE_ODBC_DRIVER) + u";Database=" + u16(file) +
                    u";LoadExt=" + u16(TARN_SQLITE_EXTENSION);
      break;
    case ContractBackend::kPostgreSqlOdbc: {
      const char* postgres = std::getenv("TARN_TEST_POSTGRES");
      if (!postgres || !*postgres) {
        skipReason_ = "TARN_TEST_POSTGRES names no PostgreSQL database";
        break;
      }
      postgres_ = std::make_unique<TemporaryDemoDatabase>("tarn-contract");
      connection_ = postgres_->connectionString();
      break;
    }
  }
}

std::u16string ContractDatabase::failingConnection() const {
  const std::u16string missing = u16(folder_ / "no-such-folder" / "erp.db");
  switch (backend_) {
    case ContractBackend::kSqlite:
      return u"Provider=SQLite;Data Source=" + missing + u";Password=" + kFailingPassword;
    case ContractBackend::kSqliteOdbc:
      return u"Driver=" + u16(TARN_SQLITE_ODBC_DRIVER) + u";Database=" + missing + u";PWD=" +
             kFailingPassword;
    case ContractBackend::kPostgreSqlOdbc:
      return u"Driver=" + u16(TARN_POSTGRES_ODBC_DRIVER) +
             u";Server=127.0.0.1;Port=1;Database=erp;UID=tarn;PWD=" + kFailingPassword;
  }
  return {};
}

}  // namespace tarn::testing
