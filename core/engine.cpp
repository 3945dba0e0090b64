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

bool valuesDiffer(Pairing pairing, const Column &a, const Column &b, std::size_t row)
{
    const bool nullA = a.isNull(row);
    const bool nullB = b.isNull(row);
    if (nullA || nullB)
        return nullA != nullB;
    switch (pairing) {
    case Pairing::Slots:
        return a.slot(row) != b.slot(row);
    case Pairing::Doubles:
        // By value, so 0 equals -0.
        return std::bit_cast<double>(a.slot(row)) != std::bit_cast<double>(b.slot(row));
    case Pairing::Bytes:
        return a.bytes(row) != b.bytes(row);
    case Pairing::Decimals:
        return a.bytes(row) != b.bytes(row) && cellsDiffer(a.cell(row), b.cell(row));
    case Pairing::General:
        break;
    }
    return cellsDiffer(a.cell(row), b.cell(row));
}

} // namespace

TableComparer::TableComparer(std::string_view table2Name, ComparisonLines &out)
    : m_table2Name(table2Name)
    , m_out(out)
{
}

void TableComparer::compare(const Table &rows1, const Table &rows2, std::size_t count)
{
    const std::size_t columns = std::min(rows1.columns.size(), rows2.columns.size());
    if (m_pairings.empty()) {
        for (std::size_t c = 0; c < columns; ++c)
            m_pairings.push_back(pairingOf(rows1.columns[c].kind(), rows2.columns[c].kind()));
    }
    for (std::size_t r = 0; r < count; ++r) {
        for (std::size_t c = 0; c < columns; ++c) {
            const Column &column1 = rows1.columns[c];
            const Column &column2 = rows2.columns[c];
            if (!valuesDiffer(m_pairings[c], column1, column2, r))
                continue;
            m_line.clear();
            appendRecordNumber(m_line, m_record + r);
            m_line += ",Field \"";
            m_line += column1.name();
            m_line += "\" has changed from ";
            appendQuotedOrNull(m_line, column1.cell(r));
            m_line += " to ";
            appendQuotedOrNull(m_line, column2.cell(r));
            m_out.fieldDifferences.append(m_line);
        }
    }
    m_record += count;
}

void TableComparer::finish(std::size_t rowCount1, std::size_t rowCount2)
{
    for (std::size_t r = rowCount2; r < rowCount1; ++r)
        appendSurplusLine(m_line, r, " deleted from ", m_table2Name, m_out.addedDeleted);
    for (std::size_t r = rowCount1; r < rowCount2; ++r)
        appendSurplusLine(m_line, r, " added from ", m_table2Name, m_out.addedDeleted);
}

void compareTables(
    const Table &table1, const Table &table2, std::string_view table2Name, ComparisonLines &out)
{
    TableComparer comparer(table2Name, out);
    comparer.compare(table1, table2, std::min(table1.rowCount(), table2.rowCount()));
    comparer.finish(table1.rowCount(), table2.rowCount());
}

} // namespace kestrune
