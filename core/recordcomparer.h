#pragma once

#include "core/columnpairing.h"
#include "core/comparisonlines.h"
#include "core/findingsink.h"
#include "core/value.h"

#include <cstdint>
#include <vector>

namespace kestrune {

// How the values of two paired columns are compared, chosen once a column.
enum class Pairing : std::uint8_t;

// Compares the paired records of two tables as they come, a batch of each at a time, and hands
// every differing value and every record only one table has to a sink, counting them. Neither
// table need be held whole.
class RecordComparer {
public:
    // The columns given are compared.
    RecordComparer(std::vector<ColumnPair> columns, FindingSink &findings);

    // `count` rows of each batch, from row `from1` of the first and `from2` of the second, are
    // paired records.
    void compare(const Table &rows1, std::size_t from1, const Table &rows2, std::size_t from2,
        std::size_t count);
    // A record only table 1 has, or only table 2.
    void deleted(const Table &rows1, std::size_t row);
    void added(const Table &rows2, std::size_t row);
    // After the last record paired by position: the records only one table has, given both
    // tables' counts.
    void finish(std::size_t rowCount1, std::size_t rowCount2);

    // How much differs, of what has been compared so far.
    const DifferenceCounts &counts() const { return m_counts; }

private:
    FindingSink &m_findings;
    DifferenceCounts m_counts;
    std::vector<ColumnPair> m_columns;
    std::size_t m_record = 0; // records compared by position so far
    std::vector<Pairing> m_pairings;
    std::vector<std::uint8_t> m_differs; // of a batch, column by column
    std::vector<std::uint8_t> m_recordDiffers; // of a batch, a flag a record
};

} // namespace kestrune
