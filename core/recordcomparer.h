#pragma once

#include "core/comparisonlines.h"
#include "core/value.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kestrune {

// How the values of two paired columns are compared, chosen once a column.
enum class Pairing : std::uint8_t;

// Pairs the records of two tables by position as they come, a batch of each at a time, and
// their columns by position (as many as the narrower table has), and gives a line for every
// differing value and every surplus record. Column names come from table 1; surplus lines name
// table 2. Neither table need be held whole.
class RecordComparer {
public:
    RecordComparer(std::string table2Name, LineSink &out);

    // `count` rows of each batch, from row `from1` of the first and `from2` of the second, are the
    // next records of both tables.
    void compare(const Table &rows1, std::size_t from1, const Table &rows2, std::size_t from2,
        std::size_t count);
    // After the last shared record: the records only one table has, given both tables' counts.
    void finish(std::size_t rowCount1, std::size_t rowCount2);

private:
    std::string m_table2Name;
    LineSink &m_out;
    std::size_t m_record = 0; // records compared so far
    std::vector<Pairing> m_pairings;
    std::vector<std::uint8_t> m_differs; // of a batch, column by column
    std::vector<std::uint8_t> m_recordDiffers; // of a batch, a flag a record
    std::string m_line; // reused, so millions of lines allocate only as their storage grows
};

} // namespace kestrune
