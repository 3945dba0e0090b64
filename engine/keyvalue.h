#pragma once

#include "core/value.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kestrune {

// One column of a key's value, copied out of the rowset it came in.
struct KeyPart {
    ColumnKind kind = ColumnKind::Integer;
    int fractionDigits = 0;
    std::uint64_t slot = 0; // a number, date or time as Column stores it
    std::string bytes; // a decimal, text or byte string

    bool operator==(const KeyPart &) const = default;
};

// The value of a key's columns, in the key's order.
using KeyValue = std::vector<KeyPart>;

// The key of one row: its columns at `places`. None of them may be NULL.
KeyValue keyValueOf(const Table &rows, std::size_t row, const std::vector<std::size_t> &places);

// The keys from `low` up to but not including `high`, in the order a table's ranges are bounded
// in; none: no bound on that side.
struct KeyRange {
    std::optional<KeyValue> low;
    std::optional<KeyValue> high;
};

} // namespace kestrune
