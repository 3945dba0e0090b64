#pragma once

#include "core/comparisonlines.h"
#include "core/findingsink.h"
#include "core/keypairing.h"
#include "core/tablereader.h"

#include <functional>
#include <optional>
#include <string>

namespace kestrune {

// Which table, if either, has no rows to compare; the first is told when both have none.
enum class EmptyTable { None, First, Second };

// How far reading has got: the rows read of each table, and how many each is expected to hold
// (-1 when not known).
using ReadProgress = std::function<void(
    long long read1, long long expected1, long long read2, long long expected2)>;

// The two tables compared, by name, how their records pair (by position, or by key) and which of
// the paired columns are compared. Readers of tables paired by key give their rows in the key's
// order (see KeyComparer).
struct Comparison {
    std::string table1;
    std::string table2;
    std::optional<KeyPairing> byKey = std::nullopt;
    ColumnChoice columns = {};
    LineFormat format = LineFormat::Text;
};

// What a comparison found: a table without rows to compare (and then nothing else), or how much
// differs among the rows read.
struct ComparisonOutcome {
    EmptyTable empty = EmptyTable::None;
    DifferenceCounts counts;
    long long rows1 = 0;
    long long rows2 = 0;
};

// Opens both tables, the first first, and reads them side by side a rowset at a time, pairing
// their records; the lines go to `lines` as they are found. By position, a table without rows is
// told and nothing is compared; by key, its other table's records are all added or deleted.
// Failures (a missing table, a lost server) throw; a key that repeats, is NULL or arrives out of
// order throws PairingError; running out of memory throws "Out of memory".
ComparisonOutcome compareTables(TableReader &table1, TableReader &table2,
    const Comparison &comparison, LineSink &lines, const ReadProgress &progress = {});
// The same, each finding handed to `findings`.
ComparisonOutcome compareTables(TableReader &table1, TableReader &table2,
    const Comparison &comparison, FindingSink &findings, const ReadProgress &progress = {});

} // namespace kestrune
