// The database connection a worker thread keeps for the server's own reads (the catalogue checks
// and the pick-list rows), so that a request does not pay for opening the database. It is
// opened on the thread's first need and dropped after a database failure, so that the next
// request opens it anew (the database may have been restarted).
#pragma once

#include <string>

#include "tarnvelloc/erp/held_connection.h"

namespace tarn::server {

// This thread's connection to `connection`; raises RequestError (a database failure) when it
// cannot be opened.
erp::HeldConnection& threadConnection(const std::u16string& connection);

// Drops this thread's connection, if any.
void dropThreadConnection();

}  // namespace tarn::server
