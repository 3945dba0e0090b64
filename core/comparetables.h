#pragma once

#include "core/comparisonlines.h"
#include "core/tablereader.h"

#include <functional>
#include <string>

namespace kestrune {

// Which table, if either, has no rows to compare; the first is told when both have none.
enum class EmptyTable { None, First, Second };

// How far reading has got: the rows read of each table, and how many each is expected to hold
// (-1 when not known).
using ReadProgress = std::function<void(
    long long read1, long long expected1, long long read2, long long expected2)>;

// Opens both tables, the first first, and reads them side by side a rowset at a time, pairing
// their records by position; the lines go to `lines` as they are found. Failures (a missing table,
// a lost server) throw; running out of memory throws "Out of memory".
EmptyTable compareTables(TableReader &table1, TableReader &table2, const std::string &table2Name,
    LineSink &lines, const ReadProgress &progress = {});

} // namespace kestrune
