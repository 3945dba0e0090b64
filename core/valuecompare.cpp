#include "core/valuecompare.h"

#include <charconv>
#include <optional>
#include <string_view>

namespace kestrune {

namespace {

enum class Family { Exact, Approximate, Moment, Duration, Text, Bytes };

Family familyOf(ColumnKind kind)
{
    switch (kind) {
    case ColumnKind::Integer:
    case ColumnKind::Unsigned:
    case ColumnKind::Bit:
    case ColumnKind::Decimal:
        return Family::Exact;
    case ColumnKind::Float:
    case ColumnKind::Double:
        return Family::Approximate;
    case ColumnKind::Date:
    case ColumnKind::DateTime:
        return Family::Moment;
    case ColumnKind::Time:
        return Family::Duration;
    case ColumnKind::Text:
        return Family::Text;
    case ColumnKind::Bytes:
        break;
    }
    return Family::Bytes;
}

// A decimal reduced to a canonical form: no leading zeros in the whole part, no trailing zeros
// in the fraction, and zero never negative. Two decimals are equal exactly when their forms
// are.
struct DecimalForm {
    bool negative = false;
    std::string_view whole;
    std::string_view fraction;

    bool operator==(const DecimalForm &) const = default;
};

bool allDigits(std::string_view s)
{
    for (char c : s) {
        if (c < '0' || c > '9')
            return false;
    }
    return true;
}

// Accepts what the server sends for DECIMAL: an optional sign, digits, and an optional point
// followed by digits.
std::optional<DecimalForm> parseDecimal(std::string_view text)
{
    DecimalForm form;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        form.negative = text.front() == '-';
        text.remove_prefix(1);
    }
    std::string_view whole = text;
    std::string_view fraction;
    if (std::size_t point = text.find('.'); point != std::string_view::npos) {
        whole = text.substr(0, point);
        fraction = text.substr(point + 1);
    }
    if ((whole.empty() && fraction.empty()) || !allDigits(whole) || !allDigits(fraction))
        return std::nullopt;

