#include "db/connectionstring.h"
#include "db/odbc/odbc.h"
#include "db/odbc/tablelisting.h"
#include "support/testdb.h"

#include <QTest>

#include <algorithm>
#include <optional>

using namespace kestrune;

namespace {

const std::string database = "kt_odbc_result";
const std::string showDatabase = "kt_odbc_show";
const std::string noTablesDatabase = "kt_odbc_notables";
constexpr int manyRows = 2500; // more than two of the layer's rowsets

template <typename F> std::optional<std::string> errorOf(F &&f)
{
    try {
        f();
    } catch (const std::exception &error) {
        return std::string(error.what());
    }
    return std::nullopt;
}

std::string utf8(std::string_view s) { return std::string(s); }

} // namespace

class TestOdbcResult : public QObject {
    Q_OBJECT

    odbc::Connection m_connection;

private slots:
    void initTestCase()
    {
        testdb::run(testdb::freshDatabase(showDatabase),
            { "CREATE TABLE alpha (id INT)", "CREATE TABLE `with blank` (id INT)",
                "CREATE TABLE `tábla` (id INT)" });
        testdb::freshDatabase(noTablesDatabase);
        testdb::run(testdb::freshDatabase(database),
            { "CREATE TABLE nothing (id INT, name VARCHAR(10))",
                "CREATE TABLE many (id INT PRIMARY KEY, label VARCHAR(20), note TEXT, "
                "amount DOUBLE, stamp DATETIME(6))",
                "INSERT INTO many SELECT seq, CONCAT('row ', seq), "
                "IF(seq % 7 = 0, NULL, REPEAT('é', seq % 300)), IF(seq % 3 = 0, NULL, seq / 4), "
                "IF(seq % 5 = 0, NULL, TIMESTAMP('2024-01-01') + INTERVAL seq SECOND "
                "+ INTERVAL seq MICROSECOND) FROM seq_1_to_"
                    + std::to_string(manyRows) });
        m_connection.open(buildConnectionString(testdb::loginTo(database)));
    }

    void cleanupTestCase()
    {
        m_connection.close();
        testdb::run({ "DROP DATABASE `" + database + "`", "DROP DATABASE `" + showDatabase + "`",
            "DROP DATABASE `" + noTablesDatabase + "`" });
    }

    // How the table list is read: the count once, then the first field twice a row.
    void showTablesListsEveryTable()
    {
        odbc::Connection connection;
        connection.open(buildConnectionString(testdb::loginTo(showDatabase)));
        odbc::Result result = connection.execute("SHOW TABLES;");
        const long long count = result.recordCount();
        QCOMPARE(count, 3LL);
        std::vector<std::string> names;
        for (long long i = 0; i < count; ++i) {
            QVERIFY(!result.eof());
            names.push_back(result.firstField());
            QCOMPARE(result.firstField(), names.back());
            result.moveNext();
        }
        QVERIFY(result.eof());
        std::sort(names.begin(), names.end());
        QCOMPARE(names, (std::vector<std::string> { "alpha", "tábla", "with blank" }));
        result.close();
        QVERIFY(!result.isOpen());
    }

    // The login page's listing, a step at a time: every name, the connection closed at the end;
    // a step whose earlier step failed says so.
    void tableListingSteps()
    {
        odbc::Connection connection;
        TableListing listing(&connection);
        listing.connect(testdb::loginTo(showDatabase));
        listing.query();
        std::vector<std::string> names;
        for (int i = listing.count(); i > 0; --i, listing.moveNext())
            names.push_back(listing.name());
        listing.closeNames();
        listing.disconnect();
        std::sort(names.begin(), names.end());
        QCOMPARE(names, (std::vector<std::string> { "alpha", "tábla", "with blank" }));
        QCOMPARE(testdb::openConnections(showDatabase), 0);

        LoginDetails refused = testdb::loginTo(showDatabase);
        refused.password = "not-the-password";
        TableListing failing(&connection);
        std::optional<std::string> error = errorOf([&] { failing.connect(refused); });
        QVERIFY(error && error->find("Access denied") != std::string::npos);
        QVERIFY(errorOf([&] { failing.query(); }));
        const std::string notRead = "Object variable not set: the table list was not read.";
        QCOMPARE(errorOf([&] { failing.count(); }), notRead);
        QCOMPARE(errorOf([&] { failing.name(); }), notRead);
        QCOMPARE(errorOf([&] { failing.closeNames(); }), notRead);
        QCOMPARE(errorOf([&] { failing.disconnect(); }), std::nullopt);
        TableListing withoutConnection(nullptr);
        QCOMPARE(errorOf([&] { withoutConnection.connect(refused); }),
            std::string("Object variable not set: the connection could not be created."));
    }

