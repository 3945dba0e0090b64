#include "core/engine.h"

#include "core/valuecompare.h"
#include "core/valuetext.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <string>
#include <vector>

namespace kestrune {

// Pairs of one kind mostly compare their stored slots or bytes without building cells.
enum class Pairing : std::uint8_t {
    Slots, // integers, unsigned numbers, moments, durations: equal exactly when the slots are
    Doubles,
    Bytes, // texts, byte strings
    Decimals, // equal bytes are equal; others go by the value rule
    General,
};

namespace {

void appendRecordNumber(std::string &line, std::size_t row)
{
    char digits[24];
    std::to_chars_result result = std::to_chars(digits, digits + sizeof digits, row + 1);
    line += "Record ";
    line.append(digits, result.ptr);
}

void appendQuotedOrNull(std::string &line, const Cell &cell)
{
    if (cell.null) {
        line += "NULL";
        return;
    }
    line += '"';
    appendCellText(line, cell);
    line += '"';
}

void appendSurplusLine(std::string &line, std::size_t row, std::string_view verb,
    std::string_view table2Name, TextLines &out)
{
    line.clear();
    appendRecordNumber(line, row);
    line += verb;
    line += table2Name;
    out.append(line);
}

Pairing pairingOf(ColumnKind a, ColumnKind b)
{
    using K = ColumnKind;
    auto either = [](K kind, K x, K y) { return kind == x || kind == y; };
    if ((a == K::Integer && b == K::Integer) || (a == K::Time && b == K::Time)
        || (either(a, K::Unsigned, K::Bit) && either(b, K::Unsigned, K::Bit))
        || (either(a, K::Date, K::DateTime) && either(b, K::Date, K::DateTime)))
        return Pairing::Slots;
    if (a == K::Double && b == K::Double)
        return Pairing::Doubles;
    if ((a == K::Text && b == K::Text) || (a == K::Bytes && b == K::Bytes))
        return Pairing::Bytes;
    if (a == K::Decimal && b == K::Decimal)
        return Pairing::Decimals;
    return Pairing::General;
}

// Row `row` of column a against row `other` of column b.
bool valuesDiffer(
    Pairing pairing, const Column &a, std::size_t row, const Column &b, std::size_t other)
{
    const bool nullA = a.isNull(row);
    const bool nullB = b.isNull(other);
    if (nullA || nullB)
        return nullA != nullB;
    switch (pairing) {
    case Pairing::Slots:
        return a.slot(row) != b.slot(other);
    case Pairing::Doubles:
        // By value, so 0 equals -0.
        return std::bit_cast<double>(a.slot(row)) != std::bit_cast<double>(b.slot(other));
    case Pairing::Bytes:
        return a.bytes(row) != b.bytes(other);
    case Pairing::Decimals:
        return a.bytes(row) != b.bytes(other) && cellsDiffer(a.cell(row), b.cell(other));
    case Pairing::General:
        break;
    }
    return cellsDiffer(a.cell(row), b.cell(other));
}

} // namespace

TableComparer::TableComparer(const Table &table1, std::string_view table2Name, ComparisonLines &out)
    : m_table1(table1)
    , m_table2Name(table2Name)
    , m_out(out)
{
}

void TableComparer::compare(const Table &rows2)
{
    const std::size_t columns = std::min(m_table1.columns.size(), rows2.columns.size());
    const std::size_t rows1 = m_table1.rowCount();
    const std::size_t count = rows2.rowCount();
    if (m_pairings.empty()) {
        for (std::size_t c = 0; c < columns; ++c)
            m_pairings.push_back(pairingOf(m_table1.columns[c].kind(), rows2.columns[c].kind()));
    }

    const std::size_t paired = std::min(count, rows1 > m_rows2 ? rows1 - m_rows2 : 0);
    for (std::size_t i = 0; i < paired; ++i) {
        const std::size_t r = m_rows2 + i;
        for (std::size_t c = 0; c < columns; ++c) {
            const Column &column1 = m_table1.columns[c];
            const Column &column2 = rows2.columns[c];
            if (!valuesDiffer(m_pairings[c], column1, r, column2, i))
                continue;
            m_line.clear();
            appendRecordNumber(m_line, r);
            m_line += ",Field \"";
            m_line += column1.name();
            m_line += "\" has changed from ";
            appendQuotedOrNull(m_line, column1.cell(r));
            m_line += " to ";
            appendQuotedOrNull(m_line, column2.cell(i));
            m_out.fieldDifferences.append(m_line);
        }
    }
    for (std::size_t i = paired; i < count; ++i)
        appendSurplusLine(m_line, m_rows2 + i, " added from ", m_table2Name, m_out.addedDeleted);
    m_rows2 += count;
}

void TableComparer::finish()
{
    for (std::size_t r = m_rows2; r < m_table1.rowCount(); ++r)
        appendSurplusLine(m_line, r, " deleted from ", m_table2Name, m_out.addedDeleted);
}

void compareTables(
    const Table &table1, const Table &table2, std::string_view table2Name, ComparisonLines &out)
{
    TableComparer comparer(table1, table2Name, out);
    comparer.compare(table2);
    comparer.finish();
}

} // namespace kestrune
