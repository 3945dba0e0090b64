#pragma once

#include <optional>
#include <ostream>
#include <string>

namespace kestrune {

// The first line of the file, without its line end (LF or CR LF). Throws CommandError naming the
// file and the system's reason.
std::string readPasswordFile(const std::string &path);

// Asks `question` on `prompt` and reads the answer from the terminal of standard input, without
// echo; nullopt when standard input is no terminal. Throws CommandError when the input ends
// before a line end or cannot be read, or the terminal refuses its settings. SIGINT, SIGTERM and
// SIGHUP while echo is off put the terminal back first, then end the program as they would have.
std::optional<std::string> askPasswordOnTerminal(
    std::ostream &prompt, const std::string &question = "Password: ");

} // namespace kestrune
