// The backends the contract suite runs against, each with the demo company in a database of its
// own: SQLite opened directly, SQLite through its ODBC driver (with the ERP extension loaded),
// and PostgreSQL through psqlODBC when TARN_TEST_POSTGRES holds an ODBC connection string to an
// empty database.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>

#include "tests/kit/temporary_database.h"
#include "tests/kit/temporary_folder.h"

namespace tarn::testing {

enum class ContractBackend { kSqlite, kSqliteOdbc, kPostgreSqlOdbc };

// The backend's name in test names: Sqlite, SqliteOdbc, PostgreSqlOdbc.
std::string nameOf(ContractBackend backend);

// How a failing test names its backend.
inline void PrintTo(ContractBackend backend, std::ostream* out) { *out << nameOf(backend); }

// For INSTANTIATE_TEST_SUITE_P: every backend, named.
inline auto everyContractBackend() {
  return ::testing::Values(ContractBackend::kSqlite, ContractBackend::kSqliteOdbc,
                           ContractBackend::kPostgreSqlOdbc);
}
struct ContractBackendName {
  std::string operator()(const ::testing::TestParamInfo<ContractBackend>& backend) const {
    return nameOf(backend.param);
  }
};

// The demo company in a fresh database of `backend`. When this machine cannot run the backend,
// skipReason() says why and connection() is empty.
class ContractDatabase {
 public:
  explicit ContractDatabase(ContractBackend backend);

  const std::string& skipReason() const { return skipReason_; }
  // The connection string of the demo database, as a host passes it to the components.
  const std::u16string& connection() const { return connection_; }
  // A connection string of the backend's kind that cannot connect: a database file in a folder
  // that does not exist, or a server that is not there. It holds the password kFailingPassword.
  std::u16string failingConnection() const;

  static constexpr char16_t kFailingPassword[] = u"Pa55-not-to-be-shown";

 private:
  ContractBackend backend_;
  TemporaryFolder folder_{"tarn-contract"};
  // PostgreSQL: a database of its own on the server TARN_TEST_POSTGRES names, so that tests run
  // side by side never share one; dropped with the object.
  std::unique_ptr<TemporaryDemoDatabase> postgres_;
  std::string skipReason_;
  std::u16string connection_;
};

}  // namespace tarn::testing
