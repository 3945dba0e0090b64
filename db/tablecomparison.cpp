#include "db/tablecomparison.h"

#include "db/odbc.h"
#include "db/tablequery.h"

#include <algorithm>
#include <new>
#include <stdexcept>

namespace kestrune {

void openForComparison(odbc::Connection &connection, const LoginDetails &login)
{
    connection.setReadWriteMode();
    connection.setTimeouts(5000);
    connection.open(BuildConnectionString(login));
}

TableComparison compareTablesOnServer(odbc::Connection &connection, const std::string &table1,
    const std::string &table2, const ReadProgress &progress)
{
    try {
        TableComparison outcome;
        // The driver holds each result whole, so both are open at once and read a rowset of each
        // at a time, side by side: neither table is copied whole.
        odbc::Result rows1(connection, selectAllFrom(table1));
        odbc::Result rows2(connection, selectAllFrom(table2));
        if (rows1.eof()) {
            outcome.emptyTable = table1;
            return outcome;
        }
        if (rows2.eof()) {
            outcome.emptyTable = table2;
            return outcome;
        }
        const long long count1 = rows1.recordCount();
        const long long count2 = rows2.recordCount();
        const std::size_t most = std::min(rows1.rowsetRows(), rows2.rowsetRows());
        TableComparer comparer(table2, outcome.lines);
        Table batch1;
        Table batch2;
        long long read1 = 0;
        long long read2 = 0;
        long long reported = 0;
        // Table 1 while it lasts, then table 2.
        auto report = [&] {
            reported = std::max(read1, read2);
            if (!progress)
                return;
            if (read1 < count1)
                progress(1, read1, count1);
            else
                progress(2, read2, count2);
        };
        for (;;) {
            // A table with no rows left gives an empty batch.
            const bool more1 = rows1.readRowset(batch1, most);
            const bool more2 = rows2.readRowset(batch2, most);
            if (!more1 && !more2)
                break;
            // Rowsets stay in step until the shorter table ends; the rest is surplus.
            comparer.compare(batch1, batch2, std::min(batch1.rowCount(), batch2.rowCount()));
            read1 += static_cast<long long>(batch1.rowCount());
            read2 += static_cast<long long>(batch2.rowCount());
            // Often enough to watch, seldom enough to cost nothing.
            if (std::max(read1, read2) - reported >= 8192)
                report();
        }
        if (progress) {
            progress(1, read1, count1);
            progress(2, read2, count2);
        }
        comparer.finish(static_cast<std::size_t>(read1), static_cast<std::size_t>(read2));
        return outcome;
    } catch (const std::bad_alloc &) {
        // Unwinding has freed what the run held, so the program carries on; say it in words.
        throw std::runtime_error("Out of memory");
    }
}

} // namespace kestrune
