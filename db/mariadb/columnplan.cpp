#include "db/mariadb/columnplan.h"

namespace kestrune {

namespace {

// Texts, decimals and byte strings are bound at most this wide; a longer value is fetched whole on
// its own.
constexpr unsigned long widestBoundText = 4096;

} // namespace

// Each kind as the ODBC driver describes the same column (see db/columns.cpp).
ColumnPlan planColumn(const MYSQL_FIELD &field)
{
    ColumnPlan plan;
    plan.name.assign(field.name, field.name_length);
    plan.isUnsigned = (field.flags & UNSIGNED_FLAG) != 0;
    auto integer
        = [&](enum_field_types bindType, Copy signedCopy, Copy unsignedCopy, unsigned long width) {
              plan.kind = plan.isUnsigned ? ColumnKind::Unsigned : ColumnKind::Integer;
              plan.copy = plan.isUnsigned ? unsignedCopy : signedCopy;
              plan.bindType = bindType;
              plan.width = width;
          };
    auto fixed = [&](ColumnKind kind, Copy copy, enum_field_types bindType, unsigned long width) {
        plan.kind = kind;
        plan.copy = copy;
        plan.bindType = bindType;
        plan.width = width;
    };
    switch (field.type) {
    case MYSQL_TYPE_TINY:
        integer(MYSQL_TYPE_TINY, Copy::Signed8, Copy::Unsigned8, 1);
        break;
    case MYSQL_TYPE_SHORT:
        integer(MYSQL_TYPE_SHORT, Copy::Signed16, Copy::Unsigned16, 2);
        break;
    case MYSQL_TYPE_YEAR: // unsigned, as the driver has it
        // A two-digit year is told whole: its digits alone would order 2000 before 1999.
        integer(MYSQL_TYPE_SHORT, Copy::Signed16,
            field.length == 2 ? Copy::TwoDigitYear : Copy::Unsigned16, 2);
        break;
    case MYSQL_TYPE_INT24:
    case MYSQL_TYPE_LONG:
        integer(MYSQL_TYPE_LONG, Copy::Signed32, Copy::Unsigned32, 4);
        break;
    case MYSQL_TYPE_LONGLONG:
        integer(MYSQL_TYPE_LONGLONG, Copy::Signed64, Copy::Unsigned64, 8);
        break;
    case MYSQL_TYPE_FLOAT:
        // The driver gives the float's exact value widened to double.
        fixed(ColumnKind::Float, Copy::Float, MYSQL_TYPE_FLOAT, sizeof(float));
        break;
    case MYSQL_TYPE_DOUBLE:
        fixed(ColumnKind::Double, Copy::Double, MYSQL_TYPE_DOUBLE, sizeof(double));
        break;
    case MYSQL_TYPE_BIT:
        // Up to 8 big-endian bytes, as they come.
        fixed(ColumnKind::Bit, Copy::Bits, MYSQL_TYPE_BLOB, 8);
        break;
    case MYSQL_TYPE_DATE:
    case MYSQL_TYPE_NEWDATE:
        fixed(ColumnKind::Date, Copy::Moment, MYSQL_TYPE_DATE, sizeof(MYSQL_TIME));
        break;
    case MYSQL_TYPE_TIME:
    case MYSQL_TYPE_TIME2:
        fixed(ColumnKind::Time, Copy::Time, MYSQL_TYPE_TIME, sizeof(MYSQL_TIME));
        plan.fractionDigits = static_cast<int>(field.decimals);
        break;
    case MYSQL_TYPE_DATETIME:
    case MYSQL_TYPE_DATETIME2:
    case MYSQL_TYPE_TIMESTAMP:
    case MYSQL_TYPE_TIMESTAMP2:
        fixed(ColumnKind::DateTime, Copy::Moment, MYSQL_TYPE_DATETIME, sizeof(MYSQL_TIME));
        plan.fractionDigits = static_cast<int>(field.decimals);
        break;
    case MYSQL_TYPE_DECIMAL:
    case MYSQL_TYPE_NEWDECIMAL:
        // Exact, as the text the server sends.
        fixed(ColumnKind::Decimal, Copy::Bytes, MYSQL_TYPE_STRING,
            std::clamp<unsigned long>(field.length, 8, widestBoundText));
        break;
    case MYSQL_TYPE_STRING:
    case MYSQL_TYPE_VAR_STRING:
    case MYSQL_TYPE_VARCHAR:
    case MYSQL_TYPE_TINY_BLOB:
    case MYSQL_TYPE_BLOB:
    case MYSQL_TYPE_MEDIUM_BLOB:
    case MYSQL_TYPE_LONG_BLOB:
    case MYSQL_TYPE_ENUM:
    case MYSQL_TYPE_SET:
    case MYSQL_TYPE_GEOMETRY: {
        // Character and binary strings, ENUM, SET, JSON, INET6 and the like among them: bytes in
        // the binary character set, else text.
        const bool binary = field.charsetnr == 63;
        fixed(binary ? ColumnKind::Bytes : ColumnKind::Text, Copy::Bytes,
            binary ? MYSQL_TYPE_BLOB : MYSQL_TYPE_STRING,
            std::clamp<unsigned long>(field.length, 8, widestBoundText));
        break;
    }
    default:
        // Any other kind (JSON as a MySQL server sends it, a view's column of NULLs) as text, as
        // the driver has it.
        fixed(ColumnKind::Text, Copy::Bytes, MYSQL_TYPE_STRING,
            std::clamp<unsigned long>(field.length, 8, widestBoundText));
        break;
    }
    return plan;
}

std::vector<ColumnShape> shapesOf(const std::vector<ColumnPlan> &columns)
{
    std::vector<ColumnShape> shapes;
    shapes.reserve(columns.size());
    for (const ColumnPlan &column : columns)
        shapes.push_back({ column.name, column.kind, column.fractionDigits });
    return shapes;
}

} // namespace kestrune
