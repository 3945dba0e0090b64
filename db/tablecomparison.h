#pragma once

#include "core/connectionstring.h"
#include "core/engine.h"

#include <functional>
#include <optional>
#include <string>

namespace kestrune {

namespace odbc {
class Connection;
}

// What comparing two tables came to: the lines, or the first of the two tables that has no rows.
struct TableComparison {
    ComparisonLines lines;
    std::optional<std::string> emptyTable;
};

// Opens the connection as a comparison needs it: read-write mode, 5000-second time-outs, the
// login's connection string.
void openForComparison(odbc::Connection &connection, const LoginDetails &login);

// How far reading has got: table 1 or 2, the rows read of it, and the rows the driver holds.
using ReadProgress = std::function<void(int table, long long rowsRead, long long rowCount)>;

// Reads both tables over the open connection, side by side a rowset at a time, and compares them.
// Failures (a missing table, a lost server) throw; running out of memory throws "Out of memory".
TableComparison compareTablesOnServer(odbc::Connection &connection, const std::string &table1,
    const std::string &table2, const ReadProgress &progress = {});

} // namespace kestrune
