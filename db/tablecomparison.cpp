#include "db/tablecomparison.h"

#include "db/odbc.h"
#include "db/tablequery.h"

#include <new>
#include <stdexcept>

namespace kestrune {

namespace {

// Table 1 whole, read and released at once so the driver's copy of its rows is freed before
// table 2 is read.
Table readFirst(odbc::Connection &connection, const std::string &name, const ReadProgress &progress)
{
    odbc::Result rows(connection, selectAllFrom(name));
    Table table;
    if (!rows.eof()) {
        long long count = rows.recordCount();
        table = rows.readAll([&](long long read) {
            if (progress)
                progress(1, read, count);
        });
    }
    rows.close();
    return table;
}

} // namespace

TableComparison compareTablesOnServer(odbc::Connection &connection, const std::string &table1,
    const std::string &table2, const ReadProgress &progress)
{
    try {
        TableComparison outcome;
        Table first = readFirst(connection, table1, progress);
        // Table 2 is compared a rowset at a time as it is read, so only table 1 is held whole.
        odbc::Result rows(connection, selectAllFrom(table2));
        const bool secondEmpty = rows.eof();
        const long long count = rows.recordCount();
        auto rowsRead = [&](long long read) {
            if (progress)
                progress(2, read, count);
        };
        if (first.rowCount() == 0) {
            // Still read through, so that failing to read table 2 fails the run as it would.
            rows.readRowsets([](const Table &) {}, rowsRead);
            outcome.emptyTable = table1;
        } else if (secondEmpty) {
            outcome.emptyTable = table2;
        } else {
            TableComparer comparer(first, table2, outcome.lines);
            rows.readRowsets([&](const Table &batch) { comparer.compare(batch); }, rowsRead);
            comparer.finish();
        }
        rows.close();
        return outcome;
    } catch (const std::bad_alloc &) {
        // Unwinding has freed what the run held, so the program carries on; say it in words.
        throw std::runtime_error("Out of memory");
    }
}

} // namespace kestrune
