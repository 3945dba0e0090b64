#include "db/connectionstring.h"
#include "db/odbc.h"
#include "db/odbctablereader.h"
#include "db/streamedtablereader.h"
#include "flow/valuetables.h"
#include "support/randomtables.h"
#include "support/testdb.h"

#include <QTest>

#include <functional>
#include <optional>

using namespace kestrune;

namespace {

const std::string database = "kt_streamed_reader";
constexpr int bigRows = 400000; // far more than the socket and the rowsets in flight hold

// The table names of CREATE TABLE statements, unquoted.
std::vector<std::string> createdTables(const std::vector<std::string> &statements)
{
    const std::string create = "CREATE TABLE ";
    std::vector<std::string> names;
    for (const std::string &sql : statements) {
        if (sql.compare(0, create.size(), create) != 0)
            continue;
        std::size_t at = create.size();
        std::string name;
        if (sql[at] == '`') {
            for (++at; !(sql[at] == '`' && sql[at + 1] != '`'); ++at)
                name += sql[at] == '`' ? sql[++at] : sql[at];
        } else {
            name = sql.substr(at, sql.find_first_of(" (", at) - at);
        }
        names.push_back(name);
    }
    return names;
}

bool storesBytes(ColumnKind kind)
{
    return kind == ColumnKind::Decimal || kind == ColumnKind::Text || kind == ColumnKind::Bytes;
}

QByteArray describe(const Column &column, std::size_t row)
{
    if (column.cell(row).null)
        return "NULL (slot " + QByteArray::number(column.slot(row)) + ")";
    if (!storesBytes(column.kind()))
        return "slot " + QByteArray::number(column.slot(row));
    const std::string_view bytes = column.bytes(row);
    return QByteArray::number(qulonglong(bytes.size())) + " bytes "
        + QByteArray(bytes.data(), qsizetype(std::min<std::size_t>(bytes.size(), 60))).toHex();
}

QByteArray describeColumns(const Table &rows)
{
    QByteArray out;
    for (const Column &column : rows.columns)
        out += QByteArray::fromStdString(column.name()) + " kind "
            + QByteArray::number(int(column.kind())) + " fraction "
            + QByteArray::number(column.fractionDigits()) + "; ";
    return out;
}

// The ODBC driver's text behind its "[ma-3.1.15][server version]" prefixes.
std::string withoutPrefixes(std::string text)
{
    while (!text.empty() && text.front() == '[' && text.find(']') != std::string::npos)
        text.erase(0, text.find(']') + 1);
    return text;
}

// One reader's rows, a rowset at a time.
struct RowWalk {
    explicit RowWalk(std::function<bool(Table &)> nextRowset)
        : next(std::move(nextRowset))
    {
    }

    std::function<bool(Table &)> next;
    Table rowset;
    std::size_t at = std::size_t(-1); // before the first row
    bool more = true;
    bool newRowset = false;

    // Moves to the next row; false once there is none.
    bool advance()
    {
        ++at;
        while (more && at >= rowset.rowCount()) {
            more = next(rowset);
            at = 0;
            newRowset = true;
        }
        return more;
    }
};

// Reads the table through both readers and compares every rowset's columns and every cell.
void expectSameRows(const LoginDetails &login, const std::string &table)
{
    odbc::Connection connection;
    openForComparison(connection, login);
    OdbcTableReader odbcReader(connection, table);
    odbcReader.open();
    StreamedTableReader streamed(login, table, true);
    streamed.open();

    RowWalk odbcRows([&](Table &rows) { return odbcReader.next(rows); });
    RowWalk streamedRows([&](Table &rows) { return streamed.next(rows); });
    for (long long row = 1;; ++row) {
        const bool odbcRow = odbcRows.advance();
        const bool streamedRow = streamedRows.advance();
        if (odbcRows.newRowset || streamedRows.newRowset)
            QCOMPARE(describeColumns(streamedRows.rowset), describeColumns(odbcRows.rowset));
        odbcRows.newRowset = streamedRows.newRowset = false;
        if (!odbcRow || !streamedRow) {
            QVERIFY2(odbcRow == streamedRow,
                qPrintable(QString("Only the %1 reader has a row %2")
                               .arg(odbcRow ? "ODBC" : "streamed")
                               .arg(row)));
            return;
        }
        for (std::size_t c = 0; c < odbcRows.rowset.columns.size(); ++c) {
            const Column &expected = odbcRows.rowset.columns[c];
            const Column &actual = streamedRows.rowset.columns[c];
            const std::size_t i = odbcRows.at;
            const std::size_t j = streamedRows.at;
            const bool same = expected.cell(i).null == actual.cell(j).null
                && (storesBytes(expected.kind()) ? expected.bytes(i) == actual.bytes(j)
                                                 : expected.slot(i) == actual.slot(j));
            if (!same)
                QFAIL(qPrintable(QString("Row %1, column %2: ODBC %3, streamed %4")
                                     .arg(row)
                                     .arg(QString::fromStdString(expected.name()))
                                     .arg(QString::fromLatin1(describe(expected, i)))
                                     .arg(QString::fromLatin1(describe(actual, j)))));
        }
    }
}

} // namespace