    void showTablesWithoutTables()
    {
        odbc::Connection connection;
        connection.open(buildConnectionString(testdb::loginTo(noTablesDatabase)));
        odbc::Result result = connection.execute("SHOW TABLES;");
        QCOMPARE(result.recordCount(), 0LL);
        QVERIFY(result.eof());
    }

    void emptyTableIsAtEofWithItsFields()
    {
        odbc::Result result = m_connection.execute("select * from nothing");
        QVERIFY(result.isOpen());
        QVERIFY(result.eof());
        QCOMPARE(result.recordCount(), 0LL);
        Table table = testdb::readWhole(result);
        QCOMPARE(table.columns.size(), std::size_t(2));
        QCOMPARE(table.columns[0].name(), utf8("id"));
        QCOMPARE(table.columns[1].name(), utf8("name"));
        QCOMPARE(table.rowCount(), std::size_t(0));
        QCOMPARE(table.columns[1].kind(), ColumnKind::Text);
    }

    void statementsWithoutRows()
    {
        odbc::Result created = m_connection.execute("CREATE TABLE scratch (id INT)");
        QVERIFY(created.eof());
        QCOMPARE(testdb::readWhole(created).columns.size(), std::size_t(0));
        odbc::Result inserted = m_connection.execute("INSERT INTO scratch VALUES (1), (2)");
        QVERIFY(inserted.eof());
        QCOMPARE(testdb::readWhole(inserted).columns.size(), std::size_t(0));
        QCOMPARE(m_connection.execute("SELECT COUNT(*) FROM scratch").firstField(), utf8("2"));
        QVERIFY(m_connection.execute("DELETE FROM scratch WHERE id = 99").eof());
        m_connection.execute("DROP TABLE scratch");
    }

    // Every row once, in order, a rowset at a time from the current row.
    void rowsetsFromTheCurrentRow_data()
    {
        QTest::addColumn<QByteArray>("columns");
        QTest::addColumn<int>("moves");
        for (const char *columns : { "id, label, amount, stamp", "id, label, note" }) {
            QTest::addRow("%s, from the first row", columns) << QByteArray(columns) << 0;
            QTest::addRow("%s, after two moves", columns) << QByteArray(columns) << 2;
        }
        QTest::addRow("id, label, the last row alone") << QByteArray("id, label") << manyRows - 1;
    }

