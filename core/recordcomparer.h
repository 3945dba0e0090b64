#pragma once

#include "core/columnpairing.h"
#include "core/comparisonlines.h"
#include "core/keypairing.h"
#include "core/value.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kestrune {

// How the values of two paired columns are compared, chosen once a column.
enum class Pairing : std::uint8_t;

// Compares the paired records of two tables as they come, a batch of each at a time, and gives a
// line for every differing value and every record only one table has. Surplus lines name table 2.
// Neither table need be held whole. Records are told by number, or by their key.
class RecordComparer {
public:
    // Records told by their number, the columns given compared and named by table 1.
    RecordComparer(std::vector<ColumnPair> columns, std::string table2Name, LineSink &out,
        LineFormat format = LineFormat::Text);
    // Records told by their key, the columns given compared.
    RecordComparer(std::vector<KeyColumn> key, std::vector<ColumnPair> columns,
        std::string table2Name, LineSink &out, LineFormat format = LineFormat::Text);

    // `count` rows of each batch, from row `from1` of the first and `from2` of the second, are
    // paired records.
    void compare(const Table &rows1, std::size_t from1, const Table &rows2, std::size_t from2,
        std::size_t count);
    // A record only table 1 has, or only table 2, told by its key.
    void deleted(const Table &rows1, std::size_t row);
    void added(const Table &rows2, std::size_t row);
    // After the last record paired by position: the records only one table has, given both
    // tables' counts.
    void finish(std::size_t rowCount1, std::size_t rowCount2);

    // How much differs, of what has been compared so far.
    const DifferenceCounts &counts() const { return m_counts; }

private:
    void appendRecord(const Table &rows, std::size_t row, bool first, std::size_t numbered);
    void appendValue(const Cell &cell);
    void fieldLine(const Table &rows1, std::size_t row1, const Column &column1,
        const Column &column2, std::size_t row2, std::size_t numbered);
    void surplusLine(const Table &rows, std::size_t row, bool first, bool added);

    std::string m_table2Name;
    LineSink &m_out;
    LineFormat m_format;
    DifferenceCounts m_counts;
    std::vector<KeyColumn> m_key; // none: records are told by number
    std::vector<ColumnPair> m_columns;
    std::size_t m_record = 0; // records compared by position so far
    std::vector<Pairing> m_pairings;
    std::vector<std::uint8_t> m_differs; // of a batch, column by column
    std::vector<std::uint8_t> m_recordDiffers; // of a batch, a flag a record
    std::string m_line; // reused, so millions of lines allocate only as their storage grows
    std::string m_text; // a value's text, before it is escaped
};

} // namespace kestrune
