// The form in which PostgreSQL keeps a login's password: a SCRAM-SHA-256 verifier, computed here
// so that the password itself never travels to the server, and so never stands in a statement
// that a server log could show.
#pragma once

#include <string>
#include <string_view>

namespace tarn::session {

// "SCRAM-SHA-256$4096:<salt>$<StoredKey>:<ServerKey>" (base64) for `password`, with a random
// 16-byte salt. The password must be printable ASCII (which a client sends unchanged); raises
// RequestError (usage) otherwise.
std::string scramSha256Verifier(std::string_view password);

}  // namespace tarn::session
