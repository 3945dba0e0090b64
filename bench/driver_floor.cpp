// The driver floor of scripts/bench: how fast the ODBC driver alone hands over whole tables.
//   kestrune_driver_floor [--rows N] [--digest] SERVER PORT USER PASSWORD DATABASE TABLE...
// Connects with the program's driver and connection string keys, runs "select * from TABLE" for
// each table in turn and fetches every row into bound column arrays that it reuses, keeping
// nothing; prints rows_TABLE=COUNT and fetch_rows_TABLE=ROWS_A_FETCH for each table. Doubles come
// as SQL_C_DOUBLE, integers as SQL_C_SBIGINT, dates and times as structs, the rest as SQL_C_CHAR,
// as the program reads them.
//   --rows N    rows a fetch (default 1000; fewer when a row's buffers are large, see below)
//   --digest    also prints, per table, a hash of every value fetched and the bytes of the
//               texts, to check that a way of fetching hands over the same values
// Long columns (TEXT, BLOB, or over 4 KB) are bound too, with a buffer of the column's reported
// length capped at 64 KiB; a value that does not fit fails the run rather than being cut.
// Only unixODBC: no Qt, nothing of the program.

#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr const char *driverName = "MySQL ODBC 5.1 Driver";
constexpr SQLULEN defaultRows = 1000;
constexpr SQLLEN maxTextWidth = SQLLEN(64) * 1024;
constexpr SQLULEN maxRowsetBytes = SQLULEN(16) * 1024 * 1024;

[[noreturn]] void fail(const std::string &why, SQLSMALLINT type = 0, SQLHANDLE handle = nullptr)
{
    std::string text = why;
    if (handle) {
        SQLCHAR state[6] = {};
        SQLCHAR message[512] = {};
        SQLINTEGER native = 0;
        SQLSMALLINT length = 0;
        if (SQL_SUCCEEDED(
                SQLGetDiagRec(type, handle, 1, state, &native, message, sizeof message, &length)))
            text += std::string(": ") + reinterpret_cast<char *>(state) + " "
                + reinterpret_cast<char *>(message);
    }
    std::fprintf(stderr, "kestrune_driver_floor: %s\n", text.c_str());
    std::exit(1);
}

void check(SQLRETURN rc, const char *what, SQLSMALLINT type, SQLHANDLE handle)
{
    if (!SQL_SUCCEEDED(rc))
        fail(what, type, handle);
}

// Connection string values in braces, a closing brace doubled, as the program writes them.
std::string pair(const char *key, const char *value)
{
    std::string out = std::string(key) + "={";
    for (const char *c = value; *c; ++c) {
        out += *c;
        if (*c == '}')
            out += '}';
    }
    return out + "};";
}

struct Column {
    SQLSMALLINT cType;
    SQLLEN width; // bytes of one cell
    std::unique_ptr<char[]> data;
    std::unique_ptr<SQLLEN[]> indicators;
};

struct Digest {
    std::uint64_t hash = 1469598103934665603ull;
    unsigned long long textBytes = 0;
    void add(const void *bytes, std::size_t size)
    {
        const auto *p = static_cast<const unsigned char *>(bytes);
        for (std::size_t i = 0; i < size; ++i)
            hash = (hash ^ p[i]) * 1099511628211ull;
    }
};

