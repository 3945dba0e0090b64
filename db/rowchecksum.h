#pragma once

#include "core/value.h"

#include <string>
#include <vector>

namespace kestrune {

// SQL for a 64-bit checksum of a row's values in the given columns, in that order, that is the
// same on any two servers for the same values whatever the columns' character sets, and never
// the same for two rows the comparison tells apart. Two columns compared whose kinds differ (an
// INT against a DECIMAL, say) may give different checksums for values the comparison calls equal.
std::string rowChecksumSql(const std::vector<ColumnShape> &columns,
    const std::vector<std::size_t> &places);

} // namespace kestrune
