// The record set object the outside components hand to the component: a walk over rows read in
// full beforehand (MoveNext forward, MoveFirst back to the first row), so it stays usable after
// its connection is closed.
//
// Operations: BOF and EOF (Boolean properties; both true for an empty set, neither while on a
// row), Fields (a Fields object whose Item(key) takes a column name, ASCII case ignored, or a
// zero-based Integer/Long index, and gives a Field with Value and Name), MoveNext, MoveFirst,
// RecordCount (Long) and Close. A Field reads the row current when Value is asked for. Fields
// gives the same object every time and Item the same Field for a column, for as long as anyone
// holds one of them: walking a set creates no objects.
//
// Failures raise kComponentFailure: any use after Close ("record set is closed", Fields and
// Field objects included), Value with no current row, MoveNext at EOF, an unknown field name or
// index. A key that is neither text nor an integer raises kTypeMismatch.
#pragma once

#include "erp/db/database.h"
#include "tarnvelloc/automation/object.h"

namespace tarn::erp {

// Raises kComponentFailure when a row does not hold one value per column.
automation::ObjectRef makeRecordSetObject(db::ResultSet rows);

}  // namespace tarn::erp
