// The item field names the doors accept: those of the ERP's voucher and inventory screens. The
// component refuses every other user-defined field name whatever the database holds, so a door
// turns them into usage errors that list the valid names instead of a bare refusal.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarn::session {

// Nothing for cdefine1..cdefine16 (header items) and cdefine22..cdefine37 (body items), in any
// letter case and with blanks around; otherwise the message for the user.
std::optional<std::string> userDefinedFieldProblem(std::u16string_view field);

// Nothing for cfree1..cfree10, in any letter case and with blanks around; otherwise the message.
std::optional<std::string> freeFieldProblem(std::u16string_view field);

}  // namespace tarn::session
