#pragma once

#include <optional>
#include <ostream>
#include <string>

namespace kestrune {

// The first line of the file, without its line end (LF or CR LF). Throws std::runtime_error
// naming the file and the system's reason.
std::string readPasswordFile(const std::string &path);

// Asks for the password on the terminal of standard input, without echo, prompting on `prompt`;
// nullopt when standard input is no terminal.
std::optional<std::string> askPasswordOnTerminal(std::ostream &prompt);

} // namespace kestrune