Column describe(SQLHSTMT statement, SQLUSMALLINT number)
{
    SQLCHAR name[256];
    SQLSMALLINT nameLength = 0;
    SQLSMALLINT type = 0;
    SQLULEN size = 0;
    SQLSMALLINT digits = 0;
    SQLSMALLINT nullable = 0;
    check(SQLDescribeCol(
              statement, number, name, sizeof name, &nameLength, &type, &size, &digits, &nullable),
        "SQLDescribeCol", SQL_HANDLE_STMT, statement);
    switch (type) {
    case SQL_DOUBLE:
    case SQL_FLOAT:
    case SQL_REAL:
        return { SQL_C_DOUBLE, sizeof(double), nullptr, nullptr };
    case SQL_TINYINT:
    case SQL_SMALLINT:
    case SQL_INTEGER:
    case SQL_BIGINT:
        return { SQL_C_SBIGINT, sizeof(SQLBIGINT), nullptr, nullptr };
    case SQL_TYPE_DATE:
        return { SQL_C_TYPE_DATE, sizeof(SQL_DATE_STRUCT), nullptr, nullptr };
    case SQL_TYPE_TIME:
        return { SQL_C_TYPE_TIME, sizeof(SQL_TIME_STRUCT), nullptr, nullptr };
    case SQL_TYPE_TIMESTAMP:
        return { SQL_C_TYPE_TIMESTAMP, sizeof(SQL_TIMESTAMP_STRUCT), nullptr, nullptr };
    default:
        break;
    }
    // Text: the reported size is in characters, the octet length in bytes (4 a character in
    // utf8mb4); the larger of the two, and a terminating zero.
    SQLLEN octets = 0;
    check(SQLColAttribute(statement, number, SQL_DESC_OCTET_LENGTH, nullptr, 0, nullptr, &octets),
        "SQLColAttribute", SQL_HANDLE_STMT, statement);
    SQLLEN width = std::max<SQLLEN>(static_cast<SQLLEN>(size), octets);
    width = std::clamp<SQLLEN>(width, 1, maxTextWidth - 1) + 1;
    return { SQL_C_CHAR, width, nullptr, nullptr };
}

long long readTable(SQLHDBC connection, const std::string &table, SQLULEN wantedRows,
    Digest *digest, SQLULEN *rowsAFetch)
{
    SQLHSTMT statement = SQL_NULL_HSTMT;
    check(SQLAllocHandle(SQL_HANDLE_STMT, connection, &statement), "SQLAllocHandle", SQL_HANDLE_DBC,
        connection);
    std::string sql = "select * from " + table;
    check(SQLExecDirect(statement, reinterpret_cast<SQLCHAR *>(sql.data()), SQL_NTS), sql.c_str(),
        SQL_HANDLE_STMT, statement);
    SQLSMALLINT count = 0;
    check(SQLNumResultCols(statement, &count), "SQLNumResultCols", SQL_HANDLE_STMT, statement);

    std::vector<Column> columns;
    SQLULEN rowWidth = 0;
    for (SQLUSMALLINT c = 1; c <= count; ++c) {
        columns.push_back(describe(statement, c));
        rowWidth += static_cast<SQLULEN>(columns.back().width);
    }
    const SQLULEN rows
        = std::clamp<SQLULEN>(maxRowsetBytes / std::max<SQLULEN>(rowWidth, 1), 1, wantedRows);

    SQLULEN fetched = 0;
    check(SQLSetStmtAttr(statement, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(rows), 0),
        "SQL_ATTR_ROW_ARRAY_SIZE", SQL_HANDLE_STMT, statement);
    check(SQLSetStmtAttr(statement, SQL_ATTR_ROWS_FETCHED_PTR, &fetched, 0),
        "SQL_ATTR_ROWS_FETCHED_PTR", SQL_HANDLE_STMT, statement);
    for (std::size_t c = 0; c < columns.size(); ++c) {
        Column &column = columns[c];
        column.data.reset(new char[static_cast<std::size_t>(column.width) * rows]);
        column.indicators.reset(new SQLLEN[rows]);
        check(SQLBindCol(statement, static_cast<SQLUSMALLINT>(c + 1), column.cType,
                  column.data.get(), column.width, column.indicators.get()),
            "SQLBindCol", SQL_HANDLE_STMT, statement);
    }

    long long total = 0;
    for (;;) {
        SQLRETURN rc = SQLFetch(statement);
        if (rc == SQL_NO_DATA)
            break;
        check(rc, "SQLFetch", SQL_HANDLE_STMT, statement);
        // Only a text can be cut short (SQL_SUCCESS_WITH_INFO): find it, or hash what came.
        if (rc == SQL_SUCCESS_WITH_INFO || digest) {
            // Row by row, so the hash does not depend on the rows a fetch.
            for (SQLULEN row = 0; row < fetched; ++row) {
                for (const Column &column : columns) {
                    const SQLLEN indicator = column.indicators[row];
                    const char *cell = column.data.get() + row * column.width;
                    if (column.cType == SQL_C_CHAR && indicator >= column.width)
                        fail(table + ": a text of " + std::to_string(indicator)
                            + " bytes does not fit its buffer");
                    if (!digest)
                        continue;
                    digest->add(&indicator, sizeof indicator);
                    if (indicator == SQL_NULL_DATA)
                        continue;
                    if (column.cType == SQL_C_CHAR) {
                        digest->add(cell, static_cast<std::size_t>(indicator));
                        digest->textBytes += static_cast<unsigned long long>(indicator);
                    } else {
                        digest->add(cell, static_cast<std::size_t>(column.width));
                    }
                }
            }
        }
        total += static_cast<long long>(fetched);
    }
    SQLFreeHandle(SQL_HANDLE_STMT, statement);
    *rowsAFetch = rows;
    return total;
}

} // namespace

