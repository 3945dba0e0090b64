#pragma once

#include "cli/checksumwalk.h"

namespace kestrune::checksumwalk {

// Compares by checksums a key whose first column is not an integer in both tables: ranges are
// bounded by values of table 1's column read through its index, each check asks a server for the
// figures of every range in one query, and the rows of the ranges that differ are read at the
// end, in one query a table, so that each server sorts them in the key's order. Table 2's column
// may order texts otherwise (another character set or collation): a bound out of order there is
// left out, so that each table's ranges still hold each of its rows once.
ComparisonOutcome walkBoundedKey(const Side &one, const Side &two, const Comparison &comparison,
    LineSink &lines, const ChecksumReport &report);

} // namespace kestrune::checksumwalk
