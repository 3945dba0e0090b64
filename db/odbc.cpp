#include "db/odbc.h"

#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

namespace kestrune::odbc {

namespace {

// The first diagnostic record's message text, as the driver (or driver manager) worded it.
std::string diagnosticText(SQLSMALLINT handleType, SQLHANDLE handle)
{
    SQLCHAR state[SQL_SQLSTATE_SIZE + 1];
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
        return "The ODBC call failed without a diagnostic record";
    return std::string(reinterpret_cast<const char *>(text.data()),
        std::min<std::size_t>(static_cast<std::size_t>(length), text.size() - 1));
}

// Failure is the return code's business alone: some drivers report errors under a success
// class SQLSTATE. SQL_SUCCESS_WITH_INFO is success.
void check(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle)
{
    if (rc == SQL_INVALID_HANDLE)
        throw Error("The ODBC driver manager reported an invalid handle");
    if (rc == SQL_ERROR)
        throw Error(diagnosticText(handleType, handle));
}

SQLPOINTER integerAttribute(SQLULEN value) { return reinterpret_cast<SQLPOINTER>(value); }

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

// Values up to this size are fetched in bound column arrays; longer ones with SQLGetData.
constexpr SQLLEN maxBindWidth = 4096;
constexpr SQLULEN maxRowsetRows = 1024;
constexpr SQLULEN maxRowsetBytes = SQLULEN(8) * 1024 * 1024;

SQLLEN numericAttribute(SQLHSTMT statement, SQLUSMALLINT column, SQLUSMALLINT field)
{
    SQLLEN value = 0;
    check(SQLColAttribute(statement, column, field, nullptr, 0, nullptr, &value), SQL_HANDLE_STMT,
        statement);
    return value;
}

std::string textAttribute(SQLHSTMT statement, SQLUSMALLINT column, SQLUSMALLINT field)
{
    SQLCHAR text[256];
    SQLSMALLINT length = 0;
    check(SQLColAttribute(statement, column, field, text, sizeof text, &length, nullptr),
        SQL_HANDLE_STMT, statement);
    return std::string(reinterpret_cast<const char *>(text),
        std::min<std::size_t>(static_cast<std::size_t>(length), sizeof text - 1));
}

ColumnInfo describeColumn(SQLHSTMT statement, SQLUSMALLINT column)
{
    std::vector<SQLCHAR> name(256);
    SQLSMALLINT nameLength = 0;
    SQLSMALLINT type = 0;
    SQLULEN size = 0;
    SQLSMALLINT digits = 0;
    SQLSMALLINT nullable = 0;
    auto describe = [&] {
        check(SQLDescribeCol(statement, column, name.data(), static_cast<SQLSMALLINT>(name.size()),
                  &nameLength, &type, &size, &digits, &nullable),
            SQL_HANDLE_STMT, statement);
    };
    describe();
    if (nameLength >= static_cast<SQLSMALLINT>(name.size())) {
        name.resize(static_cast<std::size_t>(nameLength) + 1);
        describe();
    }

    ColumnInfo info;
    info.name.assign(
        reinterpret_cast<const char *>(name.data()), static_cast<std::size_t>(nameLength));
    info.fractionDigits = 0;
    auto textual = [&](ColumnKind kind) {
        info.kind = kind;
        info.read = Read::Text;
        info.cType = SQL_C_CHAR;
        info.bindType = SQL_C_CHAR;
        SQLLEN octets = std::max(numericAttribute(statement, column, SQL_DESC_OCTET_LENGTH),
            numericAttribute(statement, column, SQL_DESC_DISPLAY_SIZE));
        info.bindWidth = octets > 0 && octets < maxBindWidth ? octets + 1 : 0;
    };
    auto fixed = [&](ColumnKind kind, Read read, SQLSMALLINT cType, SQLLEN width) {
        info.kind = kind;
        info.read = read;
        info.cType = cType;
        info.bindType = cType;
        info.bindWidth = width;
    };
    // Formatting a date as text costs the driver a sprintf a cell; arrays take its struct.
    auto dateTime = [&](ColumnKind kind, Read read) {
        fixed(kind, read, SQL_C_CHAR, sizeof(SQL_TIMESTAMP_STRUCT));
        info.bindType = SQL_C_TYPE_TIMESTAMP;
    };
    // Long enough for "-838:59:59.999999".
    constexpr SQLLEN timeWidth = 32;

    switch (type) {
    case SQL_TINYINT:
    case SQL_SMALLINT:
    case SQL_INTEGER:
    case SQL_BIGINT:
        if (numericAttribute(statement, column, SQL_DESC_UNSIGNED) == SQL_TRUE)
            fixed(ColumnKind::Unsigned, Read::Unsigned, SQL_C_UBIGINT, sizeof(SQLUBIGINT));
        else
            fixed(ColumnKind::Integer, Read::Signed, SQL_C_SBIGINT, sizeof(SQLBIGINT));
        break;
    case SQL_DECIMAL:
    case SQL_NUMERIC:
        textual(ColumnKind::Decimal);
        break;
    case SQL_REAL:
        // Bound SQL_C_FLOAT arrays come back with the driver striding 8 bytes a cell; as
        // SQL_C_DOUBLE it gives the float's exact value, widened.
        fixed(ColumnKind::Float, Read::Double, SQL_C_DOUBLE, sizeof(SQLDOUBLE));
        break;
    case SQL_FLOAT:
    case SQL_DOUBLE:
        // Never as text: the driver's text of a double is rounded.
        fixed(ColumnKind::Double, Read::Double, SQL_C_DOUBLE, sizeof(SQLDOUBLE));
        break;
    case SQL_BIT:
        fixed(ColumnKind::Bit, Read::Bits, SQL_C_BINARY, sizeof(std::uint64_t));
        break;
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY:
        // The driver describes BIT(2) to BIT(64) as binary; only the type name tells them apart.
        if (textAttribute(statement, column, SQL_DESC_TYPE_NAME) == "bit") {
            fixed(ColumnKind::Bit, Read::Bits, SQL_C_BINARY, sizeof(std::uint64_t));
        } else {
            SQLLEN octets = numericAttribute(statement, column, SQL_DESC_OCTET_LENGTH);
            fixed(ColumnKind::Bytes, Read::Binary, SQL_C_BINARY,
                type != SQL_LONGVARBINARY && octets > 0 && octets <= maxBindWidth ? octets : 0);
        }
        break;
    case SQL_TYPE_DATE:
    case SQL_DATE:
        dateTime(ColumnKind::Date, Read::Date);
        break;
    case SQL_TYPE_TIME:
    case SQL_TIME:
        fixed(ColumnKind::Time, Read::Time, SQL_C_CHAR, timeWidth);
        info.fractionDigits = digits;
        break;
    case SQL_TYPE_TIMESTAMP:
    case SQL_TIMESTAMP:
        dateTime(ColumnKind::DateTime, Read::DateTime);
        info.fractionDigits = digits;
        break;
    case SQL_LONGVARCHAR:
    case SQL_WLONGVARCHAR:
        textual(ColumnKind::Text);
        info.bindWidth = 0;
        break;
    default:
        // CHAR and VARCHAR of either width, and any type this layer does not know: as text.
        textual(ColumnKind::Text);
        break;
    }
    return info;
}

// Reads the digits at text[pos...] into value; false when there are none.
bool digitsAt(std::string_view text, std::size_t &pos, int &value, std::size_t maxDigits = 9)
{
    std::size_t start = pos;
    value = 0;
    while (pos < text.size() && pos - start < maxDigits && text[pos] >= '0' && text[pos] <= '9')
        value = value * 10 + (text[pos++] - '0');
    return pos > start;
}

bool expect(std::string_view text, std::size_t &pos, char c)
{
    if (pos < text.size() && text[pos] == c) {
        ++pos;
        return true;
    }
    return false;
}

// ".ffffff" as microseconds; no fraction is 0.
bool fractionAt(std::string_view text, std::size_t &pos, int &microseconds)
{
    microseconds = 0;
    if (!expect(text, pos, '.'))
        return true;
    int digits = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
        if (digits < 6) {
            microseconds = microseconds * 10 + (text[pos] - '0');
            ++digits;
        }
        ++pos;
    }
    for (; digits < 6; ++digits)
        microseconds *= 10;
    return true;
}

[[noreturn]] void unreadable(std::string_view text)
{
    throw Error("Unexpected date or time text from the driver: " + std::string(text));
}

// A date or date-time read with SQLGetData goes through the driver's text, which keeps a zero date
// ("0000-00-00") as stored.
std::int64_t parseDateTime(std::string_view text, bool withTime)
{
    DateTimeParts p;
    std::size_t pos = 0;
    bool ok = digitsAt(text, pos, p.year) && expect(text, pos, '-') && digitsAt(text, pos, p.month)
        && expect(text, pos, '-') && digitsAt(text, pos, p.day);
    if (ok && withTime && pos < text.size()) {
        ok = expect(text, pos, ' ') && digitsAt(text, pos, p.hour) && expect(text, pos, ':')
            && digitsAt(text, pos, p.minute) && expect(text, pos, ':')
            && digitsAt(text, pos, p.second) && fractionAt(text, pos, p.microsecond);
    }
    if (!ok || pos != text.size())
        unreadable(text);
    return packDateTime(p);
}

// TIME runs from -838:59:59 to 838:59:59 with a fraction, which SQL_TIME_STRUCT cannot hold
// (the driver fails on such values), so it is read as text.
std::int64_t parseTime(std::string_view text)
{
    std::size_t pos = 0;
    bool negative = expect(text, pos, '-');
    int hours = 0, minutes = 0, seconds = 0, microseconds = 0;
    bool ok = digitsAt(text, pos, hours) && expect(text, pos, ':') && digitsAt(text, pos, minutes)
        && expect(text, pos, ':') && digitsAt(text, pos, seconds)
        && fractionAt(text, pos, microseconds);
    if (!ok || pos != text.size())
        unreadable(text);
    return packTime(negative, hours, minutes, seconds, microseconds);
}

std::uint64_t bigEndian(const unsigned char *bytes, std::size_t length)
{
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < length; ++i)
        value = (value << 8) | bytes[i];
    return value;
}

