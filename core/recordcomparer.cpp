#include "core/recordcomparer.h"

#include "core/jsontext.h"
#include "core/keytext.h"
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

RecordComparer::RecordComparer(
    std::vector<ColumnPair> columns, std::string table2Name, LineSink &out, LineFormat format)
    : m_table2Name(std::move(table2Name))
    , m_out(out)
    , m_format(format)
    , m_columns(std::move(columns))
{
}

RecordComparer::RecordComparer(std::vector<KeyColumn> key, std::vector<ColumnPair> columns,
    std::string table2Name, LineSink &out, LineFormat format)
    : m_table2Name(std::move(table2Name))
    , m_out(out)
    , m_format(format)
    , m_key(std::move(key))
    , m_columns(std::move(columns))
{
}

// The record numbered so from 0, or its key: "Record 3" or "Record id=42" in text, 3 or
// {"id":"42"} in JSON.
void RecordComparer::appendRecord(
    const Table &rows, std::size_t row, bool first, std::size_t numbered)
{
    if (m_format == LineFormat::Text)
        m_line += "Record ";
    if (m_key.empty()) {
        char digits[24];
        std::to_chars_result result = std::to_chars(digits, digits + sizeof digits, numbered + 1);
        m_line.append(digits, result.ptr);
    } else if (m_format == LineFormat::Text) {
        appendKeyText(m_line, rows, row, m_key, first);
    } else {
        appendKeyJson(m_line, rows, row, m_key, first);
    }
}

// A value as the lines show it: quoted, or a bare NULL; a JSON string, or null.
void RecordComparer::appendValue(const Cell &cell)
{
    if (cell.null) {
        m_line += m_format == LineFormat::Text ? "NULL" : "null";
        return;
    }
    if (m_format == LineFormat::Json) {
        m_text.clear();
        appendCellText(m_text, cell);
        appendJsonString(m_line, m_text);
        return;
    }
    m_line += '"';
    appendCellText(m_line, cell);
    m_line += '"';
}

void RecordComparer::fieldLine(const Table &rows1, std::size_t row1, const Column &column1,
    const Column &column2, std::size_t row2, std::size_t numbered)
{
    m_line.clear();
    if (m_format == LineFormat::Text) {
        appendRecord(rows1, row1, true, numbered);
        m_line += ",Field \"";
        m_line += column1.name();
        m_line += "\" has changed from ";
        appendValue(column1.cell(row1));
        m_line += " to ";
        appendValue(column2.cell(row2));
    } else {
        m_line += R"({"kind":"changed","record":)";
        appendRecord(rows1, row1, true, numbered);
        m_line += R"(,"field":)";
        appendJsonString(m_line, column1.name());
        m_line += R"(,"old":)";
        appendValue(column1.cell(row1));
        m_line += R"(,"new":)";
        appendValue(column2.cell(row2));
        m_line += '}';
    }
    ++m_counts.fieldDifferences;
    m_out.appendFieldDifference(m_line);
}

void RecordComparer::surplusLine(const Table &rows, std::size_t row, bool first, bool added)
{
    m_line.clear();
    if (m_format == LineFormat::Text) {
        appendRecord(rows, row, first, row);
        m_line += added ? " added from " : " deleted from ";
        m_line += m_table2Name;
    } else {
        m_line += added ? R"({"kind":"added","record":)" : R"({"kind":"deleted","record":)";
        appendRecord(rows, row, first, row);
        m_line += '}';
    }
    ++(added ? m_counts.added : m_counts.deleted);
    m_out.appendAddedDeleted(m_line);
}

void RecordComparer::compare(
    const Table &rows1, std::size_t from1, const Table &rows2, std::size_t from2, std::size_t count)
{
    if (m_pairings.empty()) {
        for (const ColumnPair &pair : m_columns)
            m_pairings.push_back(
                pairingOf(rows1.columns[pair.first].kind(), rows2.columns[pair.second].kind()));
    }
    const std::size_t columns = m_columns.size();
    // The differing cells are found a column at a time, which keeps each loop on two arrays, and
    // then told record by record.
    m_differs.resize(columns * count);
    m_recordDiffers.assign(count, 0);
    for (std::size_t c = 0; c < columns; ++c) {
        std::uint8_t *differs = m_differs.data() + c * count;
        markDifferences(m_pairings[c], rows1.columns[m_columns[c].first], from1,
            rows2.columns[m_columns[c].second], from2, count, differs);
        for (std::size_t r = 0; r < count; ++r)
            m_recordDiffers[r] |= differs[r];
    }
    for (std::size_t r = 0; r < count; ++r) {
        if (!m_recordDiffers[r])
            continue;
        ++m_counts.recordsDiffering;
        for (std::size_t c = 0; c < columns; ++c) {
            if (m_differs[c * count + r])
                fieldLine(rows1, from1 + r, rows1.columns[m_columns[c].first],
                    rows2.columns[m_columns[c].second], from2 + r, m_record + r);
        }
    }
    m_record += count;
}

void RecordComparer::deleted(const Table &rows1, std::size_t row)
{
    surplusLine(rows1, row, true, false);
}

void RecordComparer::added(const Table &rows2, std::size_t row)
{
    surplusLine(rows2, row, false, true);
}

void RecordComparer::finish(std::size_t rowCount1, std::size_t rowCount2)
{
    Table none;
    for (std::size_t r = rowCount2; r < rowCount1; ++r)
        surplusLine(none, r, true, false);
    for (std::size_t r = rowCount1; r < rowCount2; ++r)
        surplusLine(none, r, false, true);
}

} // namespace kestrune
