#include "core/cells.h"
#include "core/datetime.h"
#include "core/jsontext.h"
#include "core/valuetext.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

#include <cstdint>
#include <limits>

using namespace kestrune;
using namespace kestrune::cells;

class ValueTextTest : public QObject {
    Q_OBJECT

private slots:
    void forms_data();
    void forms();
    void appendsAfterExistingText();
    void readsTheDriversDateAndTimeText_data();
    void readsTheDriversDateAndTimeText();
    void jsonStrings_data();
    void jsonStrings();
};

namespace {

void row(const char *name, const Cell &cell, const QByteArray &expected)
{
    QTest::newRow(name) << cell << expected;
}

} // namespace

void ValueTextTest::forms_data()
{
    QTest::addColumn<Cell>("cell");
    QTest::addColumn<QByteArray>("expected");

    row("int 0", integer(0), "0");
    row("int -1", integer(-1), "-1");
    row("int min", integer(std::numeric_limits<std::int64_t>::min()), "-9223372036854775808");
    row("unsigned max", unsignedInteger(std::numeric_limits<std::uint64_t>::max()),
        "18446744073709551615");
    row("bit 1", bit(1), "1");
    row("bit 255", bit(255), "255");

    row("decimal as sent", decimal("123.4500"), "123.4500");
    row("decimal minus zero as sent", decimal("-0.00"), "-0.00");

    row("double 0.1", doubleValue(0.1), "0.1");
    row("double 0.1+0.2", doubleValue(0.1 + 0.2), "0.30000000000000004");
    row("double whole", doubleValue(100.0), "100");
    row("double -1.5", doubleValue(-1.5), "-1.5");
    row("double 1e20", doubleValue(1e20), "1e+20");
    row("double 1e-5", doubleValue(1e-5), "1e-05");
    row("double 2^53+2", doubleValue(9007199254740994.0), "9007199254740994");
    row("double minus zero", doubleValue(-0.0), "-0");
    row("float 3.14159", floating(3.14159f), "3.14159");
    row("float 0.1", floating(0.1f), "0.1");
    row("float 16777216", floating(16777216.0f), "16777216");

    row("date", date(2024, 1, 5), "2024-01-05");
    row("date year below 1000", date(999, 12, 31), "0999-12-31");
    row("zero date", date(0, 0, 0), "0000-00-00");
    row("date-time", dateTime(2024, 1, 5, 7, 8, 9), "2024-01-05 07:08:09");
    row("date-time without fraction digits hides microseconds",
        dateTime(2024, 1, 5, 7, 8, 9, 123456, 0), "2024-01-05 07:08:09");
    row("date-time 3 digits", dateTime(2024, 1, 5, 23, 59, 59, 123000, 3),
        "2024-01-05 23:59:59.123");
    row("date-time 6 digits", dateTime(2024, 1, 5, 0, 0, 0, 5, 6), "2024-01-05 00:00:00.000005");
    row("date-time 2 digits of zero", dateTime(2024, 1, 5, 0, 0, 0, 0, 2),
        "2024-01-05 00:00:00.00");

    row("time zero", time(false, 0, 0, 0), "00:00:00");
    row("time hours padded", time(false, 5, 4, 3), "05:04:03");
    row("time three-digit hours", time(false, 838, 59, 59), "838:59:59");
    row("time negative", time(true, 0, 0, 1), "-00:00:01");
    row("time negative fraction", time(true, 838, 59, 59, 0, 6), "-838:59:59.000000");
    row("time 1 digit", time(false, 12, 0, 0, 100000, 1), "12:00:00.1");

    row("bytes empty", bytes(""), "0x");
    row("bytes upper-case hex", bytes(std::string_view("\x00\xFF\x0A\xab", 4)), "0x00FF0AAB");
    row("bytes of text", bytes("ab"), "0x6162");

    row("text as stored", text("say \"hi\", then  go "), "say \"hi\", then  go ");
    row("text empty", text(""), "");
    row("text UTF-8", text("Grüße 東京"), "Grüße 東京");
}

void ValueTextTest::forms()
{
    QFETCH(Cell, cell);
    QFETCH(QByteArray, expected);

    std::string out;
    appendCellText(out, cell);
    QCOMPARE(QByteArray::fromStdString(out), expected);
}

void ValueTextTest::appendsAfterExistingText()
{
    std::string out = "from \"";
    appendCellText(out, integer(7));
    appendCellText(out, bytes("\x01"));
    QCOMPARE(out, std::string("from \"70x01"));
}