class TestStreamedTableReader : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        const LoginDetails login = testdb::freshDatabase(database);
        testdb::run(login, valueTables());
        for (const RandomTable &table : randomTables())
            testdb::run(login, table.statements);
        testdb::run(login,
            { "CREATE TABLE big (id INT PRIMARY KEY, t VARCHAR(40))",
                "INSERT INTO big SELECT seq, REPEAT('x', 30) FROM seq_1_to_"
                    + std::to_string(bigRows) });
    }
    void cleanupTestCase() { testdb::run({ "DROP DATABASE `" + database + "`" }); }

    void readsAsTheOdbcReader_data()
    {
        QTest::addColumn<QByteArray>("table");
        for (const std::string &name : createdTables(valueTables()))
            QTest::newRow(name.c_str()) << QByteArray::fromStdString(name);
        for (const RandomTable &table : randomTables())
            QTest::newRow(table.name.c_str()) << QByteArray::fromStdString(table.name);
    }

    void readsAsTheOdbcReader()
    {
        QFETCH(QByteArray, table);
        expectSameRows(testdb::loginTo(database), table.toStdString());
    }

    // Logins as typed, and failures: both readers open the same tables, or fail in the client
    // library's words (the ODBC driver's without its prefixes).
    void opensAsTheOdbcReader_data()
    {
        QTest::addColumn<QByteArray>("server");
        QTest::addColumn<QByteArray>("port");
        QTest::addColumn<QByteArray>("password");
        QTest::addColumn<QByteArray>("databaseName");
        QTest::addColumn<QByteArray>("table");
        const LoginDetails login = testdb::loginTo(database);
        const QByteArray server = QByteArray::fromStdString(login.server);
        const QByteArray port = QByteArray::fromStdString(login.port);
        const QByteArray password = QByteArray::fromStdString(login.password);
        const QByteArray name = QByteArray::fromStdString(database);
        QTest::newRow("missing table")
            << server << port << password << name << QByteArray("nosuch");
        QTest::newRow("refused password")
            << server << port << QByteArray("wrong") << name << QByteArray("five");
        QTest::newRow("unknown database")
            << server << port << password << QByteArray("kt_no_such_database")
            << QByteArray("five");
        QTest::newRow("blanks around every value, letters after the port")
            << " " + server + "\t"
            << "\n" + port + "x "
            << "\t" + password + " "
            << " " + name + "\r" << QByteArray("five");
        QTest::newRow("localhost goes over TCP")
            << QByteArray("localhost") << port << password << name << QByteArray("five");
    }

    void opensAsTheOdbcReader()
    {
        QFETCH(QByteArray, server);
        QFETCH(QByteArray, port);
        QFETCH(QByteArray, password);
        QFETCH(QByteArray, databaseName);
        QFETCH(QByteArray, table);
        LoginDetails login = testdb::loginTo(databaseName.toStdString());
        login.server = server.toStdString();
        login.port = port.toStdString();
        login.password = password.toStdString();

        std::optional<std::string> odbcFailure;
        try {
            odbc::Connection connection;
            openForComparison(connection, login);
            OdbcTableReader(connection, table.toStdString()).open();
        } catch (const odbc::Error &error) {
            odbcFailure = withoutPrefixes(error.what());
        }
        std::optional<std::string> streamedFailure;
        try {
            StreamedTableReader reader(login, table.toStdString(), true);
            reader.open();
        } catch (const std::runtime_error &error) {
            streamedFailure = error.what();
        }
        QCOMPARE(
            streamedFailure.value_or("opened").c_str(), odbcFailure.value_or("opened").c_str());
        if (!odbcFailure)
            expectSameRows(login, table.toStdString());
    }

    // A connection lost half-way is a failure, never the end of the table.
    void failsWhenTheConnectionIsLost()
    {
        StreamedTableReader reader(testdb::loginTo(database), "big", false);
        reader.open();
        Table rows;
        QVERIFY(reader.next(rows));
        long long read = static_cast<long long>(rows.rowCount());

        odbc::Connection connection;
        openForComparison(connection, testdb::loginTo(database));
        const std::string id = odbc::Result(connection,
            "SELECT ID FROM information_schema.PROCESSLIST WHERE INFO = 'select * from `big`'")
                                   .firstField();
        QVERIFY(!id.empty());
        connection.execute("KILL CONNECTION " + id);

        std::optional<std::string> failure;
        try {
            while (reader.next(rows))
                read += static_cast<long long>(rows.rowCount());
        } catch (const std::runtime_error &error) {
            failure = error.what();
        }
        QVERIFY2(read < bigRows, "every row had come before the connection was killed");
        QVERIFY2(failure && !failure->empty(), "the lost connection looked like the table's end");
        QVERIFY2(failure->front() != '[', failure->c_str());
    }
};

QTEST_APPLESS_MAIN(TestStreamedTableReader)
#include "tst_streamedtablereader.moc"
