#pragma once

#include "core/value.h"

namespace kestrune {

// Whether two cells of paired records differ. NULL equals only NULL; numbers compare by value
// across kinds (exactly, unless one is a float or double); dates and date-times as moments; times
// as durations; texts and byte strings byte for byte; any other mix of kinds differs.
bool cellsDiffer(const Cell &a, const Cell &b);

} // namespace kestrune
