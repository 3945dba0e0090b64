#include "core/recordcomparer.h"
#include "core/textwriter.h"
#include "core/valuecompare.h"
#include "engine/comparetables.h"

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

// Rows from `from` of a table, `count` of them, as a table of their own.
Table rowsOf(const Table &source, std::size_t from, std::size_t count)
{
    Table rows;
    for (const Column &column : source.columns) {
        Column &copy
            = rows.columns.emplace_back(column.name(), column.kind(), column.fractionDigits());
        for (std::size_t r = from; r < from + count; ++r)
            copy.appendCell(column.cell(r));
    }
    return rows;
}

// A table held in memory, handed out `rowsetRows` rows at a time.
class MemoryReader final : public TableReader {
public:
    MemoryReader(const Table &table, std::size_t rowsetRows)
        : m_table(table)
        , m_rowsetRows(rowsetRows)
    {
    }
    void open() override { }
    bool next(Table &rows) override
    {
        const std::size_t count = std::min(m_rowsetRows, m_table.rowCount() - m_at);
        rows = rowsOf(m_table, m_at, count);
        m_at += count;
        return count > 0;
    }
    long long expectedRows() const override { return -1; }

private:
    const Table &m_table;
    std::size_t m_rowsetRows;
    std::size_t m_at = 0;
};

std::vector<ColumnShape> shapeOf(const Table &table)
{
    std::vector<ColumnShape> shape;
    for (const Column &column : table.columns)
        shape.push_back({ column.name(), column.kind(), column.fractionDigits() });
    return shape;
}

