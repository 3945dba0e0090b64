#pragma once

#include "core/textlines.h"
#include "core/value.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kestrune {

struct ComparisonLines {
    TextLines fieldDifferences;
    TextLines addedDeleted;
};

// How the values of two paired columns are compared, chosen once a column.
enum class Pairing : std::uint8_t;

// Pairs the records of table 2, as they come a batch at a time, with those of table 1 by position
// and their columns by position (as many as the narrower table has), and appends a line for every
// differing value and every surplus record. Column names come from table 1; surplus lines name
// table 2. Only table 1 is kept whole.
class TableComparer {
public:
    TableComparer(const Table &table1, std::string_view table2Name, ComparisonLines &out);

    void compare(const Table &rows2); // the next rows of table 2
    void finish(); // after the last rows of table 2: the records table 2 lacks

private:
    const Table &m_table1;
    std::string_view m_table2Name;
    ComparisonLines &m_out;
    std::size_t m_rows2 = 0; // of table 2 so far
    std::vector<Pairing> m_pairings;
    std::string m_line; // reused, so millions of lines allocate only as their storage grows
};

// Pairs the records of two non-empty tables by position and their columns by position (as many
// as the narrower table has), and appends a line for every differing value and every surplus
// record. Column names come from table 1; surplus lines name table 2.
void compareTables(
    const Table &table1, const Table &table2, std::string_view table2Name, ComparisonLines &out);

} // namespace kestrune
