#include "db/statement.h"

#include <algorithm>
#include <cstring>

namespace kestrune::odbc {

void Result::Statement::fetch()
{
    SQLRETURN rc = SQLFetch(handle);
    if (rc == SQL_NO_DATA) {
        eof = true;
    } else {
        check(rc, SQL_HANDLE_STMT, handle);
        eof = false;
    }
    rowTouched = false;
    firstField.reset();
}

// The whole of a column of the current row, in pieces when it is long; false when NULL.
bool Result::Statement::getLong(SQLUSMALLINT column, SQLSMALLINT cType, std::string &out)
{
    out.clear();
    rowTouched = true;
    const SQLLEN terminator = cType == SQL_C_CHAR ? 1 : 0;
    const SQLLEN room = static_cast<SQLLEN>(scratch.size()) - terminator;
    for (bool first = true;; first = false) {
        SQLLEN indicator = 0;
        SQLRETURN rc = SQLGetData(
            handle, column, cType, scratch.data(), static_cast<SQLLEN>(scratch.size()), &indicator);
        if (rc == SQL_NO_DATA) {
            if (!first)
                return true;
            // Seen when the driver has lost its place in a row: never pass that off as NULL.
            throw Error("The driver gave no data for column " + std::to_string(column));
        }
        check(rc, SQL_HANDLE_STMT, handle);
        if (indicator == SQL_NULL_DATA)
            return false;
        if (indicator == SQL_NO_TOTAL || indicator > room) {
            if (first && indicator != SQL_NO_TOTAL)
                out.reserve(static_cast<std::size_t>(indicator));
            out.append(scratch.data(), static_cast<std::size_t>(room));
            continue;
        }
        out.append(scratch.data(), static_cast<std::size_t>(indicator));
        return true;
    }
}

// Appends one cell of the current row with SQLGetData.
void Result::Statement::getCell(SQLUSMALLINT column, Column &out, std::string &buffer)
{
    const ColumnInfo &info = columns[column - 1];
    if (info.read == Read::Text || info.read == Read::Binary || info.read == Read::Date
        || info.read == Read::DateTime || info.read == Read::Time) {
        if (getLong(column, info.cType, buffer))
            appendValue(out, info, buffer.data(), buffer.size());
        else
            out.appendNull();
        return;
    }
    rowTouched = true;
    char value[sizeof(std::uint64_t)] = {};
    SQLLEN indicator = 0;
    check(SQLGetData(handle, column, info.cType, value, sizeof value, &indicator), SQL_HANDLE_STMT,
        handle);
    if (indicator == SQL_NULL_DATA)
        out.appendNull();
    else
        appendValue(out, info, value, static_cast<std::size_t>(indicator));
}

std::string Result::firstField() const
{
    if (eof())
        throw Error("No current row: the result is past its last row or closed");
    Statement &s = *m_statement;
    if (!s.firstField) {
        std::string text;
        s.getLong(1, SQL_C_CHAR, text);
        s.firstField = std::move(text);
    }
    return *s.firstField;
}

void Result::moveNext()
{
    if (eof())
        throw Error("No current row: the result is past its last row or closed");
    m_statement->fetch();
}

Table Result::readAll(const std::function<void(long long)> &rowsRead)
{
    if (!isOpen())
        throw Error("The result is closed");
    Statement &s = *m_statement;
    Table table = s.emptyTable();
    if (s.eof)
        return table;
    for (Column &column : table.columns)
        column.reserve(static_cast<std::size_t>(std::max(s.rowCount, 1LL)));
    s.readRows(table, {}, rowsRead);
    return table;
}

void Result::readRowsets(const std::function<void(const Table &rows)> &rowset,
    const std::function<void(long long)> &rowsRead)
{
    if (!isOpen())
        throw Error("The result is closed");
    Statement &s = *m_statement;
    if (s.eof)
        return;
    Table rows = s.emptyTable();
    s.readRows(
        rows,
        [&] {
            rowset(rows);
            for (Column &column : rows.columns)
                column.clear();
        },
        rowsRead);
}

Table Result::Statement::emptyTable() const
{
    Table table;
    table.columns.reserve(columns.size());
    for (const ColumnInfo &info : columns)
        table.columns.emplace_back(info.name, info.kind, info.fractionDigits);
    return table;
}

void Result::Statement::readRows(Table &table, const std::function<void()> &rowset,
    const std::function<void(long long)> &rowsRead)
{
    const SQLHSTMT h = handle;
    std::string buffer;
    if (rowTouched)
        check(SQLFetchScroll(h, SQL_FETCH_RELATIVE, 0), SQL_HANDLE_STMT, h);
    for (std::size_t c = 0; c < columns.size(); ++c)
        getCell(static_cast<SQLUSMALLINT>(c + 1), table.columns[c], buffer);

    // The remaining rows come into bound column arrays, many rows a fetch. Columns too long to
    // bind (MEDIUMTEXT, LONGBLOB, JSON) are read with SQLGetData, which this driver only gets
    // right with one row a fetch: positioning within a rowset (SQLSetPos) and then SQLGetData
    // yields no data or stale NULLs.
    SQLLEN rowWidth = 0;
    bool allBound = true;
    for (const ColumnInfo &info : columns) {
        rowWidth += info.bindWidth;
        allBound = allBound && info.bindWidth > 0;
    }
    const SQLULEN rows = allBound
        ? std::clamp<SQLULEN>(maxRowsetBytes / static_cast<SQLULEN>(rowWidth), 1, maxRowsetRows)
        : 1;

    struct Bound {
        std::vector<char> data;
        std::vector<SQLLEN> indicators;
    };
    std::vector<Bound> bound(columns.size());
    SQLULEN fetched = 0;
    // The arrays live on this stack frame: leave no pointer to them with the driver.
    struct Unbind {
        SQLHSTMT handle;
        ~Unbind()
        {
            SQLFreeStmt(handle, SQL_UNBIND);
            SQLSetStmtAttr(handle, SQL_ATTR_ROWS_FETCHED_PTR, nullptr, 0);
            SQLSetStmtAttr(handle, SQL_ATTR_ROW_ARRAY_SIZE, integerAttribute(1), 0);
        }
    } unbind { h };

    check(
        SQLSetStmtAttr(h, SQL_ATTR_ROW_ARRAY_SIZE, integerAttribute(rows), 0), SQL_HANDLE_STMT, h);
    check(SQLSetStmtAttr(h, SQL_ATTR_ROWS_FETCHED_PTR, &fetched, 0), SQL_HANDLE_STMT, h);
    for (std::size_t c = 0; c < columns.size(); ++c) {
        const ColumnInfo &info = columns[c];
        if (info.bindWidth == 0)
            continue;
        bound[c].data.resize(static_cast<std::size_t>(info.bindWidth) * rows);
        bound[c].indicators.resize(rows);
        check(SQLBindCol(h, static_cast<SQLUSMALLINT>(c + 1), info.bindType, bound[c].data.data(),
                  info.bindWidth, bound[c].indicators.data()),
            SQL_HANDLE_STMT, h);
    }

    long long read = 1;
    long long reported = 0;
    auto report = [&] {
        reported = read;
        if (rowsRead)
            rowsRead(read);
    };
    for (;;) {
        // Often enough to watch, seldom enough to cost nothing.
        if (read - reported >= 8192)
            report();
        for (std::size_t c = 0; c < columns.size(); ++c) {
            if (columns[c].bindType != SQL_C_TYPE_TIMESTAMP)
                continue;
            for (SQLULEN row = 0; row < rows; ++row)
                std::memcpy(bound[c].data.data() + row * sizeof unwrittenTimestamp,
                    &unwrittenTimestamp, sizeof unwrittenTimestamp);
        }
        SQLRETURN rc = SQLFetch(h);
        if (rc == SQL_NO_DATA)
            break;
        check(rc, SQL_HANDLE_STMT, h);
        // Column by column; a column read with SQLGetData only occurs with one row a fetch, so
        // the columns are still read in order.
        for (std::size_t c = 0; c < columns.size(); ++c) {
            if (columns[c].bindWidth == 0)
                getCell(static_cast<SQLUSMALLINT>(c + 1), table.columns[c], buffer);
            else
                appendBound(table.columns[c], columns[c], bound[c].data.data(),
                    bound[c].indicators.data(), fetched);
        }
        read += static_cast<long long>(fetched);
        if (rowset)
            rowset();
    }
    // A result of one row fetched nothing after its first.
    if (rowset && table.rowCount() > 0)
        rowset();
    report();

    eof = true;
    firstField.reset();
    // Every row is read: let the driver drop its buffered copy now rather than at close().
    check(SQLFreeStmt(h, SQL_CLOSE), SQL_HANDLE_STMT, h);
}

void Result::close()
{
    if (m_statement)
        m_statement->release();
}

} // namespace kestrune::odbc
