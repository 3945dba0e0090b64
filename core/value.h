#pragma once

#include "core/pagedarray.h"

#include <bit>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kestrune {

// What a column holds, as the driver describes it. The numbers come first (see isNumber).
enum class ColumnKind : std::uint8_t {
    Integer, // signed, up to 64 bits
    Unsigned, // unsigned, up to 64 bits
    Bit, // BIT, kept as its unsigned number
    Decimal, // exact, kept as the text the server sends
    Float, // FLOAT, single precision
    Double, // DOUBLE
    Text, // UTF-8
    Bytes,
    Date,
    Time,
    DateTime, // DATETIME and TIMESTAMP
};

inline bool isNumber(ColumnKind kind) { return kind <= ColumnKind::Double; }

// A date or date-time packed so that comparing two packed values compares the moments.
// Microseconds are the finest the server keeps.
struct DateTimeParts {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int microsecond = 0;
};
std::int64_t packDateTime(const DateTimeParts &parts);
DateTimeParts unpackDateTime(std::int64_t packed);

// A time of day or a duration (TIME runs from -838:59:59 to 838:59:59), as signed microseconds.
std::int64_t packTime(bool negative, int hours, int minutes, int seconds, int microseconds);

// A BIT(n) value from the big-endian bytes the server sends, at most the last 8 of them counting.
inline std::uint64_t bitsValue(const char *bytes, std::size_t length)
{
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < length; ++i)
        value = (value << 8) | static_cast<unsigned char>(bytes[i]);
    return value;
}

// One cell, read from a column without copying its bytes.
struct Cell {
    ColumnKind kind;
    bool null;
    int fractionDigits; // of Time and DateTime columns
    union {
        std::int64_t integer; // Integer, Date, Time, DateTime
        std::uint64_t unsignedInteger; // Unsigned, Bit
        double floating; // Float, Double
    };
    std::string_view bytes; // Decimal, Text, Bytes
};

// One column of a table, stored compactly: one 8-byte slot per cell for numbers, dates and times,
// one shared buffer for texts, decimals and byte strings.
class Column {
public:
    Column(std::string name, ColumnKind kind, int fractionDigits = 0);

    const std::string &name() const { return m_name; }
    ColumnKind kind() const { return m_kind; }
    int fractionDigits() const { return m_fractionDigits; }
    std::size_t size() const { return m_null.size(); }

    void reserve(std::size_t rows);
    void clear(); // keeps the storage, so a column read batch by batch allocates once
    // Inline: a table's reading calls these once a cell. A NULL's slot is 0 in a column of
    // numbers, dates or times, so two slots are equal only when both cells are NULL or neither is
    // and their values are.
    void appendNull()
    {
        m_null.push_back(1);
        m_slots.push_back(storesBytes() ? m_bytes.size() : 0);
    }
    void appendInteger(std::int64_t value) // Integer, Date, Time, DateTime (packed)
    {
        m_null.push_back(0);
        m_slots.push_back(static_cast<std::uint64_t>(value));
    }
    void appendUnsigned(std::uint64_t value) // Unsigned, Bit
    {
        m_null.push_back(0);
        m_slots.push_back(value);
    }
    void appendFloating(double value) // Float, Double
    {
        m_null.push_back(0);
        m_slots.push_back(std::bit_cast<std::uint64_t>(value));
    }
    void appendBytes(std::string_view value) // Decimal, Text, Bytes
    {
        m_null.push_back(0);
        m_bytes.append(value.data(), value.size());
        m_slots.push_back(m_bytes.size());
    }
    // A cell of another column of this kind, NULL or not, copied.
    void appendCell(const Cell &cell);

    // Room for `count` more cells of a number, date or time column, to be filled in place (a slot
    // as appendInteger, appendUnsigned or appendFloating would store it, 0 for a NULL, and a null
    // flag of 1 or 0): a batch is then stored without a call a cell.
    struct Room {
        std::uint64_t *slotValues;
        std::uint8_t *nullFlags;
    };
    Room extend(std::size_t count) { return { m_slots.extend(count), m_null.extend(count) }; }
    // Makes an empty column of texts, decimals or byte strings refer to `count` cells kept
    // elsewhere, `stride` bytes apart, instead of copying them: for a batch that is compared and
    // dropped while that buffer stands. The room takes each cell's length (0 for a NULL) as its
    // slot, and its null flag.
    Room borrowBytes(const char *cells, std::size_t stride, std::size_t count)
    {
        m_borrowed = cells;
        m_stride = stride;
        return extend(count);
    }

    // The null flags and slots of every row, for going down a whole column.
    const std::uint8_t *nullFlags() const { return m_null.data(); }
    const std::uint64_t *slotValues() const { return m_slots.data(); }
    Cell cell(std::size_t row) const;
    // The raw 8-byte slot of a number, date or time, and the bytes of a text, decimal or byte
    // string, for comparing columns of one kind without building cells.
    std::uint64_t slot(std::size_t row) const { return m_slots[row]; }
    std::string_view bytes(std::size_t row) const
    {
        if (m_borrowed)
            return std::string_view(m_borrowed + row * m_stride, m_slots[row]);
        std::size_t begin = row == 0 ? 0 : m_slots[row - 1];
        return std::string_view(m_bytes.data() + begin, m_slots[row] - begin);
    }

private:
    bool storesBytes() const
    {
        return m_kind == ColumnKind::Decimal || m_kind == ColumnKind::Text
            || m_kind == ColumnKind::Bytes;
    }

    std::string m_name;
    ColumnKind m_kind;
    int m_fractionDigits;
    PagedArray<std::uint8_t> m_null;
    // Numbers; or the end offset of each cell's bytes, their length when borrowed.
    PagedArray<std::uint64_t> m_slots;
    PagedArray<char> m_bytes;
    const char *m_borrowed = nullptr; // the cells' bytes, when they are kept elsewhere
    std::size_t m_stride = 0;
};

// A column's name and kind, as a table describes it before any row is read.
struct ColumnShape {
    std::string name;
    ColumnKind kind = ColumnKind::Text;
    int fractionDigits = 0;
};

// A whole table as read: columns in the server's order, every column as long as the others.
struct Table {
    std::vector<Column> columns;

    std::size_t rowCount() const { return columns.empty() ? 0 : columns.front().size(); }
};

} // namespace kestrune
