#pragma once

#include "core/textlines.h"
#include "core/value.h"

#include <string_view>

namespace kestrune {

struct ComparisonLines {
    TextLines fieldDifferences;
    TextLines addedDeleted;
};

// Pairs the records of two non-empty tables by position and their columns by position (as many
// as the narrower table has), and appends a line for every differing value and every surplus
// record. Column names come from table 1; surplus lines name table 2.
void compareTables(
    const Table &table1, const Table &table2, std::string_view table2Name, ComparisonLines &out);

} // namespace kestrune
