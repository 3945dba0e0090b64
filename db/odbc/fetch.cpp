#include "db/odbc/statement.h"

#include <algorithm>
#include <cstring>

namespace kestrune::odbc {

namespace {

// SQLGetData on a column it has already handed out, or when the driver has lost its place in a
// row: never pass that off as a NULL or a value.
Error noData(SQLUSMALLINT column)
{
    return Error("The driver gave no data for column " + std::to_string(column));
}

} // namespace

void Result::Statement::fetch()
{
    SQLRETURN rc = SQLFetch(handle);
    if (rc == SQL_NO_DATA) {
        eof = true;
    } else {
        check(rc, SQL_HANDLE_STMT, handle);
        eof = false;
    }
    firstField.reset();
}

// The whole of a column of the current row, in pieces when it is long; false when NULL.
bool Result::Statement::getLong(SQLUSMALLINT column, SQLSMALLINT cType, std::string &out)
{
    out.clear();
    const SQLLEN terminator = cType == SQL_C_CHAR ? 1 : 0;
    const SQLLEN room = static_cast<SQLLEN>(scratch.size()) - terminator;
    for (bool first = true;; first = false) {
        SQLLEN indicator = 0;
        SQLRETURN rc = SQLGetData(
            handle, column, cType, scratch.data(), static_cast<SQLLEN>(scratch.size()), &indicator);
        if (rc == SQL_NO_DATA) {
            if (!first)
                return true;
            throw noData(column);
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
    char value[sizeof(std::uint64_t)] = {};
    SQLLEN indicator = 0;
    SQLRETURN rc = SQLGetData(handle, column, info.cType, value, sizeof value, &indicator);
    if (rc == SQL_NO_DATA)
        throw noData(column);
    check(rc, SQL_HANDLE_STMT, handle);
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

std::size_t Result::rowsetRows() const
{
    if (!isOpen())
        return 1;
    // Many rows a fetch into bound column arrays. Columns too long to bind (MEDIUMTEXT, LONGBLOB,
    // JSON) are read with SQLGetData, which this driver only gets right with one row a fetch:
    // positioning within a rowset (SQLSetPos) and then SQLGetData yields no data or stale NULLs.
    SQLLEN rowWidth = 0;
    for (const ColumnInfo &info : m_statement->columns) {
        if (info.bindWidth == 0)
            return 1;
        rowWidth += info.bindWidth;
    }
    return std::clamp<SQLULEN>(
        maxRowsetBytes / static_cast<SQLULEN>(std::max<SQLLEN>(rowWidth, 1)), 1, maxRowsetRows);
}

bool Result::readRowset(Table &rows, std::size_t most)
{
    if (!isOpen())
        throw Error("The result is closed");
    Statement &s = *m_statement;
    s.describeInto(rows);
    for (Column &column : rows.columns)
        column.clear();
    // Only this rowset is held, so its texts stay in the bound arrays until the next one.
    return s.appendRowset(rows, most);
}

void Result::Statement::describeInto(Table &table) const
{
    if (!table.columns.empty())
        return;
    table.columns.reserve(columns.size());
    for (const ColumnInfo &info : columns)
        table.columns.emplace_back(info.name, info.kind, info.fractionDigits);
}

bool Result::Statement::appendRowset(Table &table, std::size_t most)
{
    if (eof)
        return false;
    const SQLHSTMT h = handle;
    if (bound.empty()) {
        // The current row first, alone: it is fetched already.
        for (std::size_t c = 0; c < columns.size(); ++c)
            getCell(static_cast<SQLUSMALLINT>(c + 1), table.columns[c], buffer);
        bind(static_cast<SQLULEN>(most));
        return true;
    }

    for (std::size_t c = 0; c < columns.size(); ++c) {
        if (columns[c].bindType != SQL_C_TYPE_TIMESTAMP)
            continue;
        for (SQLULEN row = 0; row < boundRows; ++row)
            std::memcpy(bound[c].data.get() + row * sizeof unwrittenTimestamp, &unwrittenTimestamp,
                sizeof unwrittenTimestamp);
    }
    SQLRETURN rc = SQLFetch(h);
    if (rc == SQL_NO_DATA) {
        unbind();
        eof = true;
        firstField.reset();
        // Every row is read: let the driver drop its buffered copy now rather than at close().
        check(SQLFreeStmt(h, SQL_CLOSE), SQL_HANDLE_STMT, h);
        return false;
    }
    check(rc, SQL_HANDLE_STMT, h);
    // Column by column; a column read with SQLGetData only occurs with one row a fetch, so the
    // columns are still read in order.
    for (std::size_t c = 0; c < columns.size(); ++c) {
        if (columns[c].bindWidth == 0)
            getCell(static_cast<SQLUSMALLINT>(c + 1), table.columns[c], buffer);
        else
            appendBound(table.columns[c], columns[c], bound[c].data.get(),
                bound[c].indicators.data(), fetched);
    }
    return true;
}

void Result::Statement::bind(SQLULEN rows)
{
    bound.resize(columns.size());
    boundRows = rows;
    check(SQLSetStmtAttr(handle, SQL_ATTR_ROW_ARRAY_SIZE, integerAttribute(rows), 0),
        SQL_HANDLE_STMT, handle);
    check(SQLSetStmtAttr(handle, SQL_ATTR_ROWS_FETCHED_PTR, &fetched, 0), SQL_HANDLE_STMT, handle);
    for (std::size_t c = 0; c < columns.size(); ++c) {
        const ColumnInfo &info = columns[c];
        if (info.bindWidth == 0)
            continue;
        // Not zeroed: the driver writes a cell before it is read, and a wide column's cells are
        // mostly never touched, so their pages are never made.
        bound[c].data.reset(new char[static_cast<std::size_t>(info.bindWidth) * rows]);
        bound[c].indicators.resize(rows);
        check(SQLBindCol(handle, static_cast<SQLUSMALLINT>(c + 1), info.bindType,
                  bound[c].data.get(), info.bindWidth, bound[c].indicators.data()),
            SQL_HANDLE_STMT, handle);
    }
}

void Result::Statement::unbind()
{
    if (bound.empty())
        return;
    // Leave the driver no pointer to arrays about to be freed.
    SQLFreeStmt(handle, SQL_UNBIND);
    SQLSetStmtAttr(handle, SQL_ATTR_ROWS_FETCHED_PTR, nullptr, 0);
    SQLSetStmtAttr(handle, SQL_ATTR_ROW_ARRAY_SIZE, integerAttribute(1), 0);
    bound.clear();
    bound.shrink_to_fit();
}

void Result::close()
{
    if (m_statement)
        m_statement->release();
}

} // namespace kestrune::odbc
