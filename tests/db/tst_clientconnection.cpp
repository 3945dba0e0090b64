#include "core/valuecompare.h"
#include "db/dialect/rowhash.h"
#include "db/mariadb/clientconnection.h"
#include "db/mariadb/streamedstatement.h"
#include "db/mariadb/streamedtablereader.h"
#include "support/randomtables.h"
#include "support/testdb.h"

#include <QStringList>
#include <QTest>

#include <memory>

using namespace kestrune;

namespace {

const std::string database = "kt_client_connection";
const std::string otherDatabase = "kt_client_other";
constexpr std::size_t randomRows = 3000; // as randomTables() makes them

QStringList described(const std::vector<ColumnShape> &columns)
{
    QStringList shapes;
    for (const ColumnShape &column : columns)
        shapes << QString("%1 kind %2, %3 digits")
                      .arg(QString::fromStdString(column.name))
                      .arg(static_cast<int>(column.kind))
                      .arg(column.fractionDigits);
    return shapes;
}

QStringList described(const Table &rows)
{
    std::vector<ColumnShape> columns;
    for (const Column &column : rows.columns)
        columns.push_back({ column.name(), column.kind(), column.fractionDigits() });
    return described(columns);
}

// A whole table as the command line reads it, in the order of its key.
Table readWhole(ClientConnection &connection, const std::string &table)
{
    StreamedTableReader reader(connection, TableQuery { table, { { "id" } } });
    reader.open();
    Table whole;
    for (Table rows; reader.next(rows);) {
        if (whole.columns.empty()) {
            for (const Column &column : rows.columns)
                whole.columns.emplace_back(column.name(), column.kind(), column.fractionDigits());
        }
        for (std::size_t c = 0; c < rows.columns.size(); ++c) {
            for (std::size_t row = 0; row < rows.rowCount(); ++row)
                whole.columns[c].appendCell(rows.columns[c].cell(row));
        }
    }
    return whole;
}

// Each column's hash of every row, in the order of the key, then the whole row's.
std::vector<std::vector<std::optional<std::string>>> hashes(
    ClientConnection &connection, const std::string &table, std::size_t columns)
{
    const std::vector<ColumnShape> shape = connection.describe(table);
    const auto details = connection.columnDetails(table);
    std::vector<HashedColumn> every;
    for (std::size_t c = 0; c < columns; ++c) {
        HashedColumn &column = every.emplace_back(HashedColumn { shape[c].name, shape[c].kind });
        for (const ColumnDetails &named : details) {
            if (named.name == column.name)
                column.characterSet = named.characterSet;
        }
    }
    std::string sql = "select ";
    for (const HashedColumn &column : every)
        sql += "hex(" + rowHashSql({ column }, "s") + "),";
    sql += "hex(" + rowHashSql(every, "s") + ") from " + table + " order by id";
    return connection.textRows(sql);
}

// A whole table's figures through the session variable, then without it.
std::vector<std::optional<std::string>> figuresBothWays(
    ClientConnection &connection, const std::string &table)
{
    std::vector<HashedColumn> every;
    for (const ColumnShape &column : connection.describe(table))
        every.push_back({ column.name, column.kind, "" });
    const std::string hash = rowHashSql(every, "s");
    return connection
        .textRows("select " + rangeFiguresSql(hash, true) + "," + rangeFiguresSql(hash, false)
            + " from " + table + " group by id div 1000000")
        .at(0);
}

} // namespace

