#include "core/comparetables.h"

#include "core/recordcomparer.h"

#include <algorithm>
#include <new>
#include <stdexcept>

namespace kestrune {

namespace {

// One table's current rowset and how far into it the comparison has got.
struct Cursor {
    TableReader &reader;
    Table rows;
    std::size_t at = 0;
    long long read = 0; // rows of every rowset so far
    bool more = true;

    // The next rowset once this one is used up; false when the table has ended.
    bool refill()
    {
        while (more && at == rows.rowCount()) {
            more = reader.next(rows);
            at = 0;
            read += static_cast<long long>(rows.rowCount());
        }
        return at < rows.rowCount();
    }
};

} // namespace

EmptyTable compareTables(TableReader &table1, TableReader &table2, const std::string &table2Name,
    LineSink &lines, const ReadProgress &progress)
{
    try {
        table1.open();
        table2.open();
        Cursor one { table1, {} };
        Cursor two { table2, {} };
        if (!one.refill())
            return EmptyTable::First;
        if (!two.refill())
            return EmptyTable::Second;

        RecordComparer comparer(table2Name, lines);
        long long reported = 0;
        // Often enough to watch, seldom enough to cost nothing.
        auto report = [&](bool always) {
            if (!progress || (!always && one.read + two.read - reported < 16384))
                return;
            reported = one.read + two.read;
            progress(one.read, table1.expectedRows(), two.read, table2.expectedRows());
        };
        // Rowsets of the two tables need not be of one size: each is compared as far as the
        // other reaches.
        while (one.refill() && two.refill()) {
            const std::size_t count
                = std::min(one.rows.rowCount() - one.at, two.rows.rowCount() - two.at);
            comparer.compare(one.rows, one.at, two.rows, two.at, count);
            one.at += count;
            two.at += count;
            report(false);
        }
        // The rest of the longer table is only counted.
        for (Cursor *rest : { &one, &two }) {
            while (rest->refill()) {
                rest->at = rest->rows.rowCount();
                report(false);
            }
        }
        report(true);
        comparer.finish(static_cast<std::size_t>(one.read), static_cast<std::size_t>(two.read));
        return EmptyTable::None;
    } catch (const std::bad_alloc &) {
        // Unwinding has freed what the run held, so the program carries on; say it in words.
        throw std::runtime_error("Out of memory");
    }
}

} // namespace kestrune