    std::size_t firstSignificant = whole.find_first_not_of('0');
    whole.remove_prefix(
        firstSignificant == std::string_view::npos ? whole.size() : firstSignificant);
    std::size_t lastSignificant = fraction.find_last_not_of('0');
    fraction
        = fraction.substr(0, lastSignificant == std::string_view::npos ? 0 : lastSignificant + 1);
    form.whole = whole;
    form.fraction = fraction;
    if (whole.empty() && fraction.empty())
        form.negative = false;
    return form;
}

// Room for any 64-bit integer in decimal, sign included.
struct IntegerText {
    char digits[24];
    std::string_view view;
};

// The text of an Integer, Unsigned or Bit cell, in the buffer it is given.
std::string_view integerText(const Cell &cell, IntegerText &buffer)
{
    char *end = buffer.digits + sizeof buffer.digits;
    std::to_chars_result result = cell.kind == ColumnKind::Integer
        ? std::to_chars(buffer.digits, end, cell.integer)
        : std::to_chars(buffer.digits, end, cell.unsignedInteger);
    buffer.view = std::string_view(buffer.digits, result.ptr - buffer.digits);
    return buffer.view;
}

// Digit strings without leading zeros, as numbers.
int compareWholes(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    return threeWay(a.compare(b), 0);
}

int compareDecimals(const DecimalForm &a, const DecimalForm &b)
{
    if (a.negative != b.negative)
        return a.negative ? -1 : 1;
    int magnitude = compareWholes(a.whole, b.whole);
    if (magnitude == 0)
        magnitude = threeWay(a.fraction.compare(b.fraction), 0);
    return a.negative ? -magnitude : magnitude;
}

int exactOrder(const Cell &a, const Cell &b)
{
    if (a.kind != ColumnKind::Decimal && b.kind != ColumnKind::Decimal) {
        const bool aSigned = a.kind == ColumnKind::Integer;
        const bool bSigned = b.kind == ColumnKind::Integer;
        if (aSigned && bSigned)
            return threeWay(a.integer, b.integer);
        if (!aSigned && !bSigned)
            return threeWay(a.unsignedInteger, b.unsignedInteger);
        if (aSigned)
            return a.integer < 0
                ? -1
                : threeWay(static_cast<std::uint64_t>(a.integer), b.unsignedInteger);
        return b.integer < 0 ? 1
                             : threeWay(a.unsignedInteger, static_cast<std::uint64_t>(b.integer));
    }
    if (a.kind == ColumnKind::Decimal && b.kind == ColumnKind::Decimal && a.bytes == b.bytes)
        return 0;
    IntegerText bufferA;
    IntegerText bufferB;
    std::string_view textA = a.kind == ColumnKind::Decimal ? a.bytes : integerText(a, bufferA);
    std::string_view textB = b.kind == ColumnKind::Decimal ? b.bytes : integerText(b, bufferB);
    std::optional<DecimalForm> formA = parseDecimal(textA);
    std::optional<DecimalForm> formB = parseDecimal(textB);
    // What is no number (a server never sends one) orders by its bytes, as it compares.
    if (!formA || !formB)
        return threeWay(textA.compare(textB), 0);
    return compareDecimals(*formA, *formB);
}

std::optional<double> asDouble(const Cell &cell)
{
    switch (cell.kind) {
    case ColumnKind::Float:
    case ColumnKind::Double:
        return cell.floating;
    case ColumnKind::Integer:
        return static_cast<double>(cell.integer);
    case ColumnKind::Unsigned:
    case ColumnKind::Bit:
        return static_cast<double>(cell.unsignedInteger);
    case ColumnKind::Decimal: {
        // Checked first so that only what the exact comparison accepts gets a value here.
        if (!parseDecimal(cell.bytes))
            return std::nullopt;
        std::string_view text = cell.bytes;
        // from_chars takes no leading '+'.
        if (text.front() == '+')
            text.remove_prefix(1);
        double value = 0;
        auto [end, error] = std::from_chars(
            text.data(), text.data() + text.size(), value, std::chars_format::fixed);
        if (error != std::errc() || end != text.data() + text.size())
            return std::nullopt;
        return value;
    }
    default:
        return std::nullopt;
    }
}

// The order of two cells of numbers as doubles, at single precision when either is a FLOAT; none
// when either is no number.
std::optional<int> approximateOrder(const Cell &a, const Cell &b)
{
    std::optional<double> x = asDouble(a);
    std::optional<double> y = asDouble(b);
    if (!x || !y)
        return std::nullopt;
    if (a.kind == ColumnKind::Float || b.kind == ColumnKind::Float)
        return threeWay(static_cast<float>(*x), static_cast<float>(*y));
    return threeWay(*x, *y);
}

bool isNumberFamily(Family family)
{
    return family == Family::Exact || family == Family::Approximate;
}

} // namespace

bool cellsDiffer(const Cell &a, const Cell &b)
{
    if (a.null || b.null)
        return a.null != b.null;

    Family familyA = familyOf(a.kind);
    Family familyB = familyOf(b.kind);
    if (familyA == Family::Exact && familyB == Family::Exact)
        return exactOrder(a, b) != 0;
    if (isNumberFamily(familyA) && isNumberFamily(familyB)) {
        // A FLOAT holds single precision only: the other side is met at that precision.
        std::optional<int> order = approximateOrder(a, b);
        return !order || *order != 0;
    }
    if (familyA != familyB)
        return true;
    if (familyA == Family::Moment || familyA == Family::Duration)
        return a.integer != b.integer;
    return a.bytes != b.bytes;
}

int compareValues(const Cell &a, const Cell &b)
{
    Family familyA = familyOf(a.kind);
    Family familyB = familyOf(b.kind);
    if (familyA == Family::Exact && familyB == Family::Exact)
        return exactOrder(a, b);
    if (isNumberFamily(familyA) && isNumberFamily(familyB)) {
        return approximateOrder(a, b).value_or(threeWay(a.bytes.compare(b.bytes), 0));
    }
    if ((familyA == Family::Moment && familyB == Family::Moment)
        || (familyA == Family::Duration && familyB == Family::Duration))
        return threeWay(a.integer, b.integer);
    // Texts and byte strings: std::string_view compares bytes as unsigned, as UTF-8 orders.
    return threeWay(a.bytes.compare(b.bytes), 0);
}

} // namespace kestrune
