#pragma once

#include "db/clientconnection.h"

#include <optional>
#include <string>
#include <vector>

namespace kestrune {

// Keys from one value of the key's first column up to but not including another, each as the
// server gave it for table 1's column; none: no bound on that side.
struct BoundedRange {
    std::optional<std::string> low;
    std::optional<std::string> high;
};

// A range's rows and the exclusive or of their checksums, as a server counts them.
struct RangeFigures {
    long long rows = 0;
    std::uint64_t checksum = 0;
};

// One table's figures for ranges of a key's first column of any kind, bounded by values read
// through table 1's index: each bound is compared as the table's own column compares, so an
// index serves every range. Only reads.
class BoundaryChecksums {
public:
    // `kind` is table 1's kind of the column, which the bounds' texts are of; `checksum` is
    // rowChecksumSql() of the compared columns; `condition` the user's, empty for every row;
    // `collation` the column's, if known.
    BoundaryChecksums(ClientConnection &connection, std::string table, const std::string &keyColumn,
        ColumnKind kind, std::string checksum, std::string condition,
        const ColumnCollation *collation);

    // Whether the column compares its values as table 1's does: of a kind compared by value, or
    // a text of the same character set and collation.
    bool comparesAs(const BoundaryChecksums &other) const;
    // The first value of the range and every `step`-th after it, in the column's order, among
    // its first `limit` rows; then, when there are more, the first value after those.
    std::vector<std::string> boundaries(const BoundedRange &range, long long step, long long limit);
    // Each value's place in this column's order, equal values in one place.
    std::vector<long long> ranks(const std::vector<std::string> &values);
    std::vector<RangeFigures> figures(const std::vector<BoundedRange> &ranges);
    // A condition that selects the rows of the ranges the user's condition selects.
    std::string rowsIn(const std::vector<BoundedRange> &ranges) const;

private:
    std::string literal(const std::string &value) const;
    std::string within(const BoundedRange &range) const;

    ClientConnection &m_connection;
    std::string m_table;
    std::string m_key;
    ColumnKind m_kind;
    std::string m_checksum;
    std::string m_condition;
    std::string m_characterSet; // of a text column
    std::string m_collation;
};

} // namespace kestrune
