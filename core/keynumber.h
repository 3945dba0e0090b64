#pragma once

#include <string_view>

namespace kestrune {

// An integer a server gives, signed or unsigned 64-bit, with room for either.
__extension__ using KeyNumber = __int128;

// The decimal text a server gives for an integer; throws std::invalid_argument for another.
KeyNumber parseKeyNumber(std::string_view text);

} // namespace kestrune
