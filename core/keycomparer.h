#pragma once

#include "core/value.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kestrune {

// Orders rows by their key columns, as the servers are asked to order them: each column by value,
// texts by their UTF-8 bytes, the first column first. Rows of two tables, or of one, are
// compared; each side has its own places and kinds of the key's columns.
class KeyComparer {
public:
    KeyComparer(const std::vector<std::size_t> &placesA, const std::vector<ColumnKind> &kindsA,
        const std::vector<std::size_t> &placesB, const std::vector<ColumnKind> &kindsB);

    // Negative when row `rowA` of `a` comes first, 0 when the keys are equal, positive when row
    // `rowB` of `b` comes first. Neither key may hold a NULL.
    int compare(const Table &a, std::size_t rowA, const Table &b, std::size_t rowB) const;

private:
    enum class Method : std::uint8_t;
    struct Part {
        std::size_t a;
        std::size_t b;
        Method method;
    };
    std::vector<Part> m_parts;
};

// Replaces `into` with the key columns of one row, for comparing with rows that come after that
// row's rowset has gone. Its places are 0, 1, ... in the order of `places`.
void copyKey(
    const Table &rows, std::size_t row, const std::vector<std::size_t> &places, Table &into);

} // namespace kestrune
