#pragma once

#include "core/value.h"

#include <QMetaType>

#include <string_view>

// Cells built directly, so a test states each value's kind next to the value. Text, decimal and
// byte cells point at their argument, which must outlive the cell (literals do).
namespace kestrune::cells {

inline Cell make(ColumnKind kind, int fractionDigits = 0)
{
    Cell cell;
    cell.kind = kind;
    cell.null = false;
    cell.fractionDigits = fractionDigits;
    cell.integer = 0;
    return cell;
}

inline Cell null(ColumnKind kind)
{
    Cell cell = make(kind);
    cell.null = true;
    return cell;
}

inline Cell integer(std::int64_t value)
{
    Cell cell = make(ColumnKind::Integer);
    cell.integer = value;
    return cell;
}

inline Cell unsignedInteger(std::uint64_t value)
{
    Cell cell = make(ColumnKind::Unsigned);
    cell.unsignedInteger = value;
    return cell;
}

inline Cell bit(std::uint64_t value)
{
    Cell cell = make(ColumnKind::Bit);
    cell.unsignedInteger = value;
    return cell;
}

inline Cell floating(float value)
{
    Cell cell = make(ColumnKind::Float);
    cell.floating = value;
    return cell;
}

inline Cell doubleValue(double value)
{
    Cell cell = make(ColumnKind::Double);
    cell.floating = value;
    return cell;
}

inline Cell withBytes(ColumnKind kind, std::string_view value)
{
    Cell cell = make(kind);
    cell.bytes = value;
    return cell;
}

inline Cell decimal(std::string_view value) { return withBytes(ColumnKind::Decimal, value); }
inline Cell text(std::string_view value) { return withBytes(ColumnKind::Text, value); }
inline Cell bytes(std::string_view value) { return withBytes(ColumnKind::Bytes, value); }

inline Cell date(int year, int month, int day)
{
    Cell cell = make(ColumnKind::Date);
    cell.integer = packDateTime({ year, month, day });
    return cell;
}

inline Cell dateTime(int year, int month, int day, int hour, int minute, int second,
    int microsecond = 0, int fractionDigits = 0)
{
    Cell cell = make(ColumnKind::DateTime, fractionDigits);
    cell.integer = packDateTime({ year, month, day, hour, minute, second, microsecond });
    return cell;
}

inline Cell time(bool negative, int hours, int minutes, int seconds, int microseconds = 0,
    int fractionDigits = 0)
{
    Cell cell = make(ColumnKind::Time, fractionDigits);
    cell.integer = packTime(negative, hours, minutes, seconds, microseconds);
    return cell;
}

} // namespace kestrune::cells

Q_DECLARE_METATYPE(kestrune::Cell)
