#pragma once

#include "core/value.h"
#include "engine/rangesource.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrune {

// A column as a row's hash reads it.
struct HashedColumn {
    std::string name;
    ColumnKind kind;
    std::string characterSet = {}; // of a text column
    // A value too long to go into the row's text whole goes in as its SHA-256.
    bool hashedAlone = false;
};

// SQL for a row's hash: 16 bytes of the SHA-256 of the secret and the row's values in the given
// columns, in that order. The same on any two servers for the same values whatever the columns'
// character sets, and never the same for two rows the comparison tells apart. Values the
// comparison calls equal may give other hashes (an INT against a DECIMAL, say, or 2.5 against
// 2.50), and so do any two rows whose columns hold values of other forms. NULL for a row whose
// text would be longer than the server's max_allowed_packet.
std::string rowHashSql(const std::vector<HashedColumn> &columns, std::string_view secret);

// SQL for the same row's text that rowHashSql() hashes, not hashed.
std::string rowTextSql(const std::vector<HashedColumn> &columns, std::string_view secret);

// How many numbers the select list of a range's figures has.
inline constexpr std::size_t rangeFigureCount = 6;

// The select list of a range's figures (see RangeFigures), six numbers, from rowHashSql(). With
// `throughVariable` the hash is worked out once a row, into a session variable that the figures
// after the first read: it belongs in a plain or grouped aggregate, and only on a server that
// evaluates aggregates in the order given (see variableKeepsOrder()).
std::string rangeFiguresSql(const std::string &rowHash, bool throughVariable);

// The same figures by two CRCs of rowTextSql(), 64 bits, through the variable or not. CRCs are
// linear: a change made to leave both unchanged passes them, as may one of 2^64 others.
std::string fastRangeFiguresSql(const std::string &rowText, bool throughVariable);

// The figures of the six numbers rangeFiguresSql() gives, from `first` on.
RangeFigures figuresOf(const std::vector<std::optional<std::string>> &row, std::size_t first);

// SQL that gives rangeFiguresSql() of two rows without the variable and through it: twelve
// numbers, equal in halves where the server keeps the order.
std::string variableCheckSql();

} // namespace kestrune
