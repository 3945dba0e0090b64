#pragma once

#include "core/value.h"

namespace kestrune {

// Whether two cells of paired records differ. NULL equals only NULL; numbers compare by value
// across kinds (exactly, unless one is a float or double); dates and date-times as moments; times
// as durations; texts and byte strings byte for byte; any other mix of kinds differs.
bool cellsDiffer(const Cell &a, const Cell &b);

// -1, 0 or 1 as `a` comes before, with or after `b`.
template <typename T> int threeWay(T a, T b) { return a < b ? -1 : (b < a ? 1 : 0); }

// The order of two non-NULL cells of one family (numbers, moments, durations, or texts and byte
// strings), as a server orders them by value and texts by their UTF-8 bytes: negative when `a`
// comes first, 0 exactly when cellsDiffer() calls them equal, positive when `b` comes first.
int compareValues(const Cell &a, const Cell &b);

} // namespace kestrune
