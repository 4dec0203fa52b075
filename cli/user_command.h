// velloc user: the people file of velloc serve (session/people.h). `user add NAME --erp-user ID`
// asks for the password on the terminal without echo, or reads it from the first line of
// standard input when that is not a terminal, never from the command line; `user remove NAME`;
// `user list`; `user token NAME` prints a new bearer token once and keeps only its hash.
#pragma once

#include "session/command.h"
#include "session/connection.h"

namespace tarn::cli {

session::Command addUserCommand(CLI::App& program, const session::SessionOptions& global);

}  // namespace tarn::cli
