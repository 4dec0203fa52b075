// Secrets a command asks for (a password), read from the terminal without echo, or from the
// first line of standard input when that is not a terminal, so that they never stand on the
// command line, where the process list shows them.
#pragma once

#include <string>

namespace tarn::cli {

// One line, without its line break; `prompt` is written to standard error on a terminal only.
std::string readSecretLine(const char* prompt);

// A new password: on a terminal asked twice and refused (a usage error) when the two differ.
std::string readNewPassword();

}  // namespace tarn::cli
