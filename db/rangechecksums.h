#pragma once

#include "core/keyranges.h"
#include "db/clientconnection.h"

#include <optional>
#include <string>
#include <vector>

namespace kestrune {

// One table's figures for ranges of an integer key column, worked out by its server: the rows in
// each bucket of the ranges and the checksum of their compared values, so that what is equal on
// two servers need not travel. Only reads.
class RangeChecksums {
public:
    // `checksum` is rowChecksumSql() of the table's compared columns; `condition` the user's,
    // empty for every row.
    RangeChecksums(ClientConnection &connection, std::string table, std::string keyColumn,
        std::string checksum, std::string condition);

    // The keys from the lowest to the highest; none when the table has no rows to compare.
    std::optional<KeyRange> keys();
    // The figures of every bucket `key DIV width` that holds rows of the ranges (ascending).
    std::vector<BucketFigures> buckets(const std::vector<KeyRange> &ranges, KeyNumber width);
    // A condition that selects the rows of the ranges the user's condition selects.
    std::string rowsIn(const std::vector<KeyRange> &ranges) const;

private:
    ClientConnection &m_connection;
    std::string m_table;
    std::string m_key;
    std::string m_checksum;
    std::string m_condition;
};

} // namespace kestrune
