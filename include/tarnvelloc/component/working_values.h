// The named values of the working methods' arguments and results, for the component's own parts
// and for its hosts, so that no caller spells a source, a section or a validation code as a bare
// number.
//
// A host calls the members of "TarnVelloc.clsVelloc" late-bound, by name, with the arguments in
// this order (automation::Object::call; "ref" marks a by-reference argument whose variable the
// component may replace):
//
//   Init(sConn, sUserId) -> Boolean
//       the connection string handed to the outside components, and the ERP user id whose row
//       grants and column layouts apply; True when both data services opened the database.
//   GetRefSQL(iDataSrcType, iVoucherSec, sUserDefName, sTableName, sFieldName, sCardNumber,
//             sMatchVal, ref sRefSql, ref sRefColSet, ref sRefColWidth) -> Boolean
//       a user-defined item's pick-list: the source (kListSource, kArchiveSource,
//       kVoucherSource), the section (kHeaderSection, kBodySection), the field name (cdefineN),
//       the archive table (archive source), the column compared with the match text (archive
//       and voucher sources), the voucher card number (voucher source), the text the rows must
//       contain; on True, the SQL to run, its comma-separated captions and its widths.
//   ValidateAr(iDataSrcType, iVoucherSec, sUserDefName, sTableName, sFieldName, ref sUserDefVal,
//              sCardNumber, bBuildAr) -> Integer
//       a value typed into a user-defined item, with the arguments of GetRefSQL; sUserDefVal
//       comes back trimmed, or as the archived value when an alias was typed; bBuildAr archives
//       a value found nowhere. One of the validation codes below.
//   GetFreeRefSQL(sFreeFldName, sMatchVal, ref sRefSql, ref sRefColSet, ref sRefColWidth)
//       -> Boolean
//       a free item's pick-list (cfreeN).
//   GetStruFreeRefSQL(sInvCode, sFreeFldName, sMatchVal, ref sRefSql, ref sRefColSet,
//                     ref sRefColWidth) -> Boolean
//       the same for one inventory code, from its structured parts list when it keeps one.
//   ValidateFreeAr(sFreeFldName, ref sFreeVal, bBuildAr) -> Integer
//       a value typed into a free item, as ValidateAr.
//
// Sources and sections are Integers (16-bit), texts Strings, flags Booleans. A wrong argument
// count or an unknown member raises AutomationError; the component's own failures come back as
// results (False, kRefused, kNotArchived), never as errors.
#pragma once

#include <cstdint>

namespace tarn::velloc {

// iDataSrcType of GetRefSQL and ValidateAr: where a user-defined item's values come from. The
// item's own list (UserDefine), an archive table, or the table a voucher card names.
inline constexpr std::int16_t kListSource = 0;
inline constexpr std::int16_t kArchiveSource = 1;
inline constexpr std::int16_t kVoucherSource = 2;

// iVoucherSec of GetRefSQL and ValidateAr: the voucher section a user-defined item belongs to.
inline constexpr std::int16_t kHeaderSection = 0;
inline constexpr std::int16_t kBodySection = 1;

// The result of ValidateAr and ValidateFreeAr.
inline constexpr std::int16_t kAccepted = 0;      // a known value, or an alias replaced by it
inline constexpr std::int16_t kRefused = -1;      // found nowhere, and archiving not asked for
inline constexpr std::int16_t kNotArchived = -2;  // found nowhere, and it could not be archived
inline constexpr std::int16_t kArchived = 1;      // found nowhere, and archived as a new value

}  // namespace tarn::velloc
