#include "core/recordcomparer.h"

#include "core/valuecompare.h"

#include <algorithm>
#include <bit>
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

RecordComparer::RecordComparer(std::vector<ColumnPair> columns, FindingSink &findings)
    : m_findings(findings)
    , m_columns(std::move(columns))
{
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
            if (!m_differs[c * count + r])
                continue;
            ++m_counts.fieldDifferences;
            m_findings.changed(rows1, from1 + r, rows2, from2 + r, m_columns[c], m_record + r);
        }
    }
    m_record += count;
}

void RecordComparer::deleted(const Table &rows1, std::size_t row)
{
    ++m_counts.deleted;
    m_findings.deleted(rows1, row);
}

void RecordComparer::added(const Table &rows2, std::size_t row)
{
    ++m_counts.added;
    m_findings.added(rows2, row);
}

void RecordComparer::finish(std::size_t rowCount1, std::size_t rowCount2)
{
    const Table none;
    for (std::size_t r = rowCount2; r < rowCount1; ++r)
        deleted(none, r);
    for (std::size_t r = rowCount1; r < rowCount2; ++r)
        added(none, r);
}

} // namespace kestrune
