// Text crosses the database layer exactly or not at all: text that is not well-formed UTF-16
// (an unpaired surrogate) would come back changed from any encoding a database stores, so both
// backends refuse it before it reaches a driver or a parser.
#pragma once

#include <string>
#include <string_view>

namespace tarn::erp::db {

// Raises kComponentFailure naming the first unpaired surrogate and its position when `text` is
// not well-formed UTF-16. `what` names the text in the message ("the statement", "parameter 2").
void requireWellFormed(std::u16string_view text, const std::string& what);

}  // namespace tarn::erp::db