// Both tables at once, from their first rows.
void compareWhole(
    const Table &table1, const Table &table2, const std::string &table2Name, ComparisonLines &out)
{
    TextWriter writer({}, table2Name, out);
    RecordComparer comparer(pairByPosition(table1.columns.size(), table2.columns.size()), writer);
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
    QTest::addColumn<QStringList>("key"); // none: records pair by position
    QTest::addColumn<QString>("error"); // a pairing refused or failed, as PairingError says it

    QTest::newRow("equal tables") << table({ ints("id", { 1, 2 }), texts("name", { "a", "b" }) })
                                  << table({ ints("id", { 1, 2 }), texts("name", { "a", "b" }) })
                                  << QByteArray("t2") << QStringList() << QStringList()
                                  << QStringList() << QString();

    QTest::newRow("differences by record, then column; names from table 1")
        << table({ ints("id", { 1, 2 }), texts("name", { "a", "b" }), ints("qty", { 10, 20 }) })
        << table({ ints("ID", { 1, 3 }), texts("label", { "A", "b" }), ints("amount", { 11, 20 }) })
        << QByteArray("t2")
        << QStringList { R"(Record 1,Field "name" has changed from "a" to "A")",
               R"(Record 1,Field "qty" has changed from "10" to "11")",
               R"(Record 2,Field "id" has changed from "2" to "3")" }
        << QStringList() << QStringList() << QString();

    QTest::newRow("table 1 longer: deleted records")
        << table({ ints("id", { 1, 2, 3, 4, 5 }) }) << table({ ints("id", { 1, 2, 3 }) })
        << QByteArray("t2") << QStringList()
        << QStringList { "Record 4 deleted from t2", "Record 5 deleted from t2" } << QStringList()
        << QString();

    QTest::newRow("table 2 longer: added records")
        << table({ ints("id", { 1, 2, 3 }) }) << table({ ints("id", { 1, 2, 3, 4, 5 }) })
        << QByteArray("t2") << QStringList()
        << QStringList { "Record 4 added from t2", "Record 5 added from t2" } << QStringList()
        << QString();

    QTest::newRow("table 2 narrower: its missing column is ignored")
        << table({ ints("id", { 1 }), texts("name", { "a" }), texts("price", { "1.00" }) })
        << table({ ints("id", { 1 }), texts("name", { "b" }) }) << QByteArray("t2")
        << QStringList { R"(Record 1,Field "name" has changed from "a" to "b")" } << QStringList()
        << QStringList() << QString();

    QTest::newRow("table 1 narrower: the surplus column is ignored")
        << table({ ints("id", { 1 }), texts("name", { "a" }) })
        << table({ ints("id", { 1 }), texts("name", { "b" }), texts("price", { "1.00" }) })
        << QByteArray("t2")
        << QStringList { R"(Record 1,Field "name" has changed from "a" to "b")" } << QStringList()
        << QStringList() << QString();

    QTest::newRow("NULL on one side is bare, on both sides no line")
        << table({ texts("name", { std::nullopt, "x", std::nullopt }) })
        << table({ texts("name", { "y", std::nullopt, std::nullopt }) }) << QByteArray("t2")
        << QStringList { R"(Record 1,Field "name" has changed from NULL to "y")",
               R"(Record 2,Field "name" has changed from "x" to NULL)" }
        << QStringList() << QStringList() << QString();

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
        << QStringList { "Record 4 added from t2" } << QStringList() << QString();

    QTest::newRow("differences in shared records and deleted records")
        << table({ ints("id", { 1, 2, 3 }) }) << table({ ints("id", { 1, 7 }) }) << QByteArray("t2")
        << QStringList { R"(Record 2,Field "id" has changed from "2" to "7")" }
        << QStringList { "Record 3 deleted from t2" } << QStringList() << QString();

    QTest::newRow("values in their text forms, kinds mixed")
        << table({ ints("n", { 5 }), texts("price", { "1.50" }, ColumnKind::Decimal),
               texts("raw", { "\x01" }, ColumnKind::Bytes) })
        << table({ texts("n", { "5" }), texts("price", { "1.5" }, ColumnKind::Decimal),
               texts("raw", { "\x02" }, ColumnKind::Bytes) })
        << QByteArray("t2")
        << QStringList { R"(Record 1,Field "n" has changed from "5" to "5")",
               R"(Record 1,Field "raw" has changed from "0x01" to "0x02")" }
        << QStringList() << QStringList() << QString();

    QTest::newRow("table and column names verbatim")
        << table({ texts("näme \"x\"", { "ä" }) }) << table({ texts("other", { "Ä", "b" }) })
        << QByteArray("Tabelle 東")
        << QStringList { R"(Record 1,Field "näme "x"" has changed from "ä" to "Ä")" }
        << QStringList { "Record 2 added from Tabelle 東" } << QStringList() << QString();

    // Records paired by key: the lines tell each record by its key, in the key's order.
    const QStringList id { "id" };
    QTest::newRow("by key: rows inserted and deleted in the middle")
        << table({ ints("id", { 1, 2, 4, 5, 7 }), texts("name", { "a", "b", "d", "e", "g" }) })
        << table({ ints("id", { 1, 3, 4, 5, 6, 8 }),
               texts("name", { "a", "c", "D", "e", "f", "h" }) })
        << QByteArray("t2")
        << QStringList { R"(Record id=4,Field "name" has changed from "d" to "D")" }
        << QStringList { "Record id=2 deleted from t2", "Record id=3 added from t2",
               "Record id=6 added from t2", "Record id=7 deleted from t2",
               "Record id=8 added from t2" }
        << id << QString();
    QTest::newRow("by key: columns by name in another order and case, table 1's spelling")
        << table(
               { ints("id", { 1, 2 }), texts("Città", { "Lyon", "Nice" }), ints("qty", { 3, 4 }) })
        << table(
               { ints("QTY", { 3, 5 }), ints("ID", { 1, 2 }), texts("CITTÀ", { "LYON", "Nice" }) })
        << QByteArray("t2")
        << QStringList { R"(Record id=1,Field "Città" has changed from "Lyon" to "LYON")",
               R"(Record id=2,Field "qty" has changed from "4" to "5")" }
        << QStringList() << QStringList { "ID" } << QString();
    QTest::newRow("by key: a column in one table only is not compared")
        << table({ ints("id", { 1 }), texts("price", { "1.00" }), texts("name", { "a" }) })
        << table({ ints("id", { 1 }), texts("name", { "b" }), texts("colour", { "red" }) })
        << QByteArray("t2")
        << QStringList { R"(Record id=1,Field "name" has changed from "a" to "b")" }
        << QStringList() << id << QString();
    QTest::newRow("by key: a composite key of a text and a number; texts by their bytes")
        << table({ texts("code", { "A 17", "A 17", "B", "a", "é" }),
               ints("year", { 2023, 2024, 1, 1, 1 }), ints("qty", { 1, 3, 1, 1, 1 }) })
        << table({ texts("code", { "A 17", "B", "a", "é" }), ints("year", { 2024, 1, 1, 1 }),
               ints("qty", { 4, 1, 2, 1 }) })
        << QByteArray("t2")
        << QStringList { R"(Record code="A 17" year=2024,Field "qty" has changed from "3" to "4")",
               R"(Record code="a" year=1,Field "qty" has changed from "1" to "2")" }
        << QStringList { R"(Record code="A 17" year=2023 deleted from t2)" }
        << QStringList { "code", "year" } << QString();
    QTest::newRow("by key: an integer key against a decimal key, by value")
        << table({ ints("id", { 1, 2, 10 }), ints("v", { 1, 2, 3 }) })
        << table({ texts("id", { "1.00", "2.50", "10.0" }, ColumnKind::Decimal),
               ints("v", { 1, 2, 4 }) })
        << QByteArray("t2")
        << QStringList { R"(Record id=10,Field "v" has changed from "3" to "4")" }
        << QStringList { "Record id=2 deleted from t2", "Record id=2.50 added from t2" } << id
        << QString();
    QTest::newRow("by key: an empty table, every record added")
        << table({ ints("id", {}), texts("name", {}) })
        << table({ ints("id", { 1, 2 }), texts("name", { "a", "b" }) }) << QByteArray("t2")
        << QStringList() << QStringList { "Record id=1 added from t2", "Record id=2 added from t2" }
        << id << QString();
    QTest::newRow("by key: a key that repeats")
        << table({ ints("id", { 1, 5, 5 }) }) << table({ ints("id", { 1 }) }) << QByteArray("t2")
        << QStringList() << QStringList() << id << QString("t1: key id=5 appears twice");
    QTest::newRow("by key: a NULL key")
        << table({ ints("id", { 1, 2 }) }) << table({ ints("id", { 1, std::nullopt }) })
        << QByteArray("t2") << QStringList() << QStringList() << id
        << QString("t2: key column id holds NULL");
    QTest::newRow("by key: rows out of the key's order")
        << table({ ints("id", { 1, 2, 3 }) }) << table({ ints("id", { 1, 3, 2 }) })
        << QByteArray("t2") << QStringList() << QStringList() << id
        << QString("t2: key id=2 arrives after id=3, out of the key's order");
    QTest::newRow("by key: texts that differ in case only are two keys")
        << table({ texts("k", { "ABC", "abc" }) }) << table({ texts("k", { "abc" }) })
        << QByteArray("t2") << QStringList() << QStringList { R"(Record k="ABC" deleted from t2)" }
        << QStringList { "k" } << QString();
    QTest::newRow("by key: a key column table 2 lacks")
        << table({ ints("id", { 1 }) }) << table({ ints("nr", { 1 }) }) << QByteArray("t2")
        << QStringList() << QStringList() << id << QString("t2: no column named id");
    QTest::newRow("by key: unlike kinds")
        << table({ ints("id", { 1 }) }) << table({ texts("id", { "1" }) }) << QByteArray("t2")
        << QStringList() << QStringList() << id
        << QString("key column id is a number in t1 but a text in t2");
}

