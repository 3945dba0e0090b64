#include "core/recordcomparer.h"
#include "core/valuecompare.h"

#include <QTest>

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <vector>

using namespace kestrune;

Q_DECLARE_METATYPE(kestrune::Table)

class RecordComparerTest : public QObject {
    Q_OBJECT

private slots:
    void lines_data();
    void lines();
    void appendsAfterEarlierLines();
    void pairedKindsFollowTheValueRule();
};

namespace {

using Ints = std::vector<std::optional<std::int64_t>>;
using Texts = std::vector<std::optional<std::string>>;

Column ints(std::string name, const Ints &values)
{
    Column column(std::move(name), ColumnKind::Integer);
    for (const auto &value : values) {
        if (value)
            column.appendInteger(*value);
        else
            column.appendNull();
    }
    return column;
}

Column texts(std::string name, const Texts &values, ColumnKind kind = ColumnKind::Text)
{
    Column column(std::move(name), kind);
    for (const auto &value : values) {
        if (value)
            column.appendBytes(*value);
        else
            column.appendNull();
    }
    return column;
}

Table table(std::vector<Column> columns) { return Table { std::move(columns) }; }

// Row r of a table of integer and byte columns, as a table of its own.
Table rowOf(const Table &source, std::size_t r)
{
    Table row;
    for (const Column &column : source.columns) {
        Column &copy = row.columns.emplace_back(column.name(), column.kind());
        const Cell cell = column.cell(r);
        if (cell.null)
            copy.appendNull();
        else if (cell.kind == ColumnKind::Integer)
            copy.appendInteger(cell.integer);
        else
            copy.appendBytes(cell.bytes);
    }
    return row;
}

// Both tables at once, from their first rows.
void compareWhole(
    const Table &table1, const Table &table2, const std::string &table2Name, ComparisonLines &out)
{
    RecordComparer comparer(table2Name, out);
    comparer.compare(table1, 0, table2, 0, std::min(table1.rowCount(), table2.rowCount()));
    comparer.finish(table1.rowCount(), table2.rowCount());
}

QStringList toList(const TextLines &lines)
{
    QStringList list;
    for (std::size_t i = 0; i < lines.size(); ++i)
        list << QString::fromUtf8(lines.at(i).data(), static_cast<qsizetype>(lines.at(i).size()));
    return list;
}

} // namespace

