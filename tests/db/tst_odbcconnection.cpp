#include "db/connectionstring.h"
#include "db/odbc/odbc.h"
#include "support/testdb.h"

#include <QTest>

#include <chrono>
#include <netinet/in.h>
#include <optional>
#include <stdexcept>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using namespace kestrune;

namespace {

const std::string database = "kt_odbc_connection";
const std::string pwUser = "kt_odbc_pwuser";

template <typename F> std::optional<std::string> errorOf(F &&f)
{
    try {
        f();
    } catch (const odbc::Error &error) {
        return std::string(error.what());
    }
    return std::nullopt;
}

std::string currentUser(odbc::Connection &connection)
{
    return connection.execute("SELECT CURRENT_USER()").firstField();
}

// The server drops a connection's thread shortly after the client leaves.
int waitForConnections(int expected)
{
    int count = testdb::openConnections(database);
    for (int i = 0; i < 100 && count != expected; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        count = testdb::openConnections(database);
    }
    return count;
}

// A port on 127.0.0.1 that was free a moment ago.
std::string unusedPort()
{
    int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (bind(s, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0
        || getsockname(s, reinterpret_cast<sockaddr *>(&address), &length) != 0)
        throw std::runtime_error("no free port on 127.0.0.1");
    close(s);
    return std::to_string(ntohs(address.sin_port));
}

} // namespace

class TestOdbcConnection : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { testdb::freshDatabase(database); }

    void cleanupTestCase()
    {
        testdb::run({ "DROP USER IF EXISTS '" + pwUser + "'@'%'",
            "DROP DATABASE IF EXISTS `" + database + "`" });
    }

    void opensWithTheTestLogin()
    {
        odbc::Connection connection;
        connection.open(buildConnectionString(testdb::loginTo(database)));
        QCOMPARE(connection.execute("SELECT DATABASE()").firstField(), database);
        connection.close();
        QVERIFY(errorOf([&] { connection.execute("SELECT 1"); }));
    }

    void passwordWithSpecialCharacters_data()
    {
        QTest::addColumn<QByteArray>("password");
        QTest::newRow("semicolon") << QByteArray("p;w");
        QTest::newRow("closing brace") << QByteArray("a}b");
        QTest::newRow("braced") << QByteArray("{p}");
        QTest::newRow("equals and semicolon") << QByteArray("x=y;z=");
        // Not blanks around it: the driver trims them off even inside braces.
        QTest::newRow("blanks inside") << QByteArray("p  w x");
        QTest::newRow("everything") << QByteArray(";}{= x}}");
    }

    void passwordWithSpecialCharacters()
    {
        QFETCH(QByteArray, password);
        testdb::run({ "DROP USER IF EXISTS '" + pwUser + "'@'%'",
            "CREATE USER '" + pwUser + "'@'%' IDENTIFIED BY '" + password.toStdString() + "'",
            "GRANT ALL PRIVILEGES ON `" + database + "`.* TO '" + pwUser + "'@'%'" });
        LoginDetails login = testdb::loginTo(database);
        login.user = pwUser;
        login.password = password.toStdString();

        odbc::Connection connection;
        connection.open(buildConnectionString(login));
        QCOMPARE(currentUser(connection), pwUser + "@%");
    }

    void refusedOpenGivesTheDriversText_data()
    {
        QTest::addColumn<QByteArray>("what");
        QTest::newRow("wrong password") << QByteArray("password");
        QTest::newRow("unknown database") << QByteArray("database");
        QTest::newRow("nothing listening") << QByteArray("port");
    }

    void refusedOpenGivesTheDriversText()
    {
        QFETCH(QByteArray, what);
        LoginDetails login = testdb::loginTo(database);
        std::string expected;
        if (what == "password") {
            login.password = "wrong";
            expected = "Access denied for user '" + login.user + "'@'";
        } else if (what == "database") {
            login.database = "kt_odbc_nosuch";
            expected = "Unknown database 'kt_odbc_nosuch'";
        } else {
            login.port = unusedPort();
            expected = "Can't connect to server on '" + login.server + "'";
        }

        odbc::Connection connection;
        std::optional<std::string> error
            = errorOf([&] { connection.open(buildConnectionString(login)); });
        QVERIFY(error);
        QVERIFY2(error->starts_with("[ma-"), error->c_str());
        QVERIFY2(error->find(expected) != std::string::npos, error->c_str());
        if (what == "password")
            QVERIFY2(error->ends_with("(using password: YES)"), error->c_str());
    }

    void unregisteredDriverGivesTheDriverManagersText()
    {
        odbc::Connection connection;
        std::optional<std::string> error = errorOf([&] {
            connection.open("DRIVER={Kestrune Missing Driver};SERVER=127.0.0.1;USER=;PASSWORD=;"
                            "DATABASE=;PORT=3306;");
        });
        QVERIFY(error);
        QCOMPARE(*error,
            "[unixODBC][Driver Manager]Can't open lib 'Kestrune Missing Driver' : file not found");
    }

    void opensAfterAFailedOpen()
    {
        LoginDetails wrong = testdb::loginTo(database);
        wrong.password = "wrong";
        odbc::Connection connection;
        QVERIFY(errorOf([&] { connection.open(buildConnectionString(wrong)); }));
        connection.open(buildConnectionString(testdb::loginTo(database)));
        QCOMPARE(connection.execute("SELECT DATABASE()").firstField(), database);
    }

    void executeWithoutOpenIsAnError()
    {
        odbc::Connection connection;
        std::optional<std::string> error = errorOf([&] { connection.execute("SELECT 1"); });
        QVERIFY(error);
        QVERIFY2(error->starts_with("[unixODBC][Driver Manager]"), error->c_str());
    }

    // The comparison sets these before it opens: they must not stand in the way of reading.
    void modeAndTimeoutsLeaveQueriesWorking()
    {
        odbc::Connection connection;
        connection.setReadWriteMode();
        connection.setTimeouts(5000);
        connection.open(buildConnectionString(testdb::loginTo(database)));
        odbc::Result result = connection.execute("SELECT 7 AS n");
        Table table = testdb::readWhole(result);
        QCOMPARE(table.rowCount(), std::size_t(1));
        QCOMPARE(table.columns[0].cell(0).integer, std::int64_t(7));
    }

    void releaseAndCloseEndTheServerConnection()
    {
        QCOMPARE(waitForConnections(0), 0);
        {
            odbc::Connection connection;
            connection.open(buildConnectionString(testdb::loginTo(database)));
            QCOMPARE(waitForConnections(1), 1);
        }
        QCOMPARE(waitForConnections(0), 0);

        odbc::Connection connection;
        connection.open(buildConnectionString(testdb::loginTo(database)));
        odbc::Result result = connection.execute("SELECT 1");
        QCOMPARE(waitForConnections(1), 1);
        connection.close();
        QCOMPARE(waitForConnections(0), 0);
    }

    void closingTheConnectionClosesItsResults()
    {
        odbc::Connection connection;
        connection.open(buildConnectionString(testdb::loginTo(database)));
        odbc::Result result = connection.execute("SELECT 1 UNION SELECT 2");
        connection.close();
        QVERIFY(!result.isOpen());
        QVERIFY(result.eof());
        result.close();
    }

    void aResultMayOutliveItsConnection()
    {
        std::optional<odbc::Result> result;
        {
            odbc::Connection connection;
            connection.open(buildConnectionString(testdb::loginTo(database)));
            result = connection.execute("SELECT 1");
        }
        QVERIFY(!result->isOpen());
        result->close();
    }
};

QTEST_APPLESS_MAIN(TestOdbcConnection)
#include "tst_odbcconnection.moc"
