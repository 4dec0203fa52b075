// The demo database: the ERP schema and the seed data of a small but believable company, built
// into the library so that a host can create it anywhere.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

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

// Adds `count` generated archived values to the list of one header item (for benchmarks).
void addGeneratedValues(const std::filesystem::path& path, std::uint32_t count);

// The ADO-style connection string for a SQLite file.
std::u16string sqliteConnectionString(const std::filesystem::path& path);

}  // namespace tarn::erp
