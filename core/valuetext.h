#pragma once

#include "core/value.h"

#include <string>

namespace kestrune {

// The text of a non-NULL cell as a result line shows it.
void appendCellText(std::string &out, const Cell &cell);

} // namespace kestrune
