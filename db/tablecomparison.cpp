#include "db/tablecomparison.h"

#include "db/odbc.h"
#include "db/tablequery.h"

namespace kestrune {

namespace {

// A whole table, read and released at once so the driver's copy of the rows is freed before
// the next table is read.
Table readTable(
    odbc::Connection &connection, const std::string &name, int which, const ReadProgress &progress)
{
    odbc::Result rows(connection, selectAllFrom(name));
    Table table;
    if (!rows.eof()) {
        long long count = rows.recordCount();
        table = rows.readAll([&](long long read) {
            if (progress)
                progress(which, read, count);
        });
    }
    rows.close();
    return table;
}

} // namespace

TableComparison compareTablesOnServer(odbc::Connection &connection, const std::string &table1,
    const std::string &table2, const ReadProgress &progress)
{
    TableComparison outcome;
    Table first = readTable(connection, table1, 1, progress);
    Table second = readTable(connection, table2, 2, progress);
    if (first.rowCount() == 0)
        outcome.emptyTable = table1;
    else if (second.rowCount() == 0)
        outcome.emptyTable = table2;
    else
        compareTables(first, second, table2, outcome.lines);
    return outcome;
}

} // namespace kestrune
