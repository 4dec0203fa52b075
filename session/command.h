// One subcommand of the velloc program, as a door adds it to the program's command line: the
// parsed subcommand, and what runs it once the command line has been read. Its options live in
// the door's own options struct, which `run` holds.
#pragma once

#include <functional>

namespace CLI {
class App;
}

namespace tarn::session {

struct Command {
  CLI::App* app = nullptr;
  std::function<int()> run;  // the process exit status
};

}  // namespace tarn::session
