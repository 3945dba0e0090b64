#include "core/keynumber.h"

#include <stdexcept>

namespace kestrune {

KeyNumber parseKeyNumber(std::string_view text)
{
    const bool negative = !text.empty() && text.front() == '-';
    if (negative)
        text.remove_prefix(1);
    // 39 digits overflow 128 bits; the 20 of a 64-bit number are far inside.
    if (text.empty() || text.size() > 38)
        throw std::invalid_argument("not an integer");
    KeyNumber number = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            throw std::invalid_argument("not an integer");
        number = number * 10 + (c - '0');
    }
    return negative ? -number : number;
}

} // namespace kestrune
