#pragma once

#include <string>
#include <string_view>

namespace kestrune {

// Appends text as a JSON string, quotes included: quotes, backslashes and control characters
// escaped, and every byte that starts no valid UTF-8 character written as U+FFFD, since a JSON
// text holds nothing but Unicode.
void appendJsonString(std::string &out, std::string_view text);

struct Cell;
// A value as a JSON string of its text, or null; `scratch` holds the text on its way.
void appendCellJson(std::string &out, const Cell &cell, std::string &scratch);

} // namespace kestrune
