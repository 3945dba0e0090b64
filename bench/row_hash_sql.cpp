// Prints two statements for scripts/bench, each a range's figures over a whole table as one
// server works them out: first with the row hash --checksum uses, then with the two CRCs it used
// before (the text built once into a session variable, multiplied and exclusive-ored), whose
// server time a row the first is set against.
//   kestrune_row_hash_sql SERVER PORT USER PASSWORD DATABASE TABLE

#include "db/dialect/rowhash.h"
#include "db/dialect/sqltext.h"
#include "db/mariadb/clientconnection.h"

#include <cstdio>
#include <string>

using namespace kestrune;

namespace {

// The CRCs' row text: the values joined by '#' after a letter a column, then the texts' lengths.
std::string crcFigureSql(const std::vector<HashedColumn> &columns)
{
    std::string forms;
    std::string row = "concat_ws('#','";
    for (const HashedColumn &column : columns)
        forms += static_cast<char>('a' + static_cast<int>(column.kind));
    row += forms + "'";
    for (const HashedColumn &column : columns)
        row += ",ifnull(" + quotedName(column.name) + ",'N')";
    for (const HashedColumn &column : columns) {
        if (column.kind == ColumnKind::Text || column.kind == ColumnKind::Bytes)
            row += ",ifnull(length(" + quotedName(column.name) + "),'N')";
    }
    row += ")";
    return "count(*),bit_xor(case when (@kestrune_row:=" + row
        + ")<>'' then ((crc32(@kestrune_row)*2654435761)^(crc32c(@kestrune_row)*2246822519)) end)";
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 7) {
        std::fprintf(stderr,
            "usage: kestrune_row_hash_sql SERVER PORT USER PASSWORD DATABASE "
            "TABLE\n");
        return 2;
    }
    try {
        ClientConnection connection({ argv[1], argv[2], argv[3], argv[4], argv[5] });
        const std::string table = argv[6];
        std::vector<HashedColumn> columns;
        for (const ColumnShape &column : connection.describe(table))
            columns.push_back({ column.name, column.kind, "utf8mb4" });
        const std::string hash = rowHashSql(columns, "0123456789abcdef0123456789abcdef");
        std::printf(
            "select %s from %s\n", rangeFiguresSql(hash, true).c_str(), quotedName(table).c_str());
        std::printf(
            "select %s from %s\n", crcFigureSql(columns).c_str(), quotedName(table).c_str());
    } catch (const std::exception &error) {
        std::fprintf(stderr, "kestrune_row_hash_sql: %s\n", error.what());
        return 1;
    }
    return 0;
}
