// The value tests behind the typed rules of user-defined items and the money-column comparison:
// whether a typed value reads, as a whole, as a number or as a date. Both tests look at the
// value exactly as given: no blank, group separator or currency sign is skipped, and the empty
// value is neither a number nor a date.
//
// Number (the text goes into SQL bare on a money column, so it must also be an SQL numeric
// literal):
//   number   = [sign] mantissa [exponent]
//   sign     = "+" | "-"
//   mantissa = digits ["." [digits]] | "." digits
//   exponent = ("e" | "E") [sign] digits
//   digits   = one or more of 0-9
// Examples: 12, -3.5, +.5, 7., 1e3, 2.5E-4. Not numbers: "", ".", "1e", "1,000", " 1", "0x1F".
//
// Date: a calendar date in year-month-day order, optionally followed by a time of day:
//   date = year sep month sep day [" " time]
//   year = four digits, 0001-9999; month = one or two digits, 1-12; day = one or two digits,
//          at most the length of that month (29 February only in a leap year: divisible by 4,
//          and not by 100 unless by 400)
//   sep  = "-" or "/", the same character both times
//   time = hour ":" minute [":" second]; hour one or two digits 0-23; minute and second two
//          digits 00-59
// Examples: 2024-05-01, 2024/5/1, 2024-02-29 13:45, 2024-02-29 08:05:09.
// Not dates: 2023-02-29, 2024-13-01, 2024-05/01, 01-05-2024, 2024-05-01T10:00, 2024-05-01 24:00.
#pragma once

#include <string_view>

namespace tarn::items {

bool isNumericValue(std::u16string_view value);
bool isDateValue(std::u16string_view value);

}  // namespace tarn::items