int main(int argc, char *argv[])
{
    SQLULEN rows = defaultRows;
    bool digest = false;
    int arg = 1;
    for (; arg < argc && argv[arg][0] == '-'; ++arg) {
        const std::string option = argv[arg];
        if (option == "--digest")
            digest = true;
        else if (option == "--rows" && arg + 1 < argc && std::atoll(argv[arg + 1]) > 0)
            rows = static_cast<SQLULEN>(std::atoll(argv[++arg]));
        else
            arg = argc; // usage
    }
    if (argc - arg < 6) {
        std::fprintf(stderr,
            "usage: kestrune_driver_floor [--rows N] [--digest] SERVER PORT USER PASSWORD "
            "DATABASE TABLE...\n");
        return 2;
    }
    char **given = argv + arg;

    SQLHENV environment = SQL_NULL_HENV;
    SQLHDBC connection = SQL_NULL_HDBC;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &environment)))
        fail("no ODBC environment");
    check(SQLSetEnvAttr(
              environment, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0),
        "SQL_ATTR_ODBC_VERSION", SQL_HANDLE_ENV, environment);
    check(SQLAllocHandle(SQL_HANDLE_DBC, environment, &connection), "SQLAllocHandle",
        SQL_HANDLE_ENV, environment);
    std::string connect = std::string("DRIVER={") + driverName + "};" + pair("SERVER", given[0])
        + pair("USER", given[2]) + pair("PASSWORD", given[3]) + pair("DATABASE", given[4])
        + pair("PORT", given[1]);
    check(SQLDriverConnect(connection, nullptr, reinterpret_cast<SQLCHAR *>(connect.data()),
              static_cast<SQLSMALLINT>(connect.size()), nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT),
        "connecting", SQL_HANDLE_DBC, connection);

    for (int t = 5; t < argc - arg; ++t) {
        Digest hash;
        SQLULEN rowsAFetch = 0;
        const long long count
            = readTable(connection, given[t], rows, digest ? &hash : nullptr, &rowsAFetch);
        std::printf("rows_%s=%lld\nfetch_rows_%s=%llu\n", given[t], count, given[t],
            static_cast<unsigned long long>(rowsAFetch));
        if (digest)
            std::printf("digest_%s=%016llx\ntext_bytes_%s=%llu\n", given[t],
                static_cast<unsigned long long>(hash.hash), given[t], hash.textBytes);
    }
    SQLDisconnect(connection);
    SQLFreeHandle(SQL_HANDLE_DBC, connection);
    SQLFreeHandle(SQL_HANDLE_ENV, environment);
    return 0;
}
