#include "erp/db/catalogue_views.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "erp/db/catalogue_schema.h"
#include "erp/db/erp_collation.h"
#include "erp/db/sqlite_handles.h"
#include "tarnvelloc/automation/error.h"

namespace tarn::erp::db {
namespace {

// The systypes id of a declared column type: its name before any '(', without surrounding
// blanks, compared as ERP_CI compares; 0 for a type SQL Server does not have.
int sqlTypeOf(std::string_view declared) {
  declared = declared.substr(0, declared.find('('));
  while (!declared.empty() && declared.front() == ' ') declared.remove_prefix(1);
  for (const auto& type : kSqlTypes) {
    if (compareErpCi(declared, type.name) == 0) return type.id;
  }
  return 0;
}

// 'S' for SQLite's own tables (sqlite_..., letter case ignored), 'U' for other tables, 'V' for
// views.
char objectTypeOf(std::string_view name, std::string_view type) {
  constexpr std::string_view kOwnPrefix = "sqlite_";
  if (name.size() >= kOwnPrefix.size() &&
      compareErpCi(name.substr(0, kOwnPrefix.size()), kOwnPrefix) == 0) {
    return 'S';
  }
  return type == "table" ? 'U' : 'V';
}

std::string_view textOf(sqlite3_stmt* statement, int column) {
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
  if (!text) return {};
  return {text, static_cast<std::size_t>(sqlite3_column_bytes(statement, column))};
}

struct CatalogueColumn {
  std::string name;
  int colid;
  int xtype;  // 0: no SQL Server type
  int isnullable;
};

struct CatalogueObject {
  sqlite3_int64 id;
  std::string name;
  char xtype;
  bool columnsRead = false;
  std::vector<CatalogueColumn> columns;
};

// What the tables show for one schema version. Objects are in rowid order; their columns are
// read when first asked for.
struct Snapshot {
  int schemaVersion = 0;
  std::vector<CatalogueObject> objects;
};

enum class Table { kObjects, kColumns, kTypes };

class SqliteCatalogue;

struct TableOf {
  SqliteCatalogue* catalogue;
  Table table;
};

class SqliteCatalogue final : public Catalogue {
 public:
  explicit SqliteCatalogue(sqlite3* db)
      : db_(db),
        tables_{{{this, Table::kObjects}, {this, Table::kColumns}, {this, Table::kTypes}}} {}

  const TableOf& table(Table table) const { return tables_[static_cast<std::size_t>(table)]; }
  sqlite3* db() const { return db_; }

  // Gives the snapshot of the current schema, read again when the schema version moved.
  // Returns SQLite's result code.
  int current(std::shared_ptr<Snapshot>& out) {
    int version = 0;
    if (const int rc = readSchemaVersion(version); rc != SQLITE_OK) return rc;
    if (!snapshot_ || snapshot_->schemaVersion != version) {
      auto fresh = std::make_shared<Snapshot>();
      fresh->schemaVersion = version;
      if (const int rc = readObjects(*fresh); rc != SQLITE_OK) return rc;
      snapshot_ = std::move(fresh);
    }
    out = snapshot_;
    return SQLITE_OK;
  }

  int readColumns(CatalogueObject& object) {
    if (object.columnsRead) return SQLITE_OK;
    std::vector<CatalogueColumn> columns;
    const int rc = eachRow(
        columns_, "select cid, name, type, \"notnull\" from pragma_table_info(?1, 'main')",
        [&](sqlite3_stmt* statement) {
          sqlite3_bind_text(statement, 1, object.name.data(), static_cast<int>(object.name.size()),
                            SQLITE_STATIC);
        },
        [&](sqlite3_stmt* statement) {
          columns.push_back({std::string(textOf(statement, 1)),
                             sqlite3_column_int(statement, 0) + 1, sqlTypeOf(textOf(statement, 2)),
                             1 - sqlite3_column_int(statement, 3)});
        });
    if (rc != SQLITE_OK) return rc;
    object.columns = std::move(columns);
    object.columnsRead = true;
    return SQLITE_OK;
  }

