#include "tarnvelloc/erp/demo_database.h"

#include <array>
#include <cstdint>
#include <random>
#include <string_view>
#include <system_error>

#include "erp/db/database.h"
#include "erp/db/transaction.h"
#include "tarnvelloc/automation/error.h"
#include "tarnvelloc/automation/text.h"

namespace tarn::erp {
namespace scripts {
// Defined in the source the build generates from db/schema.sql and db/seed.sql.
std::string_view schemaScript();
std::string_view seedScript();
}  // namespace scripts

namespace {

using automation::ErrorCode;
using automation::Variant;

// The header item that generated values are archived under (自定义项9, "批量编号").
constexpr std::u16string_view kGeneratedItem = u"H09";

std::unique_ptr<db::Database> open(const std::filesystem::path& path, bool createIfMissing) {
  return db::openDatabase(sqliteConnectionString(path), createIfMissing);
}

// Runs `fill` on a new database file beside `path` and then puts that file in place of `path`
// in one rename, so that readers see the old database or the whole new one, never a part.
template <typename Fill>
void replaceAtomically(const std::filesystem::path& path, Fill fill) {
  std::random_device entropy;
  auto building = path;
  building += ".building-" + std::to_string(entropy());
  try {
    {
      auto database = open(building, true);
      db::Transaction transaction(*database);
      fill(*database);
      transaction.commit();
    }
    std::filesystem::rename(building, path);
  } catch (const std::exception& failure) {
    std::error_code ignored;
    std::filesystem::remove(building, ignored);
    if (dynamic_cast<const automation::AutomationError*>(&failure)) throw;
    automation::raise(ErrorCode::kComponentFailure,
                      "cannot create " + path.string() + ": " + failure.what());
  }
}

}  // namespace

void createDemoDatabase(const std::filesystem::path& path) {
  replaceAtomically(path, [](db::Database& database) {
    database.executeScript(automation::fromUtf8(scripts::schemaScript()));
    database.executeScript(automation::fromUtf8(scripts::seedScript()));
  });
}

bool holdsOnlyDemoData(const std::filesystem::path& path) {
  constexpr std::u16string_view kValueCount = u"select count(*) from UserDefine";
  try {
    auto demo = db::openDatabase(u"Provider=SQLite;Data Source=:memory:", true);
    demo->executeScript(automation::fromUtf8(scripts::schemaScript()));
    demo->executeScript(automation::fromUtf8(scripts::seedScript()));
    const auto demoValues = demo->query(kValueCount).rows.at(0).at(0).toLong();
    return open(path, false)->query(kValueCount).rows.at(0).at(0).toLong() == demoValues;
  } catch (const std::exception&) {
    return false;
  }
}

void createEmptyDatabase(const std::filesystem::path& path) {
  replaceAtomically(path, [](db::Database& database) {
    database.executeScript(automation::fromUtf8(scripts::schemaScript()));
  });
}

void addGeneratedValues(const std::filesystem::path& path, std::uint32_t count) {
  // One statement generates every row inside SQLite; numbering continues after the values
  // generated before, so repeated calls keep adding new values. The value GEN0000042 gets the
  // alias G42.
  constexpr std::u16string_view kGenerate =
      u"with recursive n(i) as (select 1 union all select i + 1 from n where i < ?)"
      u" insert or ignore into UserDefine (cID, cValue, cAlias)"
      u" select ?, printf('GEN%07d', i + base.done), 'G' || (i + base.done)"
      u" from n, (select count(*) as done from UserDefine where cID = ?"
      u" and cValue like 'GEN%') as base";
  if (count == 0) return;
  if (count > static_cast<std::uint32_t>(INT32_MAX)) {
    automation::raise(ErrorCode::kComponentFailure, "too many values to generate");
  }
  auto database = open(path, false);
  const std::array<Variant, 3> parameters{Variant(static_cast<std::int32_t>(count)),
                                          Variant(std::u16string(kGeneratedItem)),
                                          Variant(std::u16string(kGeneratedItem))};
  db::Transaction transaction(*database);
  database->queryNative(kGenerate, parameters);
  transaction.commit();
}

std::u16string sqliteConnectionString(const std::filesystem::path& path) {
  const auto utf8 = path.u8string();
  const auto file = automation::fromUtf8(std::string(utf8.begin(), utf8.end()));
  const bool needsQuotes = file.find_first_of(u";=\"'") != std::u16string::npos ||
                           file.starts_with(u' ') || file.ends_with(u' ');
  if (!needsQuotes) return u"Provider=SQLite;Data Source=" + file;
  std::u16string quoted = u"\"";
  for (char16_t c : file) {
    quoted += c;
    if (c == u'"') quoted += u'"';
  }
  return u"Provider=SQLite;Data Source=" + quoted + u"\"";
}

}  // namespace tarn::erp
