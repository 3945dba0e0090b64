#include "core/valuetext.h"

#include <algorithm>
#include <charconv>

namespace kestrune {

namespace {

template <typename T> void appendNumber(std::string &out, T value)
{
    // Wide enough for any integer and for the shortest form of any double.
    char buffer[32];
    std::to_chars_result result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

void appendPadded(std::string &out, std::int64_t value, int width)
{
    char buffer[24];
    std::to_chars_result result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(std::max<std::ptrdiff_t>(0, width - (result.ptr - buffer)), '0');
    out.append(buffer, result.ptr);
}

// The first `digits` of the six microsecond digits, after a point; nothing for none.
void appendFraction(std::string &out, int microsecond, int digits)
{
    digits = std::min(digits, 6);
    if (digits <= 0)
        return;
    char six[6];
    for (int i = 5; i >= 0; --i) {
        six[i] = static_cast<char>('0' + microsecond % 10);
        microsecond /= 10;
    }
    out += '.';
    out.append(six, digits);
}

void appendDate(std::string &out, const DateTimeParts &p)
{
    appendPadded(out, p.year, 4);
    out += '-';
    appendPadded(out, p.month, 2);
    out += '-';
    appendPadded(out, p.day, 2);
}

void appendClock(std::string &out, std::int64_t hours, int minutes, int seconds)
{
    appendPadded(out, hours, 2);
    out += ':';
    appendPadded(out, minutes, 2);
    out += ':';
    appendPadded(out, seconds, 2);
}

void appendTime(std::string &out, std::int64_t micros, int fractionDigits)
{
    if (micros < 0) {
        out += '-';
        micros = -micros;
    }
    std::int64_t seconds = micros / 1000000;
    appendClock(
        out, seconds / 3600, static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
    appendFraction(out, static_cast<int>(micros % 1000000), fractionDigits);
}

void appendHex(std::string &out, std::string_view bytes)
{
    static constexpr char digits[] = "0123456789ABCDEF";
    out += "0x";
    std::size_t at = out.size();
    out.resize(at + bytes.size() * 2);
    for (unsigned char byte : bytes) {
        out[at++] = digits[byte >> 4];
        out[at++] = digits[byte & 0x0F];
    }
}

} // namespace

void appendCellText(std::string &out, const Cell &cell)
{
    switch (cell.kind) {
    case ColumnKind::Integer:
        appendNumber(out, cell.integer);
        return;
    case ColumnKind::Unsigned:
    case ColumnKind::Bit:
        appendNumber(out, cell.unsignedInteger);
        return;
    case ColumnKind::Float:
        // The reader widens FLOAT to double; narrowing back gives the digits the column holds.
        appendNumber(out, static_cast<float>(cell.floating));
        return;
    case ColumnKind::Double:
        appendNumber(out, cell.floating);
        return;
    case ColumnKind::Date:
        appendDate(out, unpackDateTime(cell.integer));
        return;
    case ColumnKind::DateTime: {
        DateTimeParts p = unpackDateTime(cell.integer);
        appendDate(out, p);
        out += ' ';
        appendClock(out, p.hour, p.minute, p.second);
        appendFraction(out, p.microsecond, cell.fractionDigits);
        return;
    }
    case ColumnKind::Time:
        appendTime(out, cell.integer, cell.fractionDigits);
        return;
    case ColumnKind::Bytes:
        appendHex(out, cell.bytes);
        return;
    case ColumnKind::Decimal:
    case ColumnKind::Text:
        out.append(cell.bytes);
        return;
    }
}

} // namespace kestrune
