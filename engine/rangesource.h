#pragma once

#include "core/tablereader.h"
#include "engine/keyvalue.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace kestrune {

// What a server works out of one range of a table's rows: how many it holds, how many of those
// it could give a figure (a row whose text it cannot build has none), and the figure of their
// values together, equal on two servers only when the rows are.
struct RangeFigures {
    long long rows = 0;
    long long figured = 0;
    std::array<std::uint64_t, 2> figure = {};

    bool operator==(const RangeFigures &) const = default;
};

// Keys sampled through a table's index: the first, then keys about a step of rows apart, and the
// key after them when the table has more.
struct SampledKeys {
    std::vector<KeyValue> keys;
    std::optional<KeyValue> next;
};

// One table of a comparison by ranges of its key, as a server reaches it. Ranges are given in
// ascending order, apart, bounded by table 1's keys; the user's condition holds inside each.
class RangeSource {
public:
    virtual ~RangeSource() = default;

    // From `from` on (none: from the lowest key), among the first `limit` rows the first key and
    // keys that cut them into ranges of about `step` rows each (at most twice that), and the key
    // after those rows.
    virtual SampledKeys keysFrom(
        const std::optional<KeyValue> &from, long long step, long long limit)
        = 0;
    // Inside each range, its first key and every `step`-th after it, a list a range.
    virtual std::vector<std::vector<KeyValue>> keysWithin(
        const std::vector<KeyRange> &ranges, long long step)
        = 0;
    // The figures of each range, in the ranges' order.
    virtual std::vector<RangeFigures> figures(const std::vector<KeyRange> &ranges) = 0;
    // What reading the range adds to the one statement that reads them, against statementRoom().
    virtual std::size_t readCost(const KeyRange &range) const = 0;
    virtual std::size_t statementRoom() const = 0;
    // The rows of the ranges, in the order records pair in, from a reader not yet opened.
    virtual std::unique_ptr<TableReader> read(const std::vector<KeyRange> &ranges) = 0;
};

} // namespace kestrune