// Appends one non-NULL cell from the bytes the driver gave for it.
void appendValue(Column &column, const ColumnInfo &info, const char *data, std::size_t length)
{
    switch (info.read) {
    case Read::Signed: {
        SQLBIGINT v;
        std::memcpy(&v, data, sizeof v);
        column.appendInteger(v);
        break;
    }
    case Read::Unsigned: {
        SQLUBIGINT v;
        std::memcpy(&v, data, sizeof v);
        column.appendUnsigned(v);
        break;
    }
    case Read::Double: {
        SQLDOUBLE v;
        std::memcpy(&v, data, sizeof v);
        column.appendFloating(v);
        break;
    }
    case Read::Bits:
        column.appendUnsigned(bigEndian(
            reinterpret_cast<const unsigned char *>(data), std::min<std::size_t>(length, 8)));
        break;
    case Read::Text:
    case Read::Binary:
        column.appendBytes(std::string_view(data, length));
        break;
    case Read::Date:
        column.appendInteger(parseDateTime(std::string_view(data, length), false));
        break;
    case Read::DateTime:
        column.appendInteger(parseDateTime(std::string_view(data, length), true));
        break;
    case Read::Time:
        column.appendInteger(parseTime(std::string_view(data, length)));
        break;
    }
}

// A bound date or date-time struct is preset to this before each fetch. The driver gives a zero
// date ("0000-00-00 00:00:00") as NULL but zeroes the struct, and leaves it alone for a real NULL:
// the preset tells the two apart.
constexpr SQL_TIMESTAMP_STRUCT unwrittenTimestamp { -1, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF,
    0xFFFFFFFF };

