#pragma once

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace kestrune {

// Where a run of the compare mode writes, and whom it may ask for a password.
struct CommandStreams {
    int out; // the lines, as a file descriptor
    std::ostream &err;
    bool errIsTerminal = false; // progress is shown only on a terminal
    // Asks the question on the terminal; nullopt: nobody to ask. Throws CommandError when the
    // user ends the input instead.
    std::function<std::optional<std::string>(const std::string &question)> askPassword;
};

// Compares two tables as the wizard's "Next >" does and writes the lines as its export does.
// `arguments` are those after `--compare`. Returns 0 for no lines, 1 for lines, 2 when no
// comparison was made; every message goes to `err`, and nothing to `out` unless the run succeeds.
// A reader of `out` that has gone away ends the run quietly with 2. Never writes the settings
// store.
int runCompare(const std::vector<std::string> &arguments, CommandStreams &streams);

// The program's compare mode on its own standard streams: `argv` as main got it, with argv[1]
// being "--compare". Needs no application object and no display.
int runCompareCommand(int argc, char **argv);

} // namespace kestrune
