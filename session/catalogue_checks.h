// The names a user-defined item's request carries that the component puts into SQL as they stand
// (the archive table, the column compared, the voucher card), checked against the database before
// the component sees them: each must name what the database holds, compared as an identifier from
// its catalogue, never by the look of the text. The component trusts its caller; a door does not.
#pragma once

#include <string>

#include "session/request_checks.h"
#include "session/velloc_host.h"
#include "tarnvelloc/erp/held_connection.h"

namespace tarn::session {

// For the archive source: the table is a table of the database, and the column, when given, a
// column of that table. For the voucher source: the card is a card of the Vouchers table, and the
// column, when given, a column of the table that card offers. The list source carries no name
// into SQL. Raises RequestError: a usage error naming what was wrong, or a database failure.
void checkNamesAgainstCatalogue(const std::u16string& connection, const ReferenceRequest& request,
                                const KeyNames& keys);

// The same on a connection the door holds.
void checkNamesAgainstCatalogue(erp::HeldConnection& connection, const ReferenceRequest& request,
                                const KeyNames& keys);

}  // namespace tarn::session
