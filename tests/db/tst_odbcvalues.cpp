#include "db/connectionstring.h"
#include "db/odbc/odbc.h"
#include "support/testdb.h"

#include <QTest>

#include <cstdio>

using namespace kestrune;

namespace {

const std::string database = "kt_odbc_values";

// A cell as text that shows every bit of its value, to compare with what was stored.
std::string describe(const Cell &cell)
{
    if (cell.null)
        return "NULL";
    char text[64];
    switch (cell.kind) {
    case ColumnKind::Integer:
        return std::to_string(cell.integer);
    case ColumnKind::Unsigned:
    case ColumnKind::Bit:
        return std::to_string(cell.unsignedInteger);
    case ColumnKind::Float:
        std::snprintf(text, sizeof text, "%.9g", cell.floating);
        return text;
    case ColumnKind::Double:
        std::snprintf(text, sizeof text, "%.17g", cell.floating);
        return text;
    case ColumnKind::Decimal:
    case ColumnKind::Text:
        return std::string(cell.bytes);
    case ColumnKind::Bytes: {
        std::string hex;
        for (unsigned char c : cell.bytes) {
            std::snprintf(text, sizeof text, "%02x", c);
            hex += text;
        }
        return hex;
    }
    case ColumnKind::Date: {
        DateTimeParts p = unpackDateTime(cell.integer);
        std::snprintf(text, sizeof text, "%04d-%02d-%02d", p.year, p.month, p.day);
        return text;
    }
    case ColumnKind::DateTime: {
        DateTimeParts p = unpackDateTime(cell.integer);
        std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%06d", p.year, p.month,
            p.day, p.hour, p.minute, p.second, p.microsecond);
        return text;
    }
    case ColumnKind::Time: {
        std::int64_t us = cell.integer < 0 ? -cell.integer : cell.integer;
        std::snprintf(text, sizeof text, "%s%02lld:%02lld:%02lld.%06lld",
            cell.integer < 0 ? "-" : "", static_cast<long long>(us / 3600000000),
            static_cast<long long>(us / 60000000 % 60), static_cast<long long>(us / 1000000 % 60),
            static_cast<long long>(us % 1000000));
        return text;
    }
    }
    return "?";
}

std::string repeated(const std::string &piece, int times)
{
    std::string out;
    out.reserve(piece.size() * static_cast<std::size_t>(times));
    for (int i = 0; i < times; ++i)
        out += piece;
    return out;
}

} // namespace

Q_DECLARE_METATYPE(ColumnKind)