class TestClientConnection : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        testdb::run(testdb::freshDatabase(database), randomTables());
        testdb::run(testdb::loginTo(database),
            { "CREATE TABLE keyed (a INT, b VARCHAR(10), c INT, PRIMARY KEY (b, a))",
                "CREATE TABLE unkeyed (a INT, UNIQUE KEY (a))",
                // The same texts in two character sets; values that move between columns, and
                // FLOATs whose own texts are one.
                "CREATE TABLE texts_wide (id INT PRIMARY KEY, a VARCHAR(10), b CHAR(5), c TEXT, "
                "f FLOAT) CHARACTER SET utf8mb4",
                "CREATE TABLE texts_narrow (id INT PRIMARY KEY, a VARCHAR(10), b CHAR(5), c TEXT, "
                "f FLOAT) CHARACTER SET latin1",
                "INSERT INTO texts_wide VALUES (1, 'é', 'ä ', 'E', 1.0000001), "
                "(2, '', NULL, 'NULL', NULL), (3, 'ab', 'c', '', 0), (4, NULL, '', NULL, -0.5), "
                "(5, 'a#b', 'c', 'N', 1)",
                "INSERT INTO texts_narrow SELECT * FROM texts_wide",
                "CREATE TABLE texts_moved LIKE texts_wide",
                "INSERT INTO texts_moved VALUES (1, 'e', 'ä ', 'é', 1.0000002), "
                "(2, NULL, '', 'NULL', 0), (3, 'a', 'bc', '', NULL), (4, '', NULL, NULL, -0.5), "
                "(5, 'a', 'b#c', 'N', 1)",
                // Texts against their own bytes, which the comparison never calls equal.
                "CREATE TABLE texts_bytes (id INT PRIMARY KEY, a VARBINARY(10), b CHAR(5), "
                "c BLOB, f FLOAT)",
                "INSERT INTO texts_bytes SELECT * FROM texts_wide" });
        testdb::run(
            testdb::freshDatabase(otherDatabase), { "CREATE TABLE unkeyed (x INT PRIMARY KEY)" });
    }

    void cleanupTestCase()
    {
        testdb::run(
            { "DROP DATABASE `" + database + "`", "DROP DATABASE `" + otherDatabase + "`" });
    }

    // Described before reading, on the connection that then reads the table: the columns of its
    // rowsets, every kind among them.
    void describeGivesTheReadersColumns_data()
    {
        QTest::addColumn<QString>("table");
        for (const char *table : { "random_a", "random_c", "random_view" })
            QTest::newRow(table) << QString(table);
    }

    void describeGivesTheReadersColumns()
    {
        QFETCH(QString, table);
        auto connection = std::make_unique<ClientConnection>(testdb::loginTo(database));
        const QStringList expected = described(connection->describe(table.toStdString()));
        StreamedTableReader reader(std::move(connection), { table.toStdString() }, true);
        reader.open();
        Table rows;
        QVERIFY(reader.next(rows));
        QCOMPARE(described(rows), expected);
        std::size_t read = rows.rowCount();
        while (reader.next(rows))
            read += rows.rowCount();
        QCOMPARE(read, randomRows);
    }

    void describingAMissingTableThrowsTheServersText()
    {
        ClientConnection connection(testdb::loginTo(database));
        try {
            connection.describe("nosuch");
            QFAIL("described a missing table");
        } catch (const ClientLibraryError &error) {
            QCOMPARE(QString(error.what()),
                QString("Table '" + QString::fromStdString(database) + ".nosuch' doesn't exist"));
        }
    }

    void primaryKey_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QStringList>("key");
        QTest::newRow("one column") << "random_a" << QStringList { "id" };
        QTest::newRow("two columns, in the key's order") << "keyed" << QStringList { "b", "a" };
        // Its unique key is no primary key, nor is the key of its namesake in another database.
        QTest::newRow("none") << "unkeyed" << QStringList();
    }

    void primaryKey()
    {
        QFETCH(QString, table);
        QFETCH(QStringList, key);
        ClientConnection connection(testdb::loginTo(database));
        QStringList found;
        for (const std::string &column : connection.primaryKey(table.toStdString()))
            found << QString::fromStdString(column);
        QCOMPARE(found, key);
    }

    // Two values the comparison tells apart never have one hash, on any two servers: each
    // column's, and so the row's; and the same values have one whatever their character set.
    void checksumsNeverLaxerThanTheComparison_data()
    {
        QTest::addColumn<QString>("table1");
        QTest::addColumn<QString>("table2");
        QTest::addColumn<bool>("sameTypes");
        QTest::newRow("every kind, other values") << "random_a"
                                                  << "random_b" << true;
        QTest::newRow("every kind against another") << "random_a"
                                                    << "random_c" << false;
        QTest::newRow("every kind, the same values") << "random_a"
                                                     << "random_a_copy" << true;
        QTest::newRow("texts in two character sets") << "texts_wide"
                                                     << "texts_narrow" << true;
        QTest::newRow("values moved between columns") << "texts_wide"
                                                      << "texts_moved" << true;
        QTest::newRow("texts against their bytes") << "texts_wide"
                                                   << "texts_bytes" << false;
    }

    void checksumsNeverLaxerThanTheComparison()
    {
        QFETCH(QString, table1);
        QFETCH(QString, table2);
        QFETCH(bool, sameTypes);
        ClientConnection connection(testdb::loginTo(database));
        const Table rows1 = readWhole(connection, table1.toStdString());
        const Table rows2 = readWhole(connection, table2.toStdString());
        QCOMPARE(rows1.rowCount(), rows2.rowCount());
        const std::size_t columns = std::min(rows1.columns.size(), rows2.columns.size());
        const auto sums1 = hashes(connection, table1.toStdString(), columns);
        const auto sums2 = hashes(connection, table2.toStdString(), columns);
        QCOMPARE(sums1.size(), rows1.rowCount());
        std::size_t differing = 0;
        for (std::size_t row = 0; row < rows1.rowCount(); ++row) {
            bool rowDiffers = false;
            for (std::size_t c = 0; c < columns; ++c) {
                const bool differs
                    = cellsDiffer(rows1.columns[c].cell(row), rows2.columns[c].cell(row));
                rowDiffers = rowDiffers || differs;
                const QString where = QString("row %1, column %2").arg(row + 1).arg(c);
                QVERIFY2(sums1[row].at(c) && sums2[row].at(c), qPrintable(where));
                if (differs)
                    QVERIFY2(sums1[row][c] != sums2[row][c], qPrintable(where));
                else if (sameTypes)
                    QVERIFY2(sums1[row][c] == sums2[row][c], qPrintable(where));
            }
            if (rowDiffers)
                QVERIFY(sums1[row][columns] != sums2[row][columns]);
            else if (sameTypes)
                QCOMPARE(sums1[row][columns], sums2[row][columns]);
            differing += rowDiffers ? 1 : 0;
        }
        // The pairs that should differ do, so the test is not vacuous.
        QCOMPARE(differing > 0, table2 != "random_a_copy" && table2 != "texts_narrow");
        // The session variable gives the figures the hash gives worked out for each, every row
        // figured.
        const auto figures = figuresBothWays(connection, table1.toStdString());
        QCOMPARE(figuresOf(figures, 0), figuresOf(figures, 6));
        QCOMPARE(figuresOf(figures, 0).figured, static_cast<long long>(rows1.rowCount()));
    }

    // A statement left before its last row is closed with it, and the connection runs the next.
    void statementsOneAfterAnother()
    {
        ClientConnection connection(testdb::loginTo(database));
        {
            StreamedStatement first(connection);
            first.execute("select * from random_a");
            Table rows;
            rows.columns.reserve(first.columns().size());
            for (const ColumnShape &column : shapesOf(first.columns()))
                rows.columns.emplace_back(column.name, column.kind, column.fractionDigits);
            QVERIFY(first.fill(rows));
            QVERIFY(rows.rowCount() < randomRows);
        }
        StreamedStatement second(connection);
        second.execute("select id from random_b order by id desc");
        Table rows;
        rows.columns.emplace_back("id", ColumnKind::Integer, 0);
        std::size_t read = 0;
        for (bool more = true; more; read = rows.rowCount())
            more = second.fill(rows);
        QCOMPARE(read, randomRows);
        QCOMPARE(rows.columns[0].cell(0).integer, std::int64_t(randomRows));
        QCOMPARE(rows.columns[0].cell(randomRows - 1).integer, std::int64_t(1));
    }
};

QTEST_APPLESS_MAIN(TestClientConnection)
#include "tst_clientconnection.moc"
