#include "compare/engine.h"

#include <QTest>

#include <optional>
#include <string>
#include <vector>

using namespace kestrune;

Q_DECLARE_METATYPE(kestrune::Table)

class EngineTest : public QObject {
    Q_OBJECT

private slots:
    void lines_data();
    void lines();
    void appendsAfterEarlierLines();
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

QStringList toList(const TextLines &lines)
{
    QStringList list;
    for (std::size_t i = 0; i < lines.size(); ++i)
        list << QString::fromUtf8(lines.at(i).data(), static_cast<qsizetype>(lines.at(i).size()));
    return list;
}

} // namespace

void EngineTest::lines_data()
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

void EngineTest::lines()
{
    QFETCH(Table, table1);
    QFETCH(Table, table2);
    QFETCH(QByteArray, table2Name);
    QFETCH(QStringList, fieldDifferences);
    QFETCH(QStringList, addedDeleted);

    ComparisonLines out;
    compareTables(table1, table2, table2Name.toStdString(), out);
    QCOMPARE(toList(out.fieldDifferences), fieldDifferences);
    QCOMPARE(toList(out.addedDeleted), addedDeleted);
}

void EngineTest::appendsAfterEarlierLines()
{
    ComparisonLines out;
    out.fieldDifferences.append("earlier difference");
    out.addedDeleted.append("earlier record");
    compareTables(table({ ints("id", { 1, 2 }) }), table({ ints("id", { 0 }) }), "t2", out);

    QCOMPARE(toList(out.fieldDifferences),
        QStringList(
            { "earlier difference", R"(Record 1,Field "id" has changed from "1" to "0")" }));
    QCOMPARE(
        toList(out.addedDeleted), QStringList({ "earlier record", "Record 2 deleted from t2" }));
}

QTEST_APPLESS_MAIN(EngineTest)
#include "tst_engine.moc"
