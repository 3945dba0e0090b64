#pragma once

#include "engine/comparetables.h"
#include "engine/rangesource.h"

#include <functional>

namespace kestrune {

// How far a comparison by ranges has got: the ranges the servers have checked, those whose
// figures differed, and the rows read of each table.
struct ChecksumProgress {
    long long checked = 0;
    long long differing = 0;
    long long read1 = 0;
    long long read2 = 0;
};
using ChecksumReport = std::function<void(const ChecksumProgress &)>;

// How the ranges of the two tables hold their keys.
enum class RangeOrder : std::uint8_t {
    // A key falls in the same range in both tables, and ranges follow one another in the order
    // records pair in: what differs is read as it is found.
    Pairing,
    // Ranges are bounded in some other order, or a key may fall in one range of table 1 and
    // another of table 2 (both then differ): every range that differs is read at the end, by one
    // statement a table, which the server sorts.
    Other,
};

// Compares two tables paired by key as reading both whole would, with the same lines, reading
// only the ranges whose figures differ: the key is cut into stretches and those into ranges of
// about as many of table 1's rows each; a range that differs is cut again, at table 1's keys
// inside it, until what is left is small enough to read. Where a check finds most of its rows
// differing, the stretches after it are read unchecked for a while. Each check asks both servers
// at once.
ComparisonOutcome walkRanges(RangeSource &one, RangeSource &two, RangeOrder order,
    const Comparison &comparison, LineSink &lines, const ChecksumReport &report = {});
// The same, each finding handed to `findings`.
ComparisonOutcome walkRanges(RangeSource &one, RangeSource &two, RangeOrder order,
    const Comparison &comparison, FindingSink &findings, const ChecksumReport &report = {});

} // namespace kestrune
