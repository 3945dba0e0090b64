#pragma once

#include "core/value.h"

#include <string>
#include <vector>

namespace kestrune {

// A column as a row's checksum reads it.
struct ChecksumColumn {
    std::string name;
    ColumnKind kind;
    std::string characterSet; // of a text column
};

// SQL for a 64-bit checksum of a row's values in the given columns, in that order, that is the
// same on any two servers for the same values whatever the columns' character sets, and never the
// same for two rows the comparison tells apart. Values the comparison calls equal may give other
// checksums (an INT against a DECIMAL, say, or 2.5 against 2.50), and so do any two rows whose
// columns hold values of other forms (integers, floating-point numbers, or any other one kind).
// It sets a session variable as it goes, so it belongs in a plain or grouped aggregate: a window
// function gives other figures, and a subquery holding it is run again for every outer row.
std::string rowChecksumSql(const std::vector<ChecksumColumn> &columns);

} // namespace kestrune