class TestOdbcValues : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { testdb::freshDatabase(database); }
    void cleanupTestCase() { testdb::run({ "DROP DATABASE `" + database + "`" }); }

    void readsEveryKind_data()
    {
        QTest::addColumn<QByteArray>("type");
        QTest::addColumn<QByteArray>("literal");
        QTest::addColumn<ColumnKind>("kind");
        QTest::addColumn<int>("fractionDigits");
        QTest::addColumn<QByteArray>("expected");
        auto row = [](const char *tag, const char *type, const QByteArray &literal, ColumnKind kind,
                       int fraction, const QByteArray &expected) {
            QTest::newRow(tag) << QByteArray(type) << literal << kind << fraction << expected;
        };
        using K = ColumnKind;
        row("tinyint", "TINYINT", "-128", K::Integer, 0, "-128");
        row("tinyint unsigned", "TINYINT UNSIGNED", "255", K::Unsigned, 0, "255");
        row("boolean", "BOOLEAN", "TRUE", K::Integer, 0, "1");
        row("smallint", "SMALLINT", "-32768", K::Integer, 0, "-32768");
        row("mediumint unsigned", "MEDIUMINT UNSIGNED", "16777215", K::Unsigned, 0, "16777215");
        row("int", "INT", "-2147483648", K::Integer, 0, "-2147483648");
        row("bigint min", "BIGINT", "-9223372036854775808", K::Integer, 0, "-9223372036854775808");
        row("bigint max", "BIGINT", "9223372036854775807", K::Integer, 0, "9223372036854775807");
        row("bigint unsigned max", "BIGINT UNSIGNED", "18446744073709551615", K::Unsigned, 0,
            "18446744073709551615");
        row("year", "YEAR", "2024", K::Unsigned, 0, "2024");
        row("decimal(65,30)", "DECIMAL(65,30)",
            "-12345678901234567890123456789012345.123456789012345678901234567890", K::Decimal, 0,
            "-12345678901234567890123456789012345.123456789012345678901234567890");
        row("decimal keeps its scale", "DECIMAL(5,2)", "1.5", K::Decimal, 0, "1.50");
        row("float", "FLOAT", "3.14159", K::Float, 0, "3.14159012");
        row("float max", "FLOAT", "3.4028234e38", K::Float, 0, "3.40282347e+38");
        row("float subnormal", "FLOAT", "1.4e-45", K::Float, 0, "1.40129846e-45");
        row("double", "DOUBLE", "0.1", K::Double, 0, "0.10000000000000001");
        row("double extreme", "DOUBLE", "-1.7976931348623157e308", K::Double, 0,
            "-1.7976931348623157e+308");
        row("date", "DATE", "'2024-02-29'", K::Date, 0, "2024-02-29");
        row("zero date", "DATE", "'0000-00-00'", K::Date, 0, "0000-00-00");
        row("date with zero month and day", "DATE", "'2024-00-00'", K::Date, 0, "2024-00-00");
        row("datetime", "DATETIME", "'2024-02-29 23:59:59'", K::DateTime, 0,
            "2024-02-29 23:59:59.000000");
        row("datetime(6)", "DATETIME(6)", "'1000-01-01 00:00:00.000001'", K::DateTime, 6,
            "1000-01-01 00:00:00.000001");
        row("datetime(6) without fraction", "DATETIME(6)", "'9999-12-31 23:59:59'", K::DateTime, 6,
            "9999-12-31 23:59:59.000000");
        row("zero datetime", "DATETIME", "'0000-00-00 00:00:00'", K::DateTime, 0,
            "0000-00-00 00:00:00.000000");
        row("timestamp(3)", "TIMESTAMP(3) NULL", "'2038-01-19 03:14:07.5'", K::DateTime, 3,
            "2038-01-19 03:14:07.500000");
        row("time lowest", "TIME(6)", "'-838:59:59.000000'", K::Time, 6, "-838:59:59.000000");
        row("time highest", "TIME", "'838:59:59'", K::Time, 0, "838:59:59.000000");
        row("time beyond a day", "TIME(1)", "'25:00:00.5'", K::Time, 1, "25:00:00.500000");
        row("time just below zero", "TIME(2)", "'-00:00:00.25'", K::Time, 2, "-00:00:00.250000");
        row("bit(1) set", "BIT(1)", "b'1'", K::Bit, 0, "1");
        row("bit(1) clear", "BIT(1)", "b'0'", K::Bit, 0, "0");
        row("bit(8)", "BIT(8)", "b'10000001'", K::Bit, 0, "129");
        row("bit(12)", "BIT(12)", "b'101010101010'", K::Bit, 0, "2730");
        row("bit(64)", "BIT(64)", "~0", K::Bit, 0, "18446744073709551615");
        row("blob with zero bytes", "BLOB", "x'00ff0000'", K::Bytes, 0, "00ff0000");
        row("empty blob", "BLOB", "''", K::Bytes, 0, "");
        row("varbinary", "VARBINARY(8)", "x'0001'", K::Bytes, 0, "0001");
        row("binary pads", "BINARY(4)", "'ab'", K::Bytes, 0, "61620000");
        row("long blob", "LONGBLOB", "REPEAT(x'00ff', 400000)", K::Bytes, 0,
            QByteArray::fromStdString(repeated("00ff", 400000)));
        row("blob full", "BLOB", "REPEAT(x'ff', 65535)", K::Bytes, 0,
            QByteArray::fromStdString(repeated("ff", 65535)));
        row("latin1 text full, twice as long as UTF-8", "TEXT CHARACTER SET latin1",
            "REPEAT('é', 65535)", K::Text, 0, QByteArray::fromStdString(repeated("é", 65535)));
        row("tinytext full of emoji", "TINYTEXT", "REPEAT('😀', 63)", K::Text, 0,
            QByteArray::fromStdString(repeated("😀", 63)));
        row("emoji and non-Latin text", "TEXT", "'😀 Ελληνικά 日本語'", K::Text, 0,
            "😀 Ελληνικά 日本語");
        row("varchar full of emoji", "VARCHAR(255)", "REPEAT('😀', 255)", K::Text, 0,
            QByteArray::fromStdString(repeated("😀", 255)));
        row("control characters", "VARCHAR(20)", "'a\\r\\nb\\tc'", K::Text, 0, "a\r\nb\tc");
        row("empty text", "VARCHAR(20)", "''", K::Text, 0, "");
        row("char drops its padding", "CHAR(5)", "'ab'", K::Text, 0, "ab");
        row("latin1 column", "VARCHAR(10) CHARACTER SET latin1", "'é'", K::Text, 0, "é");
        row("text of a megabyte", "MEDIUMTEXT", "REPEAT('abcdé', 200000)", K::Text, 0,
            QByteArray::fromStdString(repeated("abcdé", 200000)));
        row("enum", "ENUM('small','large')", "'large'", K::Text, 0, "large");
        row("set", "SET('x','y','z')", "'x,z'", K::Text, 0, "x,z");
        row("json", "JSON", "'{\"a\": [1, 2]}'", K::Text, 0, "{\"a\": [1, 2]}");
    }

    // Each value is stored twice among NULLs, so that it is read both as the current row and
    // among the rows fetched after it.
    void readsEveryKind()
    {
        QFETCH(QByteArray, type);
        QFETCH(QByteArray, literal);
        QFETCH(ColumnKind, kind);
        QFETCH(int, fractionDigits);
        QFETCH(QByteArray, expected);
        const std::string value = literal.toStdString();
        testdb::run(testdb::loginTo(database),
            { "SET SESSION sql_mode = ''", "DROP TABLE IF EXISTS t",
                "CREATE TABLE t (id INT PRIMARY KEY, v " + type.toStdString() + ")",
                "INSERT INTO t VALUES (1, " + value + "), (2, NULL), (3, " + value
                    + "), (4, NULL)" });

        odbc::Connection connection;
        connection.open(buildConnectionString(testdb::loginTo(database)));
        for (const char *order : { "ASC", "DESC" }) {
            odbc::Result result
                = connection.execute(std::string("SELECT v FROM t ORDER BY id ") + order);
            Table table = testdb::readWhole(result);
            QCOMPARE(table.rowCount(), std::size_t(4));
            const Column &column = table.columns[0];
            QCOMPARE(column.name(), std::string("v"));
            QCOMPARE(column.kind(), kind);
            QCOMPARE(column.fractionDigits(), fractionDigits);
            const std::size_t firstValue = order[0] == 'A' ? 0 : 1;
            for (std::size_t row = 0; row < 4; ++row) {
                const bool isValue = row % 2 == firstValue;
                QCOMPARE(QByteArray::fromStdString(describe(column.cell(row))),
                    isValue ? expected : QByteArray("NULL"));
                QCOMPARE(column.cell(row).null, !isValue);
            }
        }
    }

    // Names come as UTF-8 and in the server's order, each with its own kind.
    void describesColumnsOfAWideRow()
    {
        odbc::Connection connection;
        connection.open(buildConnectionString(testdb::loginTo(database)));
        odbc::Result result = connection.execute(
            "SELECT 1 AS `prénom`, 'x' AS `名前`, 2.5 AS d, CAST(1 AS UNSIGNED) AS u");
        Table table = testdb::readWhole(result);
        QCOMPARE(table.columns.size(), std::size_t(4));
        QCOMPARE(table.columns[0].name(), std::string("prénom"));
        QCOMPARE(table.columns[0].kind(), ColumnKind::Integer);
        QCOMPARE(table.columns[1].kind(), ColumnKind::Text);
        QCOMPARE(table.columns[2].kind(), ColumnKind::Decimal);
        QCOMPARE(table.columns[3].kind(), ColumnKind::Unsigned);
        QCOMPARE(table.columns[1].name(), std::string("名前"));
    }
};

QTEST_APPLESS_MAIN(TestOdbcValues)
#include "tst_odbcvalues.moc"
