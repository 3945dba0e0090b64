#include "core/value.h"

#include <bit>

namespace kestrune {

std::int64_t packDateTime(const DateTimeParts &p)
{
    std::int64_t days = (static_cast<std::int64_t>(p.year) * 13 + p.month) * 32 + p.day;
    std::int64_t seconds = ((days * 24 + p.hour) * 60 + p.minute) * 60 + p.second;
    return seconds * 1000000 + p.microsecond;
}

DateTimeParts unpackDateTime(std::int64_t packed)
{
    DateTimeParts p;
    p.microsecond = static_cast<int>(packed % 1000000);
    std::int64_t rest = packed / 1000000;
    p.second = static_cast<int>(rest % 60);
    rest /= 60;
    p.minute = static_cast<int>(rest % 60);
    rest /= 60;
    p.hour = static_cast<int>(rest % 24);
    rest /= 24;
    p.day = static_cast<int>(rest % 32);
    rest /= 32;
    p.month = static_cast<int>(rest % 13);
    p.year = static_cast<int>(rest / 13);
    return p;
}

std::int64_t packTime(bool negative, int hours, int minutes, int seconds, int microseconds)
{
    std::int64_t total
        = ((static_cast<std::int64_t>(hours) * 60 + minutes) * 60 + seconds) * 1000000
        + microseconds;
    return negative ? -total : total;
}

Column::Column(std::string name, ColumnKind kind, int fractionDigits)
    : m_name(std::move(name))
    , m_kind(kind)
    , m_fractionDigits(fractionDigits)
{
}

void Column::reserve(std::size_t rows)
{
    m_null.reserve(rows);
    m_slots.reserve(rows);
}

void Column::clear()
{
    m_borrowed = nullptr;
    m_null.clear();
    m_slots.clear();
    m_bytes.clear();
}

void Column::appendCell(const Cell &cell)
{
    if (cell.null) {
        appendNull();
        return;
    }
    switch (cell.kind) {
    case ColumnKind::Unsigned:
    case ColumnKind::Bit:
        appendUnsigned(cell.unsignedInteger);
        return;
    case ColumnKind::Float:
    case ColumnKind::Double:
        appendFloating(cell.floating);
        return;
    case ColumnKind::Decimal:
    case ColumnKind::Text:
    case ColumnKind::Bytes:
        appendBytes(cell.bytes);
        return;
    case ColumnKind::Integer:
    case ColumnKind::Date:
    case ColumnKind::Time:
    case ColumnKind::DateTime:
        appendInteger(cell.integer);
        return;
    }
}

Cell Column::cell(std::size_t row) const
{
    Cell c;
    c.kind = m_kind;
    c.null = m_null[row] != 0;
    c.fractionDigits = m_fractionDigits;
    c.integer = 0;
    switch (m_kind) {
    case ColumnKind::Integer:
    case ColumnKind::Date:
    case ColumnKind::Time:
    case ColumnKind::DateTime:
        c.integer = static_cast<std::int64_t>(m_slots[row]);
        break;
    case ColumnKind::Unsigned:
    case ColumnKind::Bit:
        c.unsignedInteger = m_slots[row];
        break;
    case ColumnKind::Float:
    case ColumnKind::Double:
        c.floating = std::bit_cast<double>(m_slots[row]);
        break;
    case ColumnKind::Decimal:
    case ColumnKind::Text:
    case ColumnKind::Bytes:
        c.bytes = bytes(row);
        break;
    }
    return c;
}

} // namespace kestrune
