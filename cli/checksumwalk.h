#pragma once

#include "cli/checksummode.h"
#include "core/keymerge.h"
#include "db/clientconnection.h"
#include "db/rowchecksum.h"
#include "db/tablequery.h"

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

// What the two ways of walking a key's ranges by checksums share: how each table is reached, how
// much a check takes on, and where the rows read go.
namespace kestrune::checksumwalk {

// A bucket of the first check of a stretch holds about this many rows; a range that differs is
// split in this many buckets at the next check, until a part holds at most leafRows rows.
inline constexpr long long bucketRows = 256;
inline constexpr long long fanOut = 32;
inline constexpr long long leafRows = 64;
// Each first check is sized to keep its server busy for about this long; no query reads a whole
// large table in one go.
inline constexpr double checkSeconds = 0.5;
inline constexpr long long firstStretchRows = 65536;
inline constexpr long long mostStretchRows = 4 << 20;

// One table as the ranging sees it.
struct Side {
    ClientConnection &connection;
    const std::string &table;
    const std::vector<ColumnShape> &columns;
    std::size_t keyPlace; // of the key's first column
    const TableQuery &query;
    std::vector<ColumnCollation> collations = connection.columnCollations(table);
    std::vector<ChecksumColumn> compared = {}; // the key's columns first

    const ColumnCollation *collationOf(const std::string &name) const
    {
        for (const ColumnCollation &column : collations) {
            if (column.name == name)
                return &column;
        }
        return nullptr;
    }
};

// The merge the rows read go to, and the progress told.
struct Walked {
    KeyMerge merge;
    const ChecksumReport &report;
    ChecksumProgress progress = {};

    void tell() const
    {
        if (report)
            report(progress);
    }
    ComparisonOutcome outcome() const;
};

double secondsSince(std::chrono::steady_clock::time_point started);

// The rows that ranges, buckets or figures count, together.
template <typename Counted> long long rowsOf(const std::vector<Counted> &counted)
{
    long long rows = 0;
    for (const Counted &each : counted)
        rows += each.rows;
    return rows;
}

// Where a stretch's check finds most of its rows in ranges that differ, checks cost more than they
// save: the stretches after it are read unchecked, twice as many each time a check finds the same
// again, up to 64, and checked again after those.
class UncheckedStretches {
public:
    // Whether the next stretch goes unchecked.
    bool skip()
    {
        if (m_left == 0)
            return false;
        --m_left;
        return true;
    }
    template <typename Ranges> void checked(const Ranges &differing, long long rows)
    {
        if (rowsOf(differing) * 2 > rows) {
            m_left = m_next;
            m_next = std::min<long long>(m_next * 2, 64);
        } else {
            m_next = 1;
        }
    }

private:
    long long m_left = 0;
    long long m_next = 1;
};

// Reads the rows of both tables that the conditions select, each on its connection in the key's
// order, both at once, into the merge.
void readInto(Walked &walked, const Side &one, std::string condition1, const Side &two,
    std::string condition2);

// The rows the next stretch takes on: as many as this one's pace gives for the time a check may
// take, but growing at most fourfold, so that a sparse stretch misleads by little.
long long nextStretchRows(long long stretchRows, long long rows, double seconds);

} // namespace kestrune::checksumwalk