bool sameTimestamp(const SQL_TIMESTAMP_STRUCT &a, const SQL_TIMESTAMP_STRUCT &b)
{
    return a.year == b.year && a.month == b.month && a.day == b.day && a.hour == b.hour
        && a.minute == b.minute && a.second == b.second && a.fraction == b.fraction;
}

void appendTimestamp(Column &column, const ColumnInfo &info, const char *data, SQLLEN indicator)
{
    SQL_TIMESTAMP_STRUCT t;
    std::memcpy(&t, data, sizeof t);
    if (indicator == SQL_NULL_DATA) {
        if (sameTimestamp(t, unwrittenTimestamp)) {
            column.appendNull();
            return;
        }
        // Anything but a zeroed struct means the driver no longer works as described above.
        if (!sameTimestamp(t, SQL_TIMESTAMP_STRUCT {}))
            throw Error("The driver gave an unexpected NULL date in column " + info.name);
    }
    column.appendInteger(packDateTime(DateTimeParts {
        t.year, t.month, t.day, t.hour, t.minute, t.second, static_cast<int>(t.fraction / 1000) }));
}

// Appends the first `rows` cells of a bound column array, deciding the column's kind once.
void appendBound(Column &column, const ColumnInfo &info, const char *data, const SQLLEN *indicators,
    SQLULEN rows)
{
    const auto width = static_cast<std::size_t>(info.bindWidth);
    auto each = [&](auto append) {
        for (SQLULEN row = 0; row < rows; ++row) {
            if (indicators[row] == SQL_NULL_DATA)
                column.appendNull();
            else
                append(data + row * width, indicators[row]);
        }
    };
    switch (info.read) {
    case Read::Signed:
        each([&](const char *cell, SQLLEN) {
            SQLBIGINT v;
            std::memcpy(&v, cell, sizeof v);
            column.appendInteger(v);
        });
        return;
    case Read::Unsigned:
        each([&](const char *cell, SQLLEN) {
            SQLUBIGINT v;
            std::memcpy(&v, cell, sizeof v);
            column.appendUnsigned(v);
        });
        return;
    case Read::Double:
        each([&](const char *cell, SQLLEN) {
            SQLDOUBLE v;
            std::memcpy(&v, cell, sizeof v);
            column.appendFloating(v);
        });
        return;
    case Read::Date:
    case Read::DateTime:
        for (SQLULEN row = 0; row < rows; ++row)
            appendTimestamp(column, info, data + row * width, indicators[row]);
        return;
    default:
        break;
    }
    const SQLLEN room = info.bindWidth - (info.bindType == SQL_C_CHAR ? 1 : 0);
    each([&](const char *cell, SQLLEN length) {
        // The slot is as wide as the driver says the column's values can be.
        if (length == SQL_NO_TOTAL || length > room)
            throw Error("A value of column " + info.name
                + " is longer than the driver said the column holds");
        appendValue(column, info, cell, static_cast<std::size_t>(length));
    });
}

} // namespace

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
    // SQLGetData hands out each column of a row once; firstField keeps what it read, and a row
    // read from before is fetched again.
    bool rowTouched = false;
    std::optional<std::string> firstField;
    std::vector<char> scratch = std::vector<char>(std::size_t(64) * 1024);

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

    void fetch()
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
    bool getLong(SQLUSMALLINT column, SQLSMALLINT cType, std::string &out)
    {
        out.clear();
        rowTouched = true;
        const SQLLEN terminator = cType == SQL_C_CHAR ? 1 : 0;
        const SQLLEN room = static_cast<SQLLEN>(scratch.size()) - terminator;
        for (bool first = true;; first = false) {
            SQLLEN indicator = 0;
            SQLRETURN rc = SQLGetData(handle, column, cType, scratch.data(),
                static_cast<SQLLEN>(scratch.size()), &indicator);
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
    void getCell(SQLUSMALLINT column, Column &out, std::string &buffer)
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
        check(SQLGetData(handle, column, info.cType, value, sizeof value, &indicator),
            SQL_HANDLE_STMT, handle);
        if (indicator == SQL_NULL_DATA)
            out.appendNull();
        else
            appendValue(out, info, value, static_cast<std::size_t>(indicator));
    }
};

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