 private:
  int prepare(StatementHandle& handle, const char* sql) {
    if (handle) return SQLITE_OK;
    sqlite3_stmt* raw = nullptr;
    const int rc = sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &raw, nullptr);
    handle.reset(raw);
    return rc;
  }

  // Compiles `sql` into `handle` once, binds with `bind`, and hands each row to `row`; the
  // statement is reset afterwards. Returns SQLite's result code (OK at the end of the rows).
  template <typename Bind, typename Row>
  int eachRow(StatementHandle& handle, const char* sql, Bind bind, Row row) {
    if (const int rc = prepare(handle, sql); rc != SQLITE_OK) return rc;
    sqlite3_stmt* statement = handle.get();
    const StatementReset reset(statement);
    bind(statement);
    int rc = SQLITE_ROW;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) row(statement);
    return rc == SQLITE_DONE ? SQLITE_OK : rc;
  }

  int readSchemaVersion(int& version) {
    return eachRow(
        schemaVersion_, "pragma main.schema_version", [](sqlite3_stmt*) {},
        [&](sqlite3_stmt* statement) { version = sqlite3_column_int(statement, 0); });
  }

  int readObjects(Snapshot& snapshot) {
    return eachRow(
        objects_,
        "select rowid, name, type from main.sqlite_master where type in ('table', 'view') "
        "order by rowid",
        [](sqlite3_stmt*) {},
        [&](sqlite3_stmt* statement) {
          const std::string_view name = textOf(statement, 1);
          snapshot.objects.push_back({sqlite3_column_int64(statement, 0),
                                      std::string(name),
                                      objectTypeOf(name, textOf(statement, 2)),
                                      false,
                                      {}});
        });
  }

  sqlite3* db_;
  std::array<TableOf, 3> tables_;
  StatementHandle schemaVersion_;
  StatementHandle objects_;
  StatementHandle columns_;
  std::shared_ptr<Snapshot> snapshot_;
};

// ---- the virtual tables ----------------------------------------------------------------------

constexpr const char* kDeclarations[] = {
    "create table x(id integer, name text collate ERP_CI, xtype text collate ERP_CI,"
    " type text collate ERP_CI)",
    "create table x(id integer, name text collate ERP_CI, colid integer, xtype integer,"
    " xusertype integer, isnullable integer)",
    "create table x(name text collate ERP_CI, xtype integer, xusertype integer)",
};

// The filters a plan may hand to xFilter, as bits of idxNum; the values follow in this order.
constexpr int kById = 1;      // sysobjects.id, syscolumns.id
constexpr int kByName = 2;    // sysobjects.name (compared as ERP_CI compares)
constexpr int kByTypeId = 4;  // systypes.xtype

struct CatalogueTable : sqlite3_vtab {
  SqliteCatalogue* catalogue;
  Table table;
};

struct Row {
  std::uint32_t object;
  std::uint32_t column;
};

struct CatalogueCursor : sqlite3_vtab_cursor {
  std::shared_ptr<Snapshot> snapshot;
  std::vector<Row> rows;
  std::size_t at = 0;
};

CatalogueTable& tableOf(sqlite3_vtab* vtab) { return *static_cast<CatalogueTable*>(vtab); }
CatalogueCursor& cursorOf(sqlite3_vtab_cursor* cursor) {
  return *static_cast<CatalogueCursor*>(cursor);
}

int fail(CatalogueTable& table, int rc) {
  sqlite3_free(table.zErrMsg);
  table.zErrMsg = sqlite3_mprintf("%s", sqlite3_errmsg(table.catalogue->db()));
  return rc;
}

int connect(sqlite3* db, void* aux, int, const char* const*, sqlite3_vtab** out, char**) {
  const auto& of = *static_cast<const TableOf*>(aux);
  if (const int rc = sqlite3_declare_vtab(db, kDeclarations[static_cast<int>(of.table)]);
      rc != SQLITE_OK) {
    return rc;
  }
  auto* table = new CatalogueTable{};
  table->catalogue = of.catalogue;
  table->table = of.table;
  *out = table;
  return SQLITE_OK;
}

int disconnect(sqlite3_vtab* vtab) {
  delete &tableOf(vtab);
  return SQLITE_OK;
}