void RecordComparerTest::lines_data()
{
    QTest::addColumn<Table>("table1");
    QTest::addColumn<Table>("table2");
    QTest::addColumn<QByteArray>("table2Name");
    QTest::addColumn<QStringList>("fieldDifferences");
    QTest::addColumn<QStringList>("addedDeleted");

    QTest::newRow("equal tables") << table({ ints("id", { 1, 2 }), texts("name", { "a", "b" }) })
                                  << table({ ints("id", { 1, 2 }), texts("name", { "a", "b" }) })
                                  << QByteArray("t2") << QStringList() << QStringList();

    QTest::newRow("differences by record, then column; names from table 1")
        << table({ ints("id", { 1, 2 }), texts("name", { "a", "b" }), ints("qty", { 10, 20 }) })
        << table({ ints("ID", { 1, 3 }), texts("label", { "A", "b" }), ints("amount", { 11, 20 }) })
        << QByteArray("t2")
        << QStringList { R"(Record 1,Field "name" has changed from "a" to "A")",
               R"(Record 1,Field "qty" has changed from "10" to "11")",
               R"(Record 2,Field "id" has changed from "2" to "3")" }
        << QStringList();

    QTest::newRow("table 1 longer: deleted records")
        << table({ ints("id", { 1, 2, 3, 4, 5 }) }) << table({ ints("id", { 1, 2, 3 }) })
        << QByteArray("t2") << QStringList()
        << QStringList { "Record 4 deleted from t2", "Record 5 deleted from t2" };

    QTest::newRow("table 2 longer: added records")
        << table({ ints("id", { 1, 2, 3 }) }) << table({ ints("id", { 1, 2, 3, 4, 5 }) })
        << QByteArray("t2") << QStringList()
        << QStringList { "Record 4 added from t2", "Record 5 added from t2" };

    QTest::newRow("table 2 narrower: its missing column is ignored")
        << table({ ints("id", { 1 }), texts("name", { "a" }), texts("price", { "1.00" }) })
        << table({ ints("id", { 1 }), texts("name", { "b" }) }) << QByteArray("t2")
        << QStringList { R"(Record 1,Field "name" has changed from "a" to "b")" } << QStringList();

    QTest::newRow("table 1 narrower: the surplus column is ignored")
        << table({ ints("id", { 1 }), texts("name", { "a" }) })
        << table({ ints("id", { 1 }), texts("name", { "b" }), texts("price", { "1.00" }) })
        << QByteArray("t2")
        << QStringList { R"(Record 1,Field "name" has changed from "a" to "b")" } << QStringList();

    QTest::newRow("NULL on one side is bare, on both sides no line")
        << table({ texts("name", { std::nullopt, "x", std::nullopt }) })
        << table({ texts("name", { "y", std::nullopt, std::nullopt }) }) << QByteArray("t2")
        << QStringList { R"(Record 1,Field "name" has changed from NULL to "y")",
               R"(Record 2,Field "name" has changed from "x" to NULL)" }
        << QStringList();

    QTest::newRow("row inserted at the top of table 2")
        << table({ ints("id", { 1, 2, 3 }), texts("name", { "a", "b", "c" }) })
        << table({ ints("id", { 0, 1, 2, 3 }), texts("name", { "z", "a", "b", "c" }) })
        << QByteArray("t2")
        << QStringList { R"(Record 1,Field "id" has changed from "1" to "0")",
               R"(Record 1,Field "name" has changed from "a" to "z")",
               R"(Record 2,Field "id" has changed from "2" to "1")",
               R"(Record 2,Field "name" has changed from "b" to "a")",
               R"(Record 3,Field "id" has changed from "3" to "2")",
               R"(Record 3,Field "name" has changed from "c" to "b")" }
        << QStringList { "Record 4 added from t2" };

    QTest::newRow("differences in shared records and deleted records")
        << table({ ints("id", { 1, 2, 3 }) }) << table({ ints("id", { 1, 7 }) }) << QByteArray("t2")
        << QStringList { R"(Record 2,Field "id" has changed from "2" to "7")" }
        << QStringList { "Record 3 deleted from t2" };

    QTest::newRow("values in their text forms, kinds mixed")
        << table({ ints("n", { 5 }), texts("price", { "1.50" }, ColumnKind::Decimal),
               texts("raw", { "\x01" }, ColumnKind::Bytes) })
        << table({ texts("n", { "5" }), texts("price", { "1.5" }, ColumnKind::Decimal),
               texts("raw", { "\x02" }, ColumnKind::Bytes) })
        << QByteArray("t2")
        << QStringList { R"(Record 1,Field "n" has changed from "5" to "5")",
               R"(Record 1,Field "raw" has changed from "0x01" to "0x02")" }
        << QStringList();

    QTest::newRow("table and column names verbatim")
        << table({ texts("näme \"x\"", { "ä" }) }) << table({ texts("other", { "Ä", "b" }) })
        << QByteArray("Tabelle 東")
        << QStringList { R"(Record 1,Field "näme "x"" has changed from "ä" to "Ä")" }
        << QStringList { "Record 2 added from Tabelle 東" };
}

void RecordComparerTest::lines()
{
    QFETCH(Table, table1);
    QFETCH(Table, table2);
    QFETCH(QByteArray, table2Name);
    QFETCH(QStringList, fieldDifferences);
    QFETCH(QStringList, addedDeleted);

    const std::string name = table2Name.toStdString();
    ComparisonLines out;
    compareWhole(table1, table2, name, out);
    QCOMPARE(toList(out.fieldDifferences), fieldDifferences);
    QCOMPARE(toList(out.addedDeleted), addedDeleted);

    // The same with table 1 coming a row at a time and table 2 whole: the rows of two batches
    // are paired from where each has got to.
    ComparisonLines streamed;
    RecordComparer comparer(name, streamed);
    for (std::size_t r = 0; r < std::min(table1.rowCount(), table2.rowCount()); ++r)
        comparer.compare(rowOf(table1, r), 0, table2, r, 1);
    comparer.finish(table1.rowCount(), table2.rowCount());
    QCOMPARE(toList(streamed.fieldDifferences), fieldDifferences);
    QCOMPARE(toList(streamed.addedDeleted), addedDeleted);
}

void RecordComparerTest::appendsAfterEarlierLines()
{
    ComparisonLines out;
    out.fieldDifferences.append("earlier difference");
    out.addedDeleted.append("earlier record");
    compareWhole(table({ ints("id", { 1, 2 }) }), table({ ints("id", { 0 }) }), "t2", out);

    QCOMPARE(toList(out.fieldDifferences),
        QStringList(
            { "earlier difference", R"(Record 1,Field "id" has changed from "1" to "0")" }));
    QCOMPARE(
        toList(out.addedDeleted), QStringList({ "earlier record", "Record 2 deleted from t2" }));
}

