#include "core/recordcomparer.h"

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
    std::string_view table2Name, LineSink &out)
{
    line.clear();
    appendRecordNumber(line, row);
    line += verb;
    line += table2Name;
    out.appendAddedDeleted(line);
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

// Marks, for `count` rows from row `fromA` of one column and `fromB` of the other, whether the
// paired values differ: one kind of comparison down two columns.
void markDifferences(Pairing pairing, const Column &a, std::size_t fromA, const Column &b,
    std::size_t fromB, std::size_t count, std::uint8_t *differs)
{
    const std::uint8_t *nullsA = a.nullFlags() + fromA;
    const std::uint8_t *nullsB = b.nullFlags() + fromB;
    const std::uint64_t *slotsA = a.slotValues() + fromA;
    const std::uint64_t *slotsB = b.slotValues() + fromB;
    // A NULL's slot is 0, so slots alone decide once the null flags agree.
    switch (pairing) {
    case Pairing::Slots:
        for (std::size_t r = 0; r < count; ++r)
            differs[r] = (nullsA[r] != nullsB[r]) | (slotsA[r] != slotsB[r]);
        return;
    case Pairing::Doubles:
        // By value, so 0 equals -0.
        for (std::size_t r = 0; r < count; ++r)
            differs[r] = (nullsA[r] != nullsB[r])
                | (std::bit_cast<double>(slotsA[r]) != std::bit_cast<double>(slotsB[r]));
        return;
    default:
        break;
    }
    for (std::size_t r = 0; r < count; ++r) {
        if (nullsA[r] || nullsB[r]) {
            differs[r] = nullsA[r] != nullsB[r];
            continue;
        }
        const std::size_t rowA = fromA + r;
        const std::size_t rowB = fromB + r;
        switch (pairing) {
        case Pairing::Bytes:
            differs[r] = a.bytes(rowA) != b.bytes(rowB);
            break;
        case Pairing::Decimals:
            differs[r] = a.bytes(rowA) != b.bytes(rowB) && cellsDiffer(a.cell(rowA), b.cell(rowB));
            break;
        default:
            differs[r] = cellsDiffer(a.cell(rowA), b.cell(rowB));
            break;
        }
    }
}

} // namespace

RecordComparer::RecordComparer(std::string table2Name, LineSink &out)
    : m_table2Name(std::move(table2Name))
    , m_out(out)
{
}

void RecordComparer::compare(
    const Table &rows1, std::size_t from1, const Table &rows2, std::size_t from2, std::size_t count)
{
    const std::size_t columns = std::min(rows1.columns.size(), rows2.columns.size());
    if (m_pairings.empty()) {
        for (std::size_t c = 0; c < columns; ++c)
            m_pairings.push_back(pairingOf(rows1.columns[c].kind(), rows2.columns[c].kind()));
    }
    // The differing cells are found a column at a time, which keeps each loop on two arrays, and
    // then told record by record.
    m_differs.resize(columns * count);
    m_recordDiffers.assign(count, 0);
    for (std::size_t c = 0; c < columns; ++c) {
        std::uint8_t *differs = m_differs.data() + c * count;
        markDifferences(
            m_pairings[c], rows1.columns[c], from1, rows2.columns[c], from2, count, differs);
        for (std::size_t r = 0; r < count; ++r)
            m_recordDiffers[r] |= differs[r];
    }
    for (std::size_t r = 0; r < count; ++r) {
        if (!m_recordDiffers[r])
            continue;
        for (std::size_t c = 0; c < columns; ++c) {
            if (!m_differs[c * count + r])
                continue;
            const Column &column1 = rows1.columns[c];
            const Column &column2 = rows2.columns[c];
            m_line.clear();
            appendRecordNumber(m_line, m_record + r);
            m_line += ",Field \"";
            m_line += column1.name();
            m_line += "\" has changed from ";
            appendQuotedOrNull(m_line, column1.cell(from1 + r));
            m_line += " to ";
            appendQuotedOrNull(m_line, column2.cell(from2 + r));
            m_out.appendFieldDifference(m_line);
        }
    }
    m_record += count;
}

void RecordComparer::finish(std::size_t rowCount1, std::size_t rowCount2)
{
    for (std::size_t r = rowCount2; r < rowCount1; ++r)
        appendSurplusLine(m_line, r, " deleted from ", m_table2Name, m_out);
    for (std::size_t r = rowCount1; r < rowCount2; ++r)
        appendSurplusLine(m_line, r, " added from ", m_table2Name, m_out);
}

} // namespace kestrune