// Uses the equality constraints a table can look up by; SQLite checks every constraint again
// (nothing is omitted), so a looked-up row that the constraint's own affinity would not match
// still goes.
int bestIndex(sqlite3_vtab* vtab, sqlite3_index_info* info) {
  const Table table = tableOf(vtab).table;
  int filters = 0;
  int arguments = 0;
  const auto use = [&](int constraint, int filter) {
    if (filters & filter) return;
    filters |= filter;
    info->aConstraintUsage[constraint].argvIndex = ++arguments;
  };
  for (int i = 0; i < info->nConstraint; ++i) {
    const auto& constraint = info->aConstraint[i];
    if (!constraint.usable || constraint.op != SQLITE_INDEX_CONSTRAINT_EQ) continue;
    const int column = constraint.iColumn;
    if (table != Table::kTypes && column == 0) {
      use(i, kById);
    } else if (table == Table::kObjects && column == 1 &&
               std::string_view(sqlite3_vtab_collation(info, i)) == kErpCollationName) {
      use(i, kByName);
    } else if (table == Table::kTypes && column == 1) {
      use(i, kByTypeId);
    }
  }
  // The order of the filters' values is fixed by the bit order, whatever the constraint order.
  if (filters == (kById | kByName)) {
    for (int i = 0; i < info->nConstraint; ++i) {
      auto& usage = info->aConstraintUsage[i];
      if (usage.argvIndex > 0) usage.argvIndex = info->aConstraint[i].iColumn == 0 ? 1 : 2;
    }
  }
  info->idxNum = filters;
  const bool lookup = filters != 0;
  switch (table) {
    case Table::kObjects:
      info->estimatedCost = lookup ? 2 : 100;
      info->estimatedRows = lookup ? 1 : 100;
      break;
    case Table::kColumns:
      info->estimatedCost = lookup ? 10 : 1000000;
      info->estimatedRows = lookup ? 10 : 10000;
      break;
    case Table::kTypes:
      info->estimatedCost = lookup ? 1 : static_cast<double>(kSqlTypes.size());
      info->estimatedRows = lookup ? 1 : static_cast<sqlite3_int64>(kSqlTypes.size());
      break;
  }
  return SQLITE_OK;
}

int open(sqlite3_vtab*, sqlite3_vtab_cursor** out) {
  *out = new CatalogueCursor{};
  return SQLITE_OK;
}

int close(sqlite3_vtab_cursor* cursor) {
  delete &cursorOf(cursor);
  return SQLITE_OK;
}

bool matchesName(const CatalogueObject& object, sqlite3_value* name) {
  const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(name));
  if (!text) return false;
  return compareErpCi(
             object.name,
             std::string_view(text, static_cast<std::size_t>(sqlite3_value_bytes(name)))) == 0;
}

int filter(sqlite3_vtab_cursor* base, int filters, const char*, int, sqlite3_value** values) {
  auto& cursor = cursorOf(base);
  auto& table = tableOf(base->pVtab);
  cursor.rows.clear();
  cursor.at = 0;
  sqlite3_value* const id = (filters & kById) ? values[0] : nullptr;
  sqlite3_value* const name = (filters & kByName) ? values[id ? 1 : 0] : nullptr;
  if (table.table == Table::kTypes) {
    for (std::uint32_t i = 0; i < kSqlTypes.size(); ++i) {
      if ((filters & kByTypeId) && sqlite3_value_int64(values[0]) != kSqlTypes[i].id) continue;
      cursor.rows.push_back({i, 0});
    }
    return SQLITE_OK;
  }
  if (const int rc = table.catalogue->current(cursor.snapshot); rc != SQLITE_OK) {
    return fail(table, rc);
  }
  auto& objects = cursor.snapshot->objects;
  for (std::uint32_t i = 0; i < objects.size(); ++i) {
    auto& object = objects[i];
    if (id && object.id != sqlite3_value_int64(id)) continue;
    if (name && !matchesName(object, name)) continue;
    if (table.table == Table::kObjects) {
      cursor.rows.push_back({i, 0});
      continue;
    }
    if (const int rc = table.catalogue->readColumns(object); rc != SQLITE_OK) {
      return fail(table, rc);
    }
    for (std::uint32_t c = 0; c < object.columns.size(); ++c) cursor.rows.push_back({i, c});
  }
  return SQLITE_OK;
}

