#pragma once

#include <stdexcept>

namespace kestrune {

// A failure of the command line's own doing (its files, its input), not of the comparison: told
// the way other command-line tools word theirs, "kestrune: WHAT", with exit status 2.
class CommandError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace kestrune
