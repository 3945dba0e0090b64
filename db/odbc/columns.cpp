#include "db/odbc/statement.h"

#include "core/datetime.h"

#include <algorithm>
#include <cstring>

namespace kestrune::odbc {

namespace {

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

} // namespace

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
                octets > 0 && octets <= maxBindWidth ? octets : 0);
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
    default:
        // CHAR and VARCHAR of either width, and any type this layer does not know: as text.
        textual(ColumnKind::Text);
        break;
    }
    return info;
}

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
        column.appendUnsigned(bitsValue(data, std::min<std::size_t>(length, 8)));
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

namespace {

bool sameTimestamp(const SQL_TIMESTAMP_STRUCT &a, const SQL_TIMESTAMP_STRUCT &b)
{
    return a.year == b.year && a.month == b.month && a.day == b.day && a.hour == b.hour
        && a.minute == b.minute && a.second == b.second && a.fraction == b.fraction;
}

// The slot of a bound date or date-time struct: its packed moment, or 0 for NULL (null set).
std::uint64_t timestampSlot(const ColumnInfo &info, const char *data, SQLLEN indicator, bool &null)
{
    SQL_TIMESTAMP_STRUCT t;
    std::memcpy(&t, data, sizeof t);
    null = false;
    if (indicator == SQL_NULL_DATA) {
        if (sameTimestamp(t, unwrittenTimestamp)) {
            null = true;
            return 0;
        }
        // Anything but a zeroed struct means the driver no longer works as described above.
        if (!sameTimestamp(t, SQL_TIMESTAMP_STRUCT {}))
            throw Error("The driver gave an unexpected NULL date in column " + info.name);
    }
    return static_cast<std::uint64_t>(packDateTime(DateTimeParts {
        t.year, t.month, t.day, t.hour, t.minute, t.second, static_cast<int>(t.fraction / 1000) }));
}

} // namespace

void appendBound(Column &column, const ColumnInfo &info, const char *data, const SQLLEN *indicators,
    SQLULEN rows)
{
    const auto width = static_cast<std::size_t>(info.bindWidth);
    switch (info.read) {
    case Read::Signed:
    case Read::Unsigned:
    case Read::Double: {
        // The driver's cells are 8-byte numbers side by side, as the column keeps them.
        static_assert(sizeof(SQLBIGINT) == 8 && sizeof(SQLUBIGINT) == 8 && sizeof(SQLDOUBLE) == 8);
        Column::Room room = column.extend(rows);
        std::memcpy(room.slotValues, data, rows * sizeof *room.slotValues);
        for (SQLULEN row = 0; row < rows; ++row) {
            const bool null = indicators[row] == SQL_NULL_DATA;
            room.nullFlags[row] = null;
            if (null)
                room.slotValues[row] = 0;
        }
        return;
    }
    case Read::Date:
    case Read::DateTime: {
        Column::Room room = column.extend(rows);
        for (SQLULEN row = 0; row < rows; ++row) {
            bool null = false;
            room.slotValues[row] = timestampSlot(info, data + row * width, indicators[row], null);
            room.nullFlags[row] = null;
        }
        return;
    }
    default:
        break;
    }
    const SQLLEN longest = info.bindWidth - (info.bindType == SQL_C_CHAR ? 1 : 0);
    // The slot is as wide as the driver says the column's values can be.
    auto checkedLength = [&](SQLLEN length) {
        if (length == SQL_NO_TOTAL || length > longest)
            throw Error("A value of column " + info.name
                + " is longer than the driver said the column holds");
        return static_cast<std::size_t>(length);
    };
    if (info.read == Read::Text || info.read == Read::Binary) {
        Column::Room room = column.borrowBytes(data, width, rows);
        for (SQLULEN row = 0; row < rows; ++row) {
            const bool null = indicators[row] == SQL_NULL_DATA;
            room.nullFlags[row] = null;
            room.slotValues[row] = null ? 0 : checkedLength(indicators[row]);
        }
        return;
    }
    for (SQLULEN row = 0; row < rows; ++row) {
        if (indicators[row] == SQL_NULL_DATA) {
            column.appendNull();
            continue;
        }
        appendValue(column, info, data + row * width, checkedLength(indicators[row]));
    }
}

} // namespace kestrune::odbc