int next(sqlite3_vtab_cursor* cursor) {
  ++cursorOf(cursor).at;
  return SQLITE_OK;
}

int eof(sqlite3_vtab_cursor* cursor) {
  const auto& c = cursorOf(cursor);
  return c.at >= c.rows.size();
}

void resultText(sqlite3_context* context, std::string_view text) {
  sqlite3_result_text(context, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

void resultTypeId(sqlite3_context* context, int id) {
  if (id == 0) {
    sqlite3_result_null(context);
  } else {
    sqlite3_result_int(context, id);
  }
}

int column(sqlite3_vtab_cursor* base, sqlite3_context* context, int index) {
  const auto& cursor = cursorOf(base);
  const Row row = cursor.rows[cursor.at];
  switch (tableOf(base->pVtab).table) {
    case Table::kObjects: {
      const auto& object = cursor.snapshot->objects[row.object];
      if (index == 0) {
        sqlite3_result_int64(context, object.id);
      } else if (index == 1) {
        resultText(context, object.name);
      } else {
        resultText(context, std::string_view(&object.xtype, 1));
      }
      break;
    }
    case Table::kColumns: {
      const auto& object = cursor.snapshot->objects[row.object];
      const auto& col = object.columns[row.column];
      switch (index) {
        case 0:
          sqlite3_result_int64(context, object.id);
          break;
        case 1:
          resultText(context, col.name);
          break;
        case 2:
          sqlite3_result_int(context, col.colid);
          break;
        case 3:
        case 4:
          resultTypeId(context, col.xtype);
          break;
        default:
          sqlite3_result_int(context, col.isnullable);
      }
      break;
    }
    case Table::kTypes: {
      const auto& type = kSqlTypes[row.object];
      if (index == 0) {
        resultText(context, type.name);
      } else {
        sqlite3_result_int(context, type.id);
      }
      break;
    }
  }
  return SQLITE_OK;
}

int rowid(sqlite3_vtab_cursor* cursor, sqlite3_int64* out) {
  *out = static_cast<sqlite3_int64>(cursorOf(cursor).at);
  return SQLITE_OK;
}

// Eponymous only (no xCreate): each table exists on the connection under its module's name.
constexpr sqlite3_module kModule = {
    /* iVersion */ 0,
    /* xCreate */ nullptr,
    /* xConnect */ connect,
    /* xBestIndex */ bestIndex,
    /* xDisconnect */ disconnect,
    /* xDestroy */ nullptr,
    /* xOpen */ open,
    /* xClose */ close,
    /* xFilter */ filter,
    /* xNext */ next,
    /* xEof */ eof,
    /* xColumn */ column,
    /* xRowid */ rowid,
    /* xUpdate */ nullptr,
    /* xBegin */ nullptr,
    /* xSync */ nullptr,
    /* xCommit */ nullptr,
    /* xRollback */ nullptr,
    /* xFindFunction */ nullptr,
    /* xRename */ nullptr,
    /* xSavepoint */ nullptr,
    /* xRelease */ nullptr,
    /* xRollbackTo */ nullptr,
    /* xShadowName */ nullptr,
};

}  // namespace

std::unique_ptr<Catalogue> attachCatalogue(sqlite3* db) {
  auto catalogue = std::make_unique<SqliteCatalogue>(db);
  const std::pair<const char*, Table> tables[] = {{"sysobjects", Table::kObjects},
                                                  {"syscolumns", Table::kColumns},
                                                  {"systypes", Table::kTypes}};
  for (const auto& [name, table] : tables) {
    const int rc = sqlite3_create_module_v2(
        db, name, &kModule, const_cast<TableOf*>(&catalogue->table(table)), nullptr);
    if (rc != SQLITE_OK) {
      automation::raise(
          automation::ErrorCode::kComponentFailure,
          std::string("cannot create the catalogue view ") + name + ": " + sqlite3_errstr(rc));
    }
  }
  return catalogue;
}

}  // namespace tarn::erp::db
