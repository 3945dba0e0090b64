#pragma once

#include "cli/checksumwalk.h"

namespace kestrune::checksumwalk {

// Compares by checksums a key whose first column is an integer in both tables: ranges split by
// value, each check asking a server for every bucket `key DIV width` of its ranges at once, and
// the ranges that differ read a batch at a time.
ComparisonOutcome walkIntegerKey(const Side &one, const Side &two, const Comparison &comparison,
    LineSink &lines, const ChecksumReport &report);

} // namespace kestrune::checksumwalk
