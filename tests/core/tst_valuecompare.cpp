#include "core/cells.h"
#include "core/valuecompare.h"

#include <QTest>

#include <cstdint>
#include <limits>
#include <string_view>
#include <vector>

using namespace kestrune;
using namespace kestrune::cells;

class ValueCompareTest : public QObject {
    Q_OBJECT

private slots:
    void differ_data();
    void differ();
    void order();
};

namespace {

constexpr std::int64_t int64Min = std::numeric_limits<std::int64_t>::min();
constexpr std::int64_t int64Max = std::numeric_limits<std::int64_t>::max();
constexpr std::uint64_t uint64Max = std::numeric_limits<std::uint64_t>::max();

int sign(int order) { return (order > 0) - (order < 0); }

// Whether a key column may hold `a` in one table and `b` in the other.
bool orderable(const Cell &a, const Cell &b)
{
    auto family = [](ColumnKind kind) {
        switch (kind) {
        case ColumnKind::Date:
        case ColumnKind::DateTime:
            return 1;
        case ColumnKind::Time:
            return 2;
        case ColumnKind::Text:
            return 3;
        case ColumnKind::Bytes:
            return 4;
        default:
            return 0;
        }
    };
    return !a.null && !b.null && family(a.kind) == family(b.kind);
}

void row(const char *name, const Cell &a, const Cell &b, bool differ)
{
    QTest::newRow(name) << a << b << differ;
}

} // namespace

