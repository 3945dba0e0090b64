#pragma once

#include "core/value.h"

#include <mysql.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace kestrune {

// How a bound cell becomes a stored value.
enum class Copy : std::uint8_t {
    Signed8,
    Signed16,
    Signed32,
    Signed64,
    Unsigned8,
    Unsigned16,
    Unsigned32,
    Unsigned64,
    TwoDigitYear, // YEAR(2): 70 to 99 and 0 to 69, as 1970 to 2069
    Float,
    Double,
    Bits,
    Bytes,
    Moment, // a date or date-time
    Time,
};

// How one column of a result is bound in the binary protocol and stored as the ODBC reader
// stores the same column.
struct ColumnPlan {
    std::string name;
    ColumnKind kind = ColumnKind::Text;
    int fractionDigits = 0;
    Copy copy = Copy::Bytes;
    enum_field_types bindType = MYSQL_TYPE_STRING;
    bool isUnsigned = false;
    unsigned long width = 0; // bytes bound
};

ColumnPlan planColumn(const MYSQL_FIELD &field);
// The names and kinds the planned columns are stored under.
std::vector<ColumnShape> shapesOf(const std::vector<ColumnPlan> &columns);

template <typename T> T loadCell(const char *cell)
{
    T value;
    std::memcpy(&value, cell, sizeof value);
    return value;
}

// The slot of a fixed-width cell, as Column::appendInteger, appendUnsigned or appendFloating
// stores it. Here, not in a source file, because every such cell goes through it.
inline std::uint64_t slotOf(Copy copy, const char *cell, unsigned long length)
{
    auto integer = [](std::int64_t value) { return static_cast<std::uint64_t>(value); };
    switch (copy) {
    case Copy::Signed8:
        return integer(loadCell<std::int8_t>(cell));
    case Copy::Signed16:
        return integer(loadCell<std::int16_t>(cell));
    case Copy::Signed32:
        return integer(loadCell<std::int32_t>(cell));
    case Copy::Signed64:
        return integer(loadCell<std::int64_t>(cell));
    case Copy::Unsigned8:
        return loadCell<std::uint8_t>(cell);
    case Copy::Unsigned16:
        return loadCell<std::uint16_t>(cell);
    case Copy::Unsigned32:
        return loadCell<std::uint32_t>(cell);
    case Copy::Unsigned64:
        return loadCell<std::uint64_t>(cell);
    case Copy::TwoDigitYear: {
        const unsigned year = loadCell<std::uint16_t>(cell);
        return year < 70 ? 2000 + year : year < 100 ? 1900 + year : year;
    }
    case Copy::Float:
        return std::bit_cast<std::uint64_t>(static_cast<double>(loadCell<float>(cell)));
    case Copy::Double:
        return std::bit_cast<std::uint64_t>(loadCell<double>(cell));
    case Copy::Bits:
        return bitsValue(cell, std::min<unsigned long>(length, 8));
    case Copy::Moment: {
        const auto t = loadCell<MYSQL_TIME>(cell);
        return integer(
            packDateTime(DateTimeParts { static_cast<int>(t.year), static_cast<int>(t.month),
                static_cast<int>(t.day), static_cast<int>(t.hour), static_cast<int>(t.minute),
                static_cast<int>(t.second), static_cast<int>(t.second_part) }));
    }
    case Copy::Time: {
        const auto t = loadCell<MYSQL_TIME>(cell);
        // Hours beyond a day may come as days.
        return integer(
            packTime(t.neg != 0, static_cast<int>(t.day * 24 + t.hour), static_cast<int>(t.minute),
                static_cast<int>(t.second), static_cast<int>(t.second_part)));
    }
    case Copy::Bytes:
        break;
    }
    return 0;
}

} // namespace kestrune
