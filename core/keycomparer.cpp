#include "core/keycomparer.h"

#include "core/valuecompare.h"

#include <bit>
#include <stdexcept>

namespace kestrune {

// Keys of one kind, or of kinds stored alike, compare their slots or bytes without building cells.
enum class KeyComparer::Method : std::uint8_t {
    SignedSlots, // integers, moments, durations
    UnsignedSlots,
    Doubles,
    Bytes, // texts and byte strings
    Values, // by the value rule, across kinds
};

namespace {

bool storedUnsigned(ColumnKind kind)
{
    return kind == ColumnKind::Unsigned || kind == ColumnKind::Bit;
}
bool moment(ColumnKind kind) { return kind == ColumnKind::Date || kind == ColumnKind::DateTime; }
bool bytes(ColumnKind kind) { return kind == ColumnKind::Text || kind == ColumnKind::Bytes; }

} // namespace

KeyComparer::KeyComparer(const std::vector<std::size_t> &placesA,
    const std::vector<ColumnKind> &kindsA, const std::vector<std::size_t> &placesB,
    const std::vector<ColumnKind> &kindsB)
{
    if (placesA.size() != placesB.size() || kindsA.size() != placesA.size()
        || kindsB.size() != placesB.size())
        throw std::logic_error("Keys of unlike lengths are compared");
    for (std::size_t k = 0; k < placesA.size(); ++k) {
        const ColumnKind a = kindsA[k];
        const ColumnKind b = kindsB[k];
        Method method = Method::Values;
        if ((a == ColumnKind::Integer && b == ColumnKind::Integer)
            || (a == ColumnKind::Time && b == ColumnKind::Time) || (moment(a) && moment(b)))
            method = Method::SignedSlots;
        else if (storedUnsigned(a) && storedUnsigned(b))
            method = Method::UnsignedSlots;
        else if (a == ColumnKind::Double && b == ColumnKind::Double)
            method = Method::Doubles;
        else if (bytes(a) && bytes(b))
            method = Method::Bytes;
        m_parts.push_back({ placesA[k], placesB[k], method });
    }
}

int KeyComparer::compare(const Table &a, std::size_t rowA, const Table &b, std::size_t rowB) const
{
    for (const Part &part : m_parts) {
        const Column &columnA = a.columns[part.a];
        const Column &columnB = b.columns[part.b];
        int order = 0;
        switch (part.method) {
        case Method::SignedSlots:
            order = threeWay(static_cast<std::int64_t>(columnA.slot(rowA)),
                static_cast<std::int64_t>(columnB.slot(rowB)));
            break;
        case Method::UnsignedSlots:
            order = threeWay(columnA.slot(rowA), columnB.slot(rowB));
            break;
        case Method::Doubles:
            order = threeWay(std::bit_cast<double>(columnA.slot(rowA)),
                std::bit_cast<double>(columnB.slot(rowB)));
            break;
        case Method::Bytes:
            order = threeWay(columnA.bytes(rowA).compare(columnB.bytes(rowB)), 0);
            break;
        case Method::Values:
            order = compareValues(columnA.cell(rowA), columnB.cell(rowB));
            break;
        }
        if (order != 0)
            return order;
    }
    return 0;
}

void copyKey(
    const Table &rows, std::size_t row, const std::vector<std::size_t> &places, Table &into)
{
    into.columns.clear();
    for (std::size_t place : places) {
        const Column &source = rows.columns[place];
        Column &copy
            = into.columns.emplace_back(source.name(), source.kind(), source.fractionDigits());
        copy.appendCell(source.cell(row));
    }
}

} // namespace kestrune
