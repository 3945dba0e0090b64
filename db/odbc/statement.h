#pragma once

// Inside the database layer only: the handles behind Connection and Result, how columns are
// described and read, and the check every ODBC call goes through.

#include "db/odbc/odbc.h"

#include <sql.h>
#include <sqlext.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kestrune::odbc {

// Throws Error with the first diagnostic record when the call failed, and Error when it answered
// anything but success (SQL_NO_DATA among them: a caller for whom it means an end tests for it
// first). Failure is the return code's business alone: some drivers report errors under a success
// class SQLSTATE.
void check(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle);

inline SQLPOINTER integerAttribute(SQLULEN value) { return reinterpret_cast<SQLPOINTER>(value); }

// How a column's cells are fetched and turned into stored values.
enum class Read {
    Signed,
    Unsigned,
    Double,
    Bits, // big-endian bytes of a BIT(n)
    Text, // Text and Decimal
    Binary,
    Date, // dates, date-times and times go through text: see parseDateTime
    DateTime,
    Time,
};

struct ColumnInfo {
    std::string name;
    ColumnKind kind;
    Read read;
    int fractionDigits;
    SQLSMALLINT cType; // read with SQLGetData as
    SQLSMALLINT bindType; // fetched in bound arrays as
    SQLLEN bindWidth; // bytes of one bound cell, 0 when the column is read piece by piece
};

// Columns whose values can be up to this size (TEXT and BLOB among them) are fetched in bound
// column arrays; longer ones with SQLGetData.
constexpr SQLLEN maxBindWidth = SQLLEN(256) * 1024;
constexpr SQLULEN maxRowsetRows = 1024;
constexpr SQLULEN maxRowsetBytes = SQLULEN(8) * 1024 * 1024;

ColumnInfo describeColumn(SQLHSTMT statement, SQLUSMALLINT column);

// Appends one non-NULL cell from the bytes the driver gave for it.
void appendValue(Column &column, const ColumnInfo &info, const char *data, std::size_t length);

// A bound date or date-time struct is preset to this before each fetch. The driver gives a zero
// date ("0000-00-00 00:00:00") as NULL but zeroes the struct, and leaves it alone for a real NULL:
// the preset tells the two apart.
constexpr SQL_TIMESTAMP_STRUCT unwrittenTimestamp { -1, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF,
    0xFFFFFFFF };

// Appends the first `rows` cells of a bound column array, deciding the column's kind once. Texts,
// decimals and byte strings are not copied: their column (empty before) refers to the bound
// array, which stands until the next fetch.
void appendBound(Column &column, const ColumnInfo &info, const char *data, const SQLLEN *indicators,
    SQLULEN rows);

struct Connection::Handles {
    SQLHENV environment = SQL_NULL_HENV;
    SQLHDBC connection = SQL_NULL_HDBC;
    bool open = false;
    // Disconnecting frees the connection's statements, so the open results are closed first.
    std::vector<Result::Statement *> statements;

    ~Handles()
    {
        if (connection != SQL_NULL_HDBC)
            SQLFreeHandle(SQL_HANDLE_DBC, connection);
        if (environment != SQL_NULL_HENV)
            SQLFreeHandle(SQL_HANDLE_ENV, environment);
    }
};

struct Result::Statement {
    Connection::Handles *owner = nullptr;
    SQLHSTMT handle = SQL_NULL_HSTMT;
    std::vector<ColumnInfo> columns;
    long long rowCount = 0;
    bool eof = true;
    // SQLGetData hands out each column of a row once; firstField keeps what it read.
    std::optional<std::string> firstField;
    std::vector<char> scratch = std::vector<char>(std::size_t(64) * 1024);
    std::string buffer; // a long cell read with SQLGetData
    // Bound column arrays, set up once the current row is read; none for a column that is not.
    struct Bound {
        std::unique_ptr<char[]> data;
        std::vector<SQLLEN> indicators;
    };
    std::vector<Bound> bound;
    SQLULEN boundRows = 0;
    SQLULEN fetched = 0;

    ~Statement() { release(); }

    void release()
    {
        if (handle != SQL_NULL_HSTMT)
            SQLFreeHandle(SQL_HANDLE_STMT, handle);
        handle = SQL_NULL_HSTMT;
        if (owner)
            std::erase(owner->statements, this);
        owner = nullptr;
        eof = true;
        firstField.reset();
    }

    void fetch();
    void describeInto(Table &table) const; // gives a table without columns the result's
    // Appends the next rowset of at most `most` rows, the current row alone the first time;
    // false once no rows are left, when the driver's copy of them is freed.
    bool appendRowset(Table &table, std::size_t most);
    void bind(SQLULEN rows);
    void unbind();
    bool getLong(SQLUSMALLINT column, SQLSMALLINT cType, std::string &out);
    void getCell(SQLUSMALLINT column, Column &out, std::string &buffer);
};

} // namespace kestrune::odbc