void ValueCompareTest::differ_data()
{
    QTest::addColumn<Cell>("a");
    QTest::addColumn<Cell>("b");
    QTest::addColumn<bool>("differ");

    // NULL
    row("null = null", null(ColumnKind::Integer), null(ColumnKind::Integer), false);
    row("null = null of another kind", null(ColumnKind::Text), null(ColumnKind::Date), false);
    row("null vs 0", null(ColumnKind::Integer), integer(0), true);
    row("null vs empty text", null(ColumnKind::Text), text(""), true);
    row("null vs zero decimal", null(ColumnKind::Decimal), decimal("0.00"), true);
    row("null vs empty bytes", null(ColumnKind::Bytes), bytes(""), true);

    // Integers of every width and sign, never through a double
    row("int equal", integer(42), integer(42), false);
    row("int 2^53+1 vs 2^53", integer(9007199254740993), integer(9007199254740992), true);
    row("int min equal", integer(int64Min), integer(int64Min), false);
    row("int max vs max-1", integer(int64Max), integer(int64Max - 1), true);
    row("unsigned max equal", unsignedInteger(uint64Max), unsignedInteger(uint64Max), false);
    row("unsigned max vs max-1", unsignedInteger(uint64Max), unsignedInteger(uint64Max - 1), true);
    row("unsigned 5 = int 5", unsignedInteger(5), integer(5), false);
    row("unsigned 0 = int 0", unsignedInteger(0), integer(0), false);
    row("unsigned max vs int -1 (same bits)", unsignedInteger(uint64Max), integer(-1), true);
    row("unsigned 2^63 vs int min (same bits)", unsignedInteger(9223372036854775808u),
        integer(int64Min), true);
    row("unsigned int max = int max", unsignedInteger(int64Max), integer(int64Max), false);
    row("bit 1 = int 1", bit(1), integer(1), false);
    row("bit 0 vs int 1", bit(0), integer(1), true);
    row("bit 1 = unsigned 1", bit(1), unsignedInteger(1), false);
    row("bit 1 = decimal 1.0", bit(1), decimal("1.0"), false);

    // Decimals, exactly
    row("decimal same text", decimal("12.50"), decimal("12.50"), false);
    row("decimal trailing zeros", decimal("0.20"), decimal("0.2"), false);
    row("decimal leading zeros", decimal("007.50"), decimal("7.5"), false);
    row("decimal minus zero", decimal("-0.00"), decimal("0"), false);
    row("decimal minus zero vs int 0", decimal("-0.00"), integer(0), false);
    row("decimal point only fraction", decimal(".5"), decimal("0.5"), false);
    row("decimal 10 vs 1", decimal("10"), decimal("1"), true);
    row("decimal 100 vs 1.00", decimal("100"), decimal("1.00"), true);
    row("decimal 0.1 vs 0.01", decimal("0.1"), decimal("0.01"), true);
    row("decimal sign", decimal("-1.5"), decimal("1.5"), true);
    row("decimal 65,30 last digit",
        decimal("12345678901234567890123456789012345.123456789012345678901234567890"),
        decimal("12345678901234567890123456789012345.123456789012345678901234567891"), true);
    row("decimal 65,30 trailing zero",
        decimal("12345678901234567890123456789012345.123456789012345678901234567890"),
        decimal("12345678901234567890123456789012345.12345678901234567890123456789"), false);
    row("int 1 = decimal 1.0", integer(1), decimal("1.0"), false);
    row("int -5 = decimal -5", integer(-5), decimal("-5.000"), false);
    row("int 5 vs decimal -5", integer(5), decimal("-5"), true);
    row("int 10 vs decimal 1.0", integer(10), decimal("1.0"), true);
    row("int 2^53 vs decimal 2^53+1", integer(9007199254740992), decimal("9007199254740993"), true);
    row("int min = decimal", integer(int64Min), decimal("-9223372036854775808"), false);
    row("unsigned max = decimal", unsignedInteger(uint64Max), decimal("18446744073709551615.0"),
        false);
    row("unsigned max vs decimal -1", unsignedInteger(uint64Max), decimal("-1"), true);
    row("decimal not a number vs int", decimal("1e5"), integer(100000), true);

    // Floating values by value; exact numbers against them as doubles
    row("double equal", doubleValue(0.1), doubleValue(0.1), false);
    row("double differ", doubleValue(0.1), doubleValue(0.10000000000000002), true);
    row("double 0 = -0", doubleValue(0.0), doubleValue(-0.0), false);
    row("float equal", floating(3.14159f), floating(3.14159f), false);
    // A FLOAT keeps no more than single precision: anything else meets it there, so a line
    // never shows the same text on both sides.
    row("float 0.1 = double 0.1", floating(0.1f), doubleValue(0.1), false);
    row("float 0.1 = decimal 0.1", floating(0.1f), decimal("0.1"), false);
    row("float 0.1 vs double 0.1000001", floating(0.1f), doubleValue(0.1000001), true);
    row("float 0.5 = double 0.5", floating(0.5f), doubleValue(0.5), false);
    row("decimal 0.20 = double 0.2", decimal("0.20"), doubleValue(0.2), false);
    row("decimal 0.3 vs double 0.1+0.2", decimal("0.3"), doubleValue(0.1 + 0.2), true);
    row("decimal -0.00 = double 0", decimal("-0.00"), doubleValue(0.0), false);
    row("decimal 0.5 = float 0.5", decimal("0.5"), floating(0.5f), false);
    row("int 1 = double 1", integer(1), doubleValue(1.0), false);
    row("int 2^53+1 = double 2^53 (as doubles)", integer(9007199254740993),
        doubleValue(9007199254740992.0), false);
    row("unsigned max = double 2^64", unsignedInteger(uint64Max),
        doubleValue(18446744073709551616.0), false);
    row("bit 1 = double 1", bit(1), doubleValue(1.0), false);
    row("int 1 vs double 1.5", integer(1), doubleValue(1.5), true);

    // Dates and date-times as moments
    row("date = midnight", date(2024, 1, 1), dateTime(2024, 1, 1, 0, 0, 0), false);
    row("date vs one second later", date(2024, 1, 1), dateTime(2024, 1, 1, 0, 0, 1), true);
    row("date vs one microsecond later", date(2024, 1, 1), dateTime(2024, 1, 1, 0, 0, 0, 1), true);
    row("date vs next day", date(2024, 1, 1), date(2024, 1, 2), true);
    row("date-time equal across precision", dateTime(2024, 2, 29, 23, 59, 59, 500000, 1),
        dateTime(2024, 2, 29, 23, 59, 59, 500000, 6), false);
    row("zero date equal", date(0, 0, 0), date(0, 0, 0), false);

    // Times as durations
    row("time equal", time(false, 838, 59, 59), time(false, 838, 59, 59), false);
    row("time microsecond", time(false, 1, 0, 0, 1), time(false, 1, 0, 0, 0), true);
    row("time sign", time(true, 0, 0, 1), time(false, 0, 0, 1), true);
    row("time 0 vs zero date (same slot)", time(false, 0, 0, 0), date(0, 0, 0), true);
    row("time vs date-time", time(false, 12, 0, 0), dateTime(0, 0, 0, 12, 0, 0), true);

    // Texts byte for byte
    row("text equal", text("abc"), text("abc"), false);
    row("text case", text("abc"), text("ABC"), true);
    row("text trailing blank", text("a"), text("a "), true);
    row("text leading blank", text(" a"), text("a"), true);
    row("text empty", text(""), text(""), false);
    row("text UTF-8", text("Grüße 東京"), text("Grüße 東京"), false);
    row("text composed vs decomposed", text("\xC3\xBC"), text("u\xCC\x88"), true);
    row("text inner NUL", text(std::string_view("a\0b", 3)), text("a"), true);

    // Byte strings exactly
    row("bytes equal", bytes(std::string_view("\x00\xFF", 2)),
        bytes(std::string_view("\x00\xFF", 2)), false);
    row("bytes NUL vs empty", bytes(std::string_view("\x00", 1)), bytes(""), true);

    // Mixed kinds
    row("int vs text digits", integer(42), text("42"), true);
    row("decimal vs text digits", decimal("1.5"), text("1.5"), true);
    row("double vs text", doubleValue(0.5), text("0.5"), true);
    row("bit vs text", bit(1), text("1"), true);
    row("date vs text", date(2024, 1, 1), text("2024-01-01"), true);
    row("time vs text", time(false, 1, 2, 3), text("01:02:03"), true);
    row("bytes vs text", bytes("abc"), text("abc"), true);
    row("int vs date", integer(packDateTime({ 2024, 1, 1 })), date(2024, 1, 1), true);
    row("int vs bytes", integer(0), bytes(""), true);
}

