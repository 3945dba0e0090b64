#include "db/clientconnection.h"
#include "db/streamedstatement.h"
#include "db/streamedtablereader.h"
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

} // namespace

class TestClientConnection : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        testdb::run(testdb::freshDatabase(database), randomTables());
        testdb::run(testdb::loginTo(database),
            { "CREATE TABLE keyed (a INT, b VARCHAR(10), c INT, PRIMARY KEY (b, a))",
                "CREATE TABLE unkeyed (a INT, UNIQUE KEY (a))" });
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
