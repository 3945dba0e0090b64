#include "db/odbc/statement.h"

#include <algorithm>

namespace kestrune::odbc {

namespace {

// The first diagnostic record, as the driver (or driver manager) worded it.
Error diagnosticError(SQLSMALLINT handleType, SQLHANDLE handle)
{
    SQLCHAR state[SQL_SQLSTATE_SIZE + 1] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    std::vector<SQLCHAR> text(1024);
    SQLRETURN rc = SQLGetDiagRec(handleType, handle, 1, state, &native, text.data(),
        static_cast<SQLSMALLINT>(text.size()), &length);
    if (rc == SQL_SUCCESS_WITH_INFO && length >= static_cast<SQLSMALLINT>(text.size())) {
        text.resize(static_cast<std::size_t>(length) + 1);
        rc = SQLGetDiagRec(handleType, handle, 1, state, &native, text.data(),
            static_cast<SQLSMALLINT>(text.size()), &length);
    }
    if (!SQL_SUCCEEDED(rc))
        return Error("The ODBC call failed without a diagnostic record");
    return Error(std::string(reinterpret_cast<const char *>(text.data()),
                     std::min<std::size_t>(static_cast<std::size_t>(length), text.size() - 1)),
        reinterpret_cast<const char *>(state));
}

} // namespace

void check(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle)
{
    if (SQL_SUCCEEDED(rc))
        return;
    if (rc == SQL_INVALID_HANDLE)
        throw Error("The ODBC driver manager reported an invalid handle");
    if (rc == SQL_ERROR)
        throw diagnosticError(handleType, handle);
    // SQL_NO_DATA where it means an end is handled before the check; anywhere else it, like
    // SQL_NEED_DATA or SQL_STILL_EXECUTING, leaves the call's outputs unwritten.
    const char *name = rc == SQL_NO_DATA ? "SQL_NO_DATA"
        : rc == SQL_NEED_DATA            ? "SQL_NEED_DATA"
        : rc == SQL_STILL_EXECUTING      ? "SQL_STILL_EXECUTING"
                                         : nullptr;
    throw Error(std::string("The ODBC driver answered ")
        + (name ? name : "return code " + std::to_string(rc)) + " where it had to succeed");
}

Connection::Connection()
    : m_handles(std::make_unique<Handles>())
{
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &m_handles->environment))) {
        m_handles->environment = SQL_NULL_HENV;
        throw Error("The ODBC driver manager could not allocate an environment");
    }
    check(SQLSetEnvAttr(
              m_handles->environment, SQL_ATTR_ODBC_VERSION, integerAttribute(SQL_OV_ODBC3), 0),
        SQL_HANDLE_ENV, m_handles->environment);
    SQLRETURN rc = SQLAllocHandle(SQL_HANDLE_DBC, m_handles->environment, &m_handles->connection);
    if (!SQL_SUCCEEDED(rc)) {
        m_handles->connection = SQL_NULL_HDBC;
        check(SQL_ERROR, SQL_HANDLE_ENV, m_handles->environment);
    }
}

Connection::~Connection()
{
    for (Result::Statement *statement : std::vector(m_handles->statements))
        statement->release();
    // A destructor cannot report a failed disconnect; the handles are freed all the same.
    if (m_handles->open)
        SQLDisconnect(m_handles->connection);
}

void Connection::setReadWriteMode()
{
    check(SQLSetConnectAttr(m_handles->connection, SQL_ATTR_ACCESS_MODE,
              integerAttribute(SQL_MODE_READ_WRITE), 0),
        SQL_HANDLE_DBC, m_handles->connection);
}

void Connection::setTimeouts(unsigned seconds)
{
    check(SQLSetConnectAttr(
              m_handles->connection, SQL_ATTR_LOGIN_TIMEOUT, integerAttribute(seconds), 0),
        SQL_HANDLE_DBC, m_handles->connection);
    check(SQLSetConnectAttr(
              m_handles->connection, SQL_ATTR_CONNECTION_TIMEOUT, integerAttribute(seconds), 0),
        SQL_HANDLE_DBC, m_handles->connection);
    m_queryTimeout = seconds;
}

void Connection::open(const std::string &connectionString)
{
    check(SQLDriverConnect(m_handles->connection, nullptr,
              reinterpret_cast<SQLCHAR *>(const_cast<char *>(connectionString.c_str())),
              static_cast<SQLSMALLINT>(connectionString.size()), nullptr, 0, nullptr,
              SQL_DRIVER_NOPROMPT),
        SQL_HANDLE_DBC, m_handles->connection);
    m_handles->open = true;
}

void Connection::close()
{
    if (!m_handles->open)
        return;
    for (Result::Statement *statement : std::vector(m_handles->statements))
        statement->release();
    check(SQLDisconnect(m_handles->connection), SQL_HANDLE_DBC, m_handles->connection);
    m_handles->open = false;
}

Result Connection::execute(const std::string &sql) { return Result(*this, sql); }

Result::Result(Connection &connection, const std::string &sql)
    : m_statement(std::make_unique<Statement>())
{
    Connection::Handles &owner = *connection.m_handles;
    Statement &s = *m_statement;
    SQLRETURN rc = SQLAllocHandle(SQL_HANDLE_STMT, owner.connection, &s.handle);
    if (!SQL_SUCCEEDED(rc)) {
        s.handle = SQL_NULL_HSTMT;
        check(
            rc == SQL_INVALID_HANDLE ? rc : SQLRETURN(SQL_ERROR), SQL_HANDLE_DBC, owner.connection);
    }
    s.owner = &owner;
    owner.statements.push_back(&s);

    // The client-side, static, read-only cursor a comparison asks for.
    check(SQLSetStmtAttr(s.handle, SQL_ATTR_CURSOR_TYPE, integerAttribute(SQL_CURSOR_STATIC), 0),
        SQL_HANDLE_STMT, s.handle);
    if (connection.m_queryTimeout != 0)
        check(SQLSetStmtAttr(
                  s.handle, SQL_ATTR_QUERY_TIMEOUT, integerAttribute(connection.m_queryTimeout), 0),
            SQL_HANDLE_STMT, s.handle);

    rc = SQLExecDirect(s.handle, reinterpret_cast<SQLCHAR *>(const_cast<char *>(sql.c_str())),
        static_cast<SQLINTEGER>(sql.size()));
    if (rc == SQL_NO_DATA) // a searched UPDATE or DELETE that touched no row
        return;
    check(rc, SQL_HANDLE_STMT, s.handle);

    SQLSMALLINT count = 0;
    check(SQLNumResultCols(s.handle, &count), SQL_HANDLE_STMT, s.handle);
    if (count == 0)
        return;
    for (SQLUSMALLINT c = 1; c <= count; ++c)
        s.columns.push_back(describeColumn(s.handle, c));
    // The driver holds the whole result on the client, so its row count is exact.
    SQLLEN rows = 0;
    check(SQLRowCount(s.handle, &rows), SQL_HANDLE_STMT, s.handle);
    s.rowCount = rows;
    s.fetch();
}

Result::~Result() = default;
Result::Result(Result &&) noexcept = default;
Result &Result::operator=(Result &&) noexcept = default;

bool Result::isOpen() const { return m_statement && m_statement->handle != SQL_NULL_HSTMT; }

bool Result::eof() const { return !m_statement || m_statement->eof; }

long long Result::recordCount() const { return isOpen() ? m_statement->rowCount : 0; }

} // namespace kestrune::odbc