// The driver's text of a date, date-time or time, read back into a value and written out again.
// An empty expectation means the text must be refused.
void ValueTextTest::readsTheDriversDateAndTimeText_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("fractionDigits");
    QTest::addColumn<QByteArray>("driverText");
    QTest::addColumn<QByteArray>("expected");
    const int date = int(ColumnKind::Date), dateTime = int(ColumnKind::DateTime),
              time = int(ColumnKind::Time);

    QTest::newRow("date") << date << 0 << QByteArray("2024-02-29") << QByteArray("2024-02-29");
    QTest::newRow("zero date") << date << 0 << QByteArray("0000-00-00") << QByteArray("0000-00-00");
    QTest::newRow("date-time") << dateTime << 0 << QByteArray("2024-02-29 23:59:59")
                               << QByteArray("2024-02-29 23:59:59");
    QTest::newRow("date-time without its time")
        << dateTime << 0 << QByteArray("2024-02-29") << QByteArray("2024-02-29 00:00:00");
    QTest::newRow("fraction shorter than the column's")
        << dateTime << 6 << QByteArray("1000-01-01 00:00:00.5")
        << QByteArray("1000-01-01 00:00:00.500000");
    QTest::newRow("fraction beyond microseconds is cut")
        << dateTime << 6 << QByteArray("2024-01-01 00:00:00.1234567")
        << QByteArray("2024-01-01 00:00:00.123456");
    QTest::newRow("time lowest") << time << 6 << QByteArray("-838:59:59.000000")
                                 << QByteArray("-838:59:59.000000");
    QTest::newRow("time just below zero")
        << time << 2 << QByteArray("-00:00:00.25") << QByteArray("-00:00:00.25");
    QTest::newRow("time beyond a day")
        << time << 0 << QByteArray("25:00:00") << QByteArray("25:00:00");

    QTest::newRow("empty date") << date << 0 << QByteArray("") << QByteArray();
    QTest::newRow("date with trailing text")
        << date << 0 << QByteArray("2024-02-29x") << QByteArray();
    QTest::newRow("date-time cut after the hour")
        << dateTime << 0 << QByteArray("2024-02-29 13") << QByteArray();
    QTest::newRow("time without seconds") << time << 0 << QByteArray("12:30") << QByteArray();
    QTest::newRow("time with a blank") << time << 0 << QByteArray(" 12:30:00") << QByteArray();
}

void ValueTextTest::readsTheDriversDateAndTimeText()
{
    QFETCH(int, kind);
    QFETCH(int, fractionDigits);
    QFETCH(QByteArray, driverText);
    QFETCH(QByteArray, expected);

    Cell cell = make(ColumnKind(kind), fractionDigits);
    std::string_view text(driverText.constData(), std::size_t(driverText.size()));
    try {
        cell.integer = ColumnKind(kind) == ColumnKind::Time
            ? parseTime(text)
            : parseDateTime(text, ColumnKind(kind) == ColumnKind::DateTime);
    } catch (const std::runtime_error &error) {
        QVERIFY2(expected.isEmpty(), error.what());
        QVERIFY(std::string_view(error.what()).find(text) != std::string_view::npos);
        return;
    }
    QVERIFY2(!expected.isEmpty(), "the text was taken");
    std::string out;
    appendCellText(out, cell);
    QCOMPARE(QByteArray::fromStdString(out), expected);
}

// Texts as JSON strings: escaped as JSON requires, and valid UTF-8 whatever the bytes.
void ValueTextTest::jsonStrings_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("json");
    QTest::newRow("plain") << QByteArray("Lyon") << QByteArray(R"("Lyon")");
    QTest::newRow("quote, backslash, the lines' own words")
        << QByteArray(R"(a "b" \ to c)") << QByteArray(R"("a \"b\" \\ to c")");
    QTest::newRow("line breaks and tabs")
        << QByteArray("a\r\nb\tc\bd\fe") << QByteArray(R"("a\r\nb\tc\bd\fe")");
    QTest::newRow("other control characters, NUL among them") << QByteArray("\x01\x1F\x7F", 3)
            + QByteArray(1, '\0') << QByteArray("\"\\u0001\\u001f\x7F\\u0000\"");
    QTest::newRow("UTF-8 of every length kept") << QByteArray("é東😀") << QByteArray("\"é東😀\"");
    QTest::newRow("invalid UTF-8 replaced byte by byte")
        << QByteArray("a\xFF\xC3(\xE2\x82\xED\xA0\x80\xF0\x82\x82\xAC")
        << QByteArray("\"a\xEF\xBF\xBD\xEF\xBF\xBD(\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"
                      "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"
                      "\xEF\xBF\xBD\"");
}

void ValueTextTest::jsonStrings()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, json);
    std::string out = "x";
    appendJsonString(out, std::string_view(text.constData(), std::size_t(text.size())));
    QCOMPARE(QByteArray::fromStdString(out), "x" + json);
    // What a JSON parser reads back is the text, where the text was valid UTF-8.
    const QJsonDocument parsed = QJsonDocument::fromJson("[" + json + "]");
    QVERIFY(parsed.isArray());
    if (QString::fromUtf8(text).toUtf8() == text)
        QCOMPARE(parsed.array().at(0).toString().toUtf8(), text);
}

QTEST_APPLESS_MAIN(ValueTextTest)
#include "tst_valuetext.moc"