void RecordComparerTest::lines()
{
    QFETCH(Table, table1);
    QFETCH(Table, table2);
    QFETCH(QByteArray, table2Name);
    QFETCH(QStringList, fieldDifferences);
    QFETCH(QStringList, addedDeleted);
    QFETCH(QStringList, key);
    QFETCH(QString, error);

    Comparison comparison { "t1", table2Name.toStdString() };
    if (!key.isEmpty()) {
        std::vector<std::string> names;
        for (const QString &name : key)
            names.push_back(name.toStdString());
        try {
            comparison.byKey
                = planKeyPairing("t1", shapeOf(table1), comparison.table2, shapeOf(table2), names);
        } catch (const PairingError &refused) {
            QCOMPARE(QString::fromStdString(refused.what()), error);
            return;
        }
    }
    // Rowsets of any size on either side, a boundary between any two rows among them.
    for (auto [rows1, rows2] :
        { std::pair<std::size_t, std::size_t>(1000, 1000), { 1, 1000 }, { 1000, 1 }, { 2, 3 } }) {
        MemoryReader reader1(table1, rows1);
        MemoryReader reader2(table2, rows2);
        ComparisonLines out;
        try {
            QCOMPARE(compareTables(reader1, reader2, comparison, out).empty, EmptyTable::None);
            QVERIFY2(error.isEmpty(), qPrintable(error));
        } catch (const PairingError &failed) {
            QCOMPARE(QString::fromStdString(failed.what()), error);
            continue;
        }
        QCOMPARE(toList(out.fieldDifferences), fieldDifferences);
        QCOMPARE(toList(out.addedDeleted), addedDeleted);
    }
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
