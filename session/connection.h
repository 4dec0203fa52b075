// The database and user a request runs against, found usable before the component is given them.
#pragma once

#include <iosfwd>
#include <string>

#include "session/velloc_host.h"
#include "tarnvelloc/erp/held_connection.h"

namespace tarn::session {

// What names the database and the user, on the command line or for the server.
struct SessionOptions {
  std::string connection;  // --conn: an ADO-style connection string
  std::string database;    // --db: a SQLite file, short for Provider=SQLite;Data Source=FILE
  std::string user = "demo";
  bool json = false;  // answers as one JSON object
};

// The demo database used when neither a connection string nor a file is named.
inline constexpr const char* kDefaultDatabase = "velloc-demo.db";

// The connection string the options name, once the database has been found usable: it opens,
// and it holds the ERP tables. Without a connection string or a file, the default demo database
// is created in the working folder on first use (said on `err`). Raises RequestError.
std::u16string openConnection(const SessionOptions& options, std::ostream& err);

// The same, with a connection held on it: the one the database was checked on, kept for the
// request's own questions (names, pick-list rows, reasons), so that they open nothing more. It
// is lent to the component initialised next on this thread with `connection` (initialise), whose
// outside components then run on it too: one connection for the whole request.
struct OpenedDatabase {
  std::u16string connection;
  erp::HeldConnection held;
};
OpenedDatabase openHeldConnection(const SessionOptions& options, std::ostream& err);

// Init(connection, user) on `host`; a database failure or a False result raises RequestError.
void initialise(VellocHost& host, const std::u16string& connection, const std::u16string& user);

}  // namespace tarn::session