// Columns of one kind (or of kinds stored alike) are compared on their stored form; every pair of
// sample values must still differ exactly when the value rule says so.
void RecordComparerTest::pairedKindsFollowTheValueRule()
{
    using K = ColumnKind;
    using Append = std::function<void(Column &)>;
    const Append null = [](Column &c) { c.appendNull(); };
    auto i = [](std::int64_t v) -> Append { return [v](Column &c) { c.appendInteger(v); }; };
    auto u = [](std::uint64_t v) -> Append { return [v](Column &c) { c.appendUnsigned(v); }; };
    auto f = [](double v) -> Append { return [v](Column &c) { c.appendFloating(v); }; };
    auto b = [](const std::string &v) -> Append { return [v](Column &c) { c.appendBytes(v); }; };
    auto moment = [&](int y, int m, int d, int h = 0, int us = 0) {
        return i(packDateTime({ y, m, d, h, 0, 0, us }));
    };
    const std::vector<Append> integers { null, i(0), i(-1), i(1), i(INT64_MIN), i(INT64_MAX) };
    const std::vector<Append> unsigneds { null, u(0), u(1), u(UINT64_MAX) };
    const std::vector<Append> doubles { null, f(0.0), f(-0.0), f(0.1), f(0.30000000000000004),
        f(1e308), f(-1e-308) };
    const std::vector<Append> floats { null, f(0.1f), f(0.1), f(3.4028234e38f) };
    const std::vector<Append> decimals { null, b("1"), b("1.0"), b("1.50"), b("1.5"), b("-0.00"),
        b("0"), b("12345678901234567890.1"), b("12345678901234567890.2") };
    const std::vector<Append> strings { null, b(""), b("abc"), b("ABC"), b("abc "),
        b(std::string("a\0b", 3)), b(std::string("a\0c", 3)) };
    const std::vector<Append> moments { null, moment(2024, 1, 1), moment(2024, 1, 1, 1),
        moment(2024, 1, 1, 0, 1), moment(0, 0, 0) };
    const std::vector<Append> durations { null, i(packTime(false, 1, 0, 0, 0)),
        i(packTime(true, 1, 0, 0, 0)), i(packTime(false, 838, 59, 59, 999999)) };
    struct Case {
        K kind1;
        const std::vector<Append> &values1;
        K kind2;
        const std::vector<Append> &values2;
    };
    const Case cases[] = {
        { K::Integer, integers, K::Integer, integers },
        { K::Unsigned, unsigneds, K::Bit, unsigneds },
        { K::Bit, unsigneds, K::Unsigned, unsigneds },
        { K::Integer, integers, K::Unsigned, unsigneds },
        { K::Double, doubles, K::Double, doubles },
        { K::Float, floats, K::Float, floats },
        { K::Float, floats, K::Double, floats },
        { K::Decimal, decimals, K::Decimal, decimals },
        { K::Text, strings, K::Text, strings },
        { K::Bytes, strings, K::Bytes, strings },
        { K::Text, strings, K::Bytes, strings },
        { K::Date, moments, K::DateTime, moments },
        { K::DateTime, moments, K::DateTime, moments },
        { K::Time, durations, K::Time, durations },
        { K::Time, durations, K::DateTime, moments },
    };
    for (const Case &pairing : cases) {
        // Every value of the first list against every value of the second, a record each.
        Column column1("v", pairing.kind1);
        Column column2("v", pairing.kind2);
        for (const Append &first : pairing.values1) {
            for (const Append &second : pairing.values2) {
                first(column1);
                second(column2);
            }
        }
        QStringList expected;
        for (std::size_t row = 0; row < column1.size(); ++row) {
            if (cellsDiffer(column1.cell(row), column2.cell(row)))
                expected << QString::number(row + 1);
        }
        ComparisonLines out;
        compareWhole(table({ column1 }), table({ column2 }), "t2", out);
        QStringList found;
        for (const QString &line : toList(out.fieldDifferences))
            found << line.section(QLatin1Char(','), 0, 0).mid(7);
        QCOMPARE(found, expected);
        QVERIFY(out.addedDeleted.empty());
    }
}

QTEST_APPLESS_MAIN(RecordComparerTest)
#include "tst_recordcomparer.moc"