    void rowsetsFromTheCurrentRow()
    {
        QFETCH(QByteArray, columns);
        QFETCH(int, moves);
        odbc::Result result
            = m_connection.execute("SELECT " + columns.toStdString() + " FROM many ORDER BY id");
        QCOMPARE(result.recordCount(), static_cast<long long>(manyRows));
        for (int i = 0; i < moves; ++i)
            result.moveNext();

        const bool withNote = columns.contains("note");
        const bool withStamp = columns.contains("stamp");
        int id = moves;
        auto check = [&](const Table &table) {
            for (std::size_t row = 0; row < table.rowCount(); ++row) {
                ++id;
                QCOMPARE(table.columns[0].cell(row).integer, std::int64_t(id));
                QCOMPARE(table.columns[1].cell(row).bytes, "row " + std::to_string(id));
                if (withNote) {
                    Cell note = table.columns[2].cell(row);
                    QCOMPARE(note.null, id % 7 == 0);
                    std::string expected;
                    for (int i = 0; !note.null && i < id % 300; ++i)
                        expected += "é";
                    QCOMPARE(note.bytes, expected);
                }
                if (!withStamp)
                    continue;
                // A NULL's slot is 0 whatever the driver left in its buffer: two NULLs compare
                // by their slots.
                Cell amount = table.columns[2].cell(row);
                QCOMPARE(amount.null, id % 3 == 0);
                QCOMPARE(amount.floating, amount.null ? 0.0 : id / 4.0);
                Cell stamp = table.columns[3].cell(row);
                QCOMPARE(stamp.null, id % 5 == 0);
                QVERIFY(!stamp.null || table.columns[3].slot(row) == 0);
                if (!stamp.null) {
                    DateTimeParts p = unpackDateTime(stamp.integer);
                    QCOMPARE(p.year * 10000 + p.month * 100 + p.day, 20240101);
                    QCOMPARE((p.hour * 60 + p.minute) * 60 + p.second, id);
                    QCOMPARE(p.microsecond, id);
                }
            }
        };
        const std::size_t most = result.rowsetRows();
        int rowsets = 0;
        for (Table rows; result.readRowset(rows, most); ++rowsets) {
            QVERIFY(rows.rowCount() > 0 && rows.rowCount() <= most);
            check(rows);
        }
        QVERIFY(rowsets > (manyRows - moves) / 1025);
        QVERIFY(result.eof());
        QCOMPARE(id, manyRows);
        QCOMPARE(testdb::readWhole(result).rowCount(), std::size_t(0));
    }

    void closeReleasesTheResult()
    {
        odbc::Result result = m_connection.execute("SELECT id FROM many");
        QVERIFY(result.isOpen());
        result.close();
        QVERIFY(!result.isOpen());
        QVERIFY(result.eof());
        QVERIFY(errorOf([&] { testdb::readWhole(result); }));
        result.close();
        QCOMPARE(m_connection.execute("SELECT COUNT(*) FROM many").firstField(),
            std::to_string(manyRows));
    }

    // The driver hands out each cell of a row once: reading the current row again after its first
    // field must fail, whatever the column, rather than give 0 or NULL.
    void cellReadTwiceFails_data()
    {
        QTest::addColumn<QByteArray>("column");
        QTest::newRow("integer") << QByteArray("id");
        QTest::newRow("double") << QByteArray("amount");
        QTest::newRow("text") << QByteArray("label");
    }

    void cellReadTwiceFails()
    {
        QFETCH(QByteArray, column);
        odbc::Result result
            = m_connection.execute("SELECT " + column.toStdString() + " FROM many ORDER BY id");
        QVERIFY(!result.firstField().empty());
        Table rows;
        std::optional<std::string> error
            = errorOf([&] { result.readRowset(rows, result.rowsetRows()); });
        QVERIFY2(error, "a cell handed out already was read again as a value");
        QCOMPARE(*error, utf8("The driver gave no data for column 1"));
    }

    void failingQueryGivesTheDriversText_data()
    {
        QTest::addColumn<QByteArray>("sql");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("missing table") << QByteArray("select * from nosuch")
                                       << QByteArray("Table '" + QByteArray::fromStdString(database)
                                              + ".nosuch' doesn't exist");
        QTest::newRow("reserved word") << QByteArray("select * from order")
                                       << QByteArray("You have an error in your SQL syntax");
        QTest::newRow("name with a blank") << QByteArray("select * from with blank")
                                           << QByteArray("You have an error in your SQL syntax");
    }

    void failingQueryGivesTheDriversText()
    {
        QFETCH(QByteArray, sql);
        QFETCH(QByteArray, expected);
        std::optional<std::string> error
            = errorOf([&] { m_connection.execute(sql.toStdString()); });
        QVERIFY(error);
        QVERIFY2(error->starts_with("[ma-"), error->c_str());
        QVERIFY2(error->find(expected.toStdString()) != std::string::npos, error->c_str());
        QCOMPARE(m_connection.execute("SELECT 1").firstField(), utf8("1"));
    }
};

QTEST_APPLESS_MAIN(TestOdbcResult)
#include "tst_odbcresult.moc"
