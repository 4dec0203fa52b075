// The commands of the command line as subcommands of the velloc program: each with its options,
// their help and examples, and what runs it (commands.h) once the command line has been read.
#pragma once

#include <vector>

#include "session/command.h"
#include "session/connection.h"

namespace tarn::cli {

// Adds init, demo, ref, free-ref, validate and validate-free to `program`. Each runs with the
// global options as they stand once the command line has been read.
std::vector<session::Command> addCommands(CLI::App& program, const session::SessionOptions& global);

}  // namespace tarn::cli
