#include "bench/direct_client.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>

#include "erp/db/catalogue_views.h"
#include "erp/db/erp_collation.h"
#include "erp/db/sqlite_database.h"

namespace tarn::bench {

namespace {

std::atomic<bool> capturing{false};
std::vector<std::string>* captured = nullptr;

[[noreturn]] void abortWith(sqlite3* db, const char* what) {
  std::fprintf(stderr, "direct client: %s: %s\n", what, db ? sqlite3_errmsg(db) : "?");
  std::abort();
}

// A statement started while another one of its connection is running is part of that one.
bool runsInsideAnother(sqlite3_stmt* statement) {
  sqlite3* db = sqlite3_db_handle(statement);
  for (sqlite3_stmt* other = sqlite3_next_stmt(db, nullptr); other;
       other = sqlite3_next_stmt(db, other)) {
    if (other != statement && sqlite3_stmt_busy(other)) return true;
  }
  return false;
}

int onStatement(unsigned, void*, void* statementPointer, void*) {
  if (!capturing.load(std::memory_order_relaxed)) return 0;
  auto* statement = static_cast<sqlite3_stmt*>(statementPointer);
  if (runsInsideAnother(statement)) return 0;
  char* text = sqlite3_expanded_sql(statement);
  captured->emplace_back(text ? text : sqlite3_sql(statement));
  sqlite3_free(text);
  return 0;
}

int traceNewConnection(sqlite3* db, const char**, const sqlite3_api_routines*) {
  return sqlite3_trace_v2(db, SQLITE_TRACE_STMT, onStatement, nullptr);
}

int compareErpCi(void*, int bytesA, const void* a, int bytesB, const void* b) {
  return erp::db::compareErpCi(
      std::string_view(static_cast<const char*>(a), static_cast<std::size_t>(bytesA)),
      std::string_view(static_cast<const char*>(b), static_cast<std::size_t>(bytesB)));
}

}  // namespace

void StatementCapture::install() {
  erp::db::configureSqliteMemory();  // before sqlite3_auto_extension starts SQLite
  sqlite3_auto_extension(reinterpret_cast<void (*)()>(traceNewConnection));
}

std::vector<std::string> StatementCapture::of(const std::function<void()>& work) {
  work();
  std::vector<std::string> statements;
  captured = &statements;
  capturing = true;
  work();
  capturing = false;
  captured = nullptr;
  if (std::getenv("VELLOC_BENCH_SHOW_STATEMENTS")) {
    std::fprintf(stderr, "-- %zu statements\n", statements.size());
    for (const auto& statement : statements) std::fprintf(stderr, "%s;\n", statement.c_str());
  }
  return statements;
}

DirectClient::DirectClient(const std::filesystem::path& file) {
  if (sqlite3_open_v2(file.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) !=
      SQLITE_OK) {
    abortWith(db_, "open");
  }
  if (sqlite3_create_collation(db_, erp::db::kErpCollationName, SQLITE_UTF8, nullptr,
                               compareErpCi) != SQLITE_OK ||
      sqlite3_exec(db_, "pragma foreign_keys = on; pragma main.schema_version", nullptr, nullptr,
                   nullptr) != SQLITE_OK) {
    abortWith(db_, "set-up");
  }
  catalogue_ = erp::db::attachCatalogue(db_);
}

DirectClient::~DirectClient() {
  finalizeKept();
  catalogue_.reset();
  sqlite3_close_v2(db_);
}

std::size_t DirectClient::run(const std::vector<std::string>& statements) {
  std::size_t rows = 0;
  for (const auto& text : statements) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db_, text.c_str(), static_cast<int>(text.size()), &statement, nullptr) !=
        SQLITE_OK) {
      abortWith(db_, text.c_str());
    }
    rows += stepToTheEnd(statement, text.c_str());
    sqlite3_finalize(statement);
  }
  return rows;
}

void DirectClient::prepare(const std::vector<std::string>& statements) {
  finalizeKept();
  for (const auto& text : statements) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db_, text.c_str(), static_cast<int>(text.size()), &statement, nullptr) !=
        SQLITE_OK) {
      abortWith(db_, text.c_str());
    }
    kept_.emplace_back(statement, text);
  }
}

std::size_t DirectClient::runPrepared() {
  std::size_t rows = 0;
  for (const auto& [statement, text] : kept_) {
    rows += stepToTheEnd(statement, text.c_str());
    sqlite3_reset(statement);
  }
  return rows;
}

void DirectClient::finalizeKept() {
  for (const auto& kept : kept_) sqlite3_finalize(kept.first);
  kept_.clear();
}

std::size_t DirectClient::stepToTheEnd(sqlite3_stmt* statement, const char* text) {
  std::size_t rows = 0;
  std::size_t touched = 0;  // every value is read, as a client showing the rows would
  {
    int resultCode = SQLITE_ROW;
    while ((resultCode = sqlite3_step(statement)) == SQLITE_ROW) {
      ++rows;
      const int columns = sqlite3_column_count(statement);
      for (int column = 0; column < columns; ++column) {
        switch (sqlite3_column_type(statement, column)) {
          case SQLITE_INTEGER:
            touched += static_cast<std::size_t>(sqlite3_column_int64(statement, column));
            break;
          case SQLITE_FLOAT:
            touched += static_cast<std::size_t>(sqlite3_column_double(statement, column));
            break;
          case SQLITE_TEXT:
            touched += reinterpret_cast<std::uintptr_t>(sqlite3_column_text(statement, column)) +
                       static_cast<std::size_t>(sqlite3_column_bytes(statement, column));
            break;
          default:
            break;
        }
      }
    }
    if (resultCode != SQLITE_DONE) abortWith(db_, text);
  }
  benchmark::DoNotOptimize(touched);
  return rows;
}

}  // namespace tarn::bench
