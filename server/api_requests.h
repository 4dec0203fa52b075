// The requests of velloc serve's API, read from their JSON bodies: item field names and texts
// only, never SQL. Every reader raises RequestError (a usage error, answered 400) naming what is
// wrong: a body that is not one JSON object, a key the endpoint does not take, a value of the
// wrong type, a missing field or value, a field name the component can never accept, or a
// source without what it cannot work without.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "session/page_cursor.h"
#include "session/velloc_host.h"
#include "tarnvelloc/erp/result_set.h"

namespace tarn::server {

// Pick-list rows answered by one request when it names no limit, and at most.
inline constexpr std::size_t kDefaultPageRows = 50;
inline constexpr std::size_t kMaxPageRows = 1000;

// {"field", "source": list|archive|voucher, "section": header|body, "table", "column", "card",
//  "match", "limit", "offset", "count", "after"}; the table name is trimmed of blanks, as the
// ERP compares keys. "after" is a cursor a previous answer gave in "next", read for its form
// here and matched with its list when the list is known.
struct ReferenceQuery {
  session::ReferenceRequest request;
  erp::RowWindow window;
  std::optional<session::PageCursor> after;
};

// {"field", "inventory", "match", "limit", "offset", "count", "after"}; with "inventory" the
// structured list.
struct FreeReferenceQuery {
  std::u16string field;
  std::u16string inventory;
  bool hasInventory = false;
  std::u16string match;
  erp::RowWindow window;
  std::optional<session::PageCursor> after;
};

// {"field", "value", "build", and the source keys of a reference}.
struct ValidationQuery {
  session::ReferenceRequest request;
  std::u16string value;
  bool build = false;
};

// {"field", "value", "build"}.
struct FreeValidationQuery {
  std::u16string field;
  std::u16string value;
  bool build = false;
};

// {"field", "kind": "free"} for a free item; else {"field" and the source keys of a validation}.
// The item whose recently chosen values are asked for.
struct RecentQuery {
  bool free = false;
  session::ReferenceRequest request;  // for a free item, its field only
};

ReferenceQuery readReferenceQuery(std::string_view body);
FreeReferenceQuery readFreeReferenceQuery(std::string_view body);
ValidationQuery readValidationQuery(std::string_view body);
FreeValidationQuery readFreeValidationQuery(std::string_view body);
RecentQuery readRecentQuery(std::string_view body);

}  // namespace tarn::server
