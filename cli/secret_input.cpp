#include "cli/secret_input.h"

#include <termios.h>
#include <unistd.h>

#include <iostream>

#include "session/failure.h"

namespace tarn::cli {

std::string readSecretLine(const char* prompt) {
  const bool terminal = ::isatty(STDIN_FILENO) != 0;
  termios saved{};
  if (terminal) {
    std::cerr << prompt << std::flush;
    ::tcgetattr(STDIN_FILENO, &saved);
    termios quiet = saved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    ::tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
  }
  std::string line;
  std::getline(std::cin, line);
  if (terminal) {
    ::tcsetattr(STDIN_FILENO, TCSANOW, &saved);
    std::cerr << "\n";
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

std::string readNewPassword() {
  const std::string password = readSecretLine("password: ");
  if (::isatty(STDIN_FILENO) && readSecretLine("again: ") != password) {
    session::refuseUsage("the two passwords differ");
  }
  return password;
}

}  // namespace tarn::cli
