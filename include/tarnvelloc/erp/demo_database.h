// The demo database: the ERP schema and the seed data of a small but believable company, built
// into the library so that a host can create it anywhere.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace tarn::erp {

// Creates (or recreates: an existing file is replaced) the demo database at `path`, schema and
// seed data in one transaction. Raises AutomationError on failure; nothing is left half-made.
void createDemoDatabase(const std::filesystem::path& path);

// True when the database at `path` holds the demo company's archived values and no others (none
// archived since, none generated); false also when it cannot be read as a demo database. A host
// asks before recreating a database that a user may have worked in.
bool holdsOnlyDemoData(const std::filesystem::path& path);

// Creates an empty database with the schema only.
void createEmptyDatabase(const std::filesystem::path& path);

// True when `connection` names a SQLite file (Provider=SQLite); false for an ODBC connection
// and for a malformed string.
bool namesSqliteFile(std::u16string_view connection);

// The same for the database a connection string names, of any kind with an ERP schema script
// (SQLite, PostgreSQL), the script chosen by the database's dialect. A SQLite file named by
// Provider=SQLite must not exist yet and is made as createEmptyDatabase makes it. Any other
// database is filled in place, in one transaction: it must hold no ERP tables yet. Raises
// AutomationError on failure (also for a database without a schema script, such as SQL Server);
// nothing is left half-made.
void initialiseErpDatabase(std::u16string_view connection);

// Fills the demo company into the database a connection string names: a new SQLite file as
// createDemoDatabase makes it; any other database gets the ERP schema first when it has none,
// then the seed data, in one transaction, and refuses when it holds archived values already.
void fillDemoCompany(std::u16string_view connection);

// Adds `count` generated archived values to the list of one header item (for benchmarks).
void addGeneratedValues(const std::filesystem::path& path, std::uint32_t count);
// The same on the database a connection string names (SQLite or PostgreSQL).
void addGeneratedValuesAt(std::u16string_view connection, std::uint32_t count);

// The ADO-style connection string for a SQLite file.
std::u16string sqliteConnectionString(const std::filesystem::path& path);

}  // namespace tarn::erp
