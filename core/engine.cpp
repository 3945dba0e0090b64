#include "core/engine.h"

#include "core/valuecompare.h"
#include "core/valuetext.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <string>
#include <vector>

namespace kestrune {

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

// How the values of two paired columns are compared, chosen once a column: pairs of one kind
// mostly compare their stored slots or bytes without building cells.
enum class Pairing {
    Slots, // integers, unsigned numbers, moments, durations: equal exactly when the slots are
    Doubles,
    Bytes, // texts, byte strings
    Decimals, // equal bytes are equal; others go by the value rule
    General,
};

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

void compareTables(
    const Table &table1, const Table &table2, std::string_view table2Name, ComparisonLines &out)
{
    const std::size_t columns = std::min(table1.columns.size(), table2.columns.size());
    const std::size_t rows1 = table1.rowCount();
    const std::size_t rows2 = table2.rowCount();
    std::vector<Pairing> pairings;
    for (std::size_t c = 0; c < columns; ++c)
        pairings.push_back(pairingOf(table1.columns[c].kind(), table2.columns[c].kind()));

    // One buffer for every line, so a run with millions of differences allocates only as the
    // lines' storage grows.
    std::string line;
    for (std::size_t r = 0; r < rows1; ++r) {
        if (r >= rows2) {
            appendSurplusLine(line, r, " deleted from ", table2Name, out.addedDeleted);
            continue;
        }
        for (std::size_t c = 0; c < columns; ++c) {
            const Column &column1 = table1.columns[c];
            const Column &column2 = table2.columns[c];
            if (!valuesDiffer(pairings[c], column1, column2, r))
                continue;
            Cell old = column1.cell(r);
            Cell now = column2.cell(r);
            line.clear();
            appendRecordNumber(line, r);
            line += ",Field \"";
            line += column1.name();
            line += "\" has changed from ";
            appendQuotedOrNull(line, old);
            line += " to ";
            appendQuotedOrNull(line, now);
            out.fieldDifferences.append(line);
        }
    }
    for (std::size_t r = rows1; r < rows2; ++r)
        appendSurplusLine(line, r, " added from ", table2Name, out.addedDeleted);
}

} // namespace kestrune