void ValueCompareTest::differ()
{
    QFETCH(Cell, a);
    QFETCH(Cell, b);
    QFETCH(bool, differ);

    QCOMPARE(cellsDiffer(a, b), differ);
    QCOMPARE(cellsDiffer(b, a), differ);
    // Keys pair exactly when their values are equal.
    if (orderable(a, b)) {
        QCOMPARE(compareValues(a, b) == 0, !differ);
        QCOMPARE(sign(compareValues(b, a)), -sign(compareValues(a, b)));
    }
}

// Keys in the order the servers give them: each list ascends, across kinds where they mix.
void ValueCompareTest::order()
{
    const std::vector<std::vector<Cell>> ascending {
        { integer(int64Min), decimal("-9223372036854775807.5"), integer(-1), decimal("-0.5"),
            unsignedInteger(0), decimal("0.001"), bit(1), decimal("1.5"), integer(2), decimal("10"),
            decimal("99.99"), unsignedInteger(uint64Max), decimal("18446744073709551616") },
        { doubleValue(-1e308), integer(-3), doubleValue(-0.5), decimal("0.25"), doubleValue(0.3),
            integer(1), doubleValue(1e20) },
        { floating(-2.5f), floating(0.1f), doubleValue(0.2), floating(3.0f) },
        { date(1000, 1, 1), dateTime(2024, 1, 1, 0, 0, 0, 1, 6), date(2024, 1, 2),
            dateTime(2024, 1, 2, 23, 59, 59) },
        { time(true, 838, 59, 59), time(true, 0, 0, 1), time(false, 0, 0, 0, 1, 6),
            time(false, 24, 0, 0) },
        // By UTF-8 bytes: case, trailing blanks and accents all count.
        { text(""), text(std::string_view("\0", 1)), text(" "), text("A"), text("B"), text("a"),
            text("a "), text("ab"), text("z"), text("é"), text("東"), text("😀") },
        { bytes(""), bytes(std::string_view("\0", 1)), bytes("\x7F"), bytes("\x80"),
            bytes("\xFF") },
    };
    for (const std::vector<Cell> &list : ascending) {
        for (std::size_t i = 0; i < list.size(); ++i) {
            for (std::size_t j = 0; j < list.size(); ++j) {
                const int expected = i < j ? -1 : (i > j ? 1 : 0);
                QVERIFY2(sign(compareValues(list[i], list[j])) == expected,
                    qPrintable(QString("%1 against %2").arg(i).arg(j)));
            }
        }
    }
}

QTEST_APPLESS_MAIN(ValueCompareTest)
#include "tst_valuecompare.moc"