bool Connection::isOpen() const { return m_handles->open; }

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

    // Static, so that a row read once can be fetched again (see Statement::rowTouched).
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

int Result::fieldCount() const
{
    return isOpen() ? static_cast<int>(m_statement->columns.size()) : 0;
}

std::string Result::fieldName(int index) const
{
    if (index < 0 || index >= fieldCount())
        throw Error("No field " + std::to_string(index) + " in this result");
    return m_statement->columns[static_cast<std::size_t>(index)].name;
}

long long Result::recordCount() const { return isOpen() ? m_statement->rowCount : 0; }

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

Table Result::readAll()
{
    if (!isOpen())
        throw Error("The result is closed");
    Statement &s = *m_statement;
    Table table;
    table.columns.reserve(s.columns.size());
    for (const ColumnInfo &info : s.columns)
        table.columns.emplace_back(info.name, info.kind, info.fractionDigits);
    if (s.eof)
        return table;
    for (Column &column : table.columns)
        column.reserve(static_cast<std::size_t>(std::max(s.rowCount, 1LL)));

    const SQLHSTMT h = s.handle;
    std::string buffer;
    if (s.rowTouched)
        check(SQLFetchScroll(h, SQL_FETCH_RELATIVE, 0), SQL_HANDLE_STMT, h);
    for (std::size_t c = 0; c < s.columns.size(); ++c)
        s.getCell(static_cast<SQLUSMALLINT>(c + 1), table.columns[c], buffer);

    // The remaining rows come into bound column arrays, many rows a fetch. Long columns are read
    // with SQLGetData, which this driver only gets right with one row a fetch: positioning
    // within a rowset (SQLSetPos) and then SQLGetData yields no data or stale NULLs.
    SQLLEN rowWidth = 0;
    bool allBound = true;
    for (const ColumnInfo &info : s.columns) {
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
    std::vector<Bound> bound(s.columns.size());
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
    for (std::size_t c = 0; c < s.columns.size(); ++c) {
        const ColumnInfo &info = s.columns[c];
        if (info.bindWidth == 0)
            continue;
        bound[c].data.resize(static_cast<std::size_t>(info.bindWidth) * rows);
        bound[c].indicators.resize(rows);
        check(SQLBindCol(h, static_cast<SQLUSMALLINT>(c + 1), info.bindType, bound[c].data.data(),
                  info.bindWidth, bound[c].indicators.data()),
            SQL_HANDLE_STMT, h);
    }

    for (;;) {
        for (std::size_t c = 0; c < s.columns.size(); ++c) {
            if (s.columns[c].bindType != SQL_C_TYPE_TIMESTAMP)
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
        for (std::size_t c = 0; c < s.columns.size(); ++c) {
            if (s.columns[c].bindWidth == 0)
                s.getCell(static_cast<SQLUSMALLINT>(c + 1), table.columns[c], buffer);
            else
                appendBound(table.columns[c], s.columns[c], bound[c].data.data(),
                    bound[c].indicators.data(), fetched);
        }
    }

    s.eof = true;
    s.firstField.reset();
    // Every row is copied: let the driver drop its buffered copy now rather than at close().
    check(SQLFreeStmt(h, SQL_CLOSE), SQL_HANDLE_STMT, h);
    return table;
}

void Result::close()
{
    if (m_statement)
        m_statement->release();
}

} // namespace kestrune::odbc
