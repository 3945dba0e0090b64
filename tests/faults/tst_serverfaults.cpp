#include "flow/wizard.h"
#include "privateserver.h"
#include "program.h"
#include "support/controls.h"

#include "db/odbc.h"
#include "widgets/listview.h"
#include "widgets/loginpage.h"
#include "widgets/resultspage.h"
#include "widgets/tableselectionpage.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

#include <atomic>
#include <chrono>
#include <thread>

using namespace kestrune;

namespace {

const QString couldNotConnect = QStringLiteral(
    "Could not connect. Please check with your administrator. Make sure you are allowed to "
    "connect to your database remotely and not just through web-based control panels.");

const std::vector<std::string> smallTables = {
    "CREATE TABLE small1 (id INT PRIMARY KEY, name VARCHAR(10))",
    "CREATE TABLE small2 (id INT PRIMARY KEY, name VARCHAR(10))",
    "INSERT INTO small1 VALUES (1, 'a'), (2, 'b')",
    "INSERT INTO small2 VALUES (1, 'a'), (2, 'B'), (3, 'c')",
};
const QStringList smallFields = { R"(Record 2,Field "name" has changed from "b" to "B")" };
const QStringList smallRecords = { "Record 3 added from small2" };

} // namespace

class ServerFaultsTest : public QObject {
    Q_OBJECT

private slots:
    void serverStopsDuringComparison();
    void serverDownAtStart();
    void serverDownAtTestConnection();
    void serverDownAtNext();
    void serverDownAtComparison();
};

void ServerFaultsTest::serverStopsDuringComparison()
{
    PrivateServer server;
    QString error = server.start();
    QVERIFY2(error.isEmpty(), qPrintable(error));
    // Millions of rows, so the server is still sending them when it is stopped.
    std::vector<std::string> statements = smallTables;
    statements.emplace_back(
        "CREATE TABLE big (id INT PRIMARY KEY, a CHAR(30), b INT) ENGINE=MyISAM");
    statements.emplace_back("INSERT INTO big SELECT seq, 'abcdefghijabcdefghij', seq % 7 "
                            "FROM seq_1_to_3000000");
    LoginDetails login = server.freshDatabase("kt_fault_stop", statements);

    Wizard wizard(login);
    TableSelectionPage &selectionPage = wizard.pages.tableSelectionPage();
    QVERIFY(selectionPage.isVisible());

    // The comparison runs on this thread, so another one watches for the query and stops the
    // server while it runs.
    std::atomic<bool> stoppedDuringQuery = false;
    std::string watchError;
    std::thread watcher([&] {
        try {
            odbc::Connection connection;
            connection.open(buildConnectionString(server.login("kestrune_test")));
            auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
            while (std::chrono::steady_clock::now() < deadline) {
                odbc::Result running
                    = connection.execute("SELECT COUNT(*) FROM information_schema.PROCESSLIST "
                                         "WHERE INFO LIKE 'select * from `big`%'");
                if (running.firstField() != "0") {
                    std::this_thread::sleep_for(std::chrono::milliseconds(100));
                    stoppedDuringQuery = server.requestShutdown();
                    return;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        } catch (const odbc::Error &error) {
            watchError = error.what();
        }
    });
    wizard.compare("big", "small1");
    watcher.join();
    QVERIFY2(watchError.empty(), watchError.c_str());
    QVERIFY2(stoppedDuringQuery, "the server was stopped while the query ran");
    error = server.stop();
    QVERIFY2(error.isEmpty(), qPrintable(error));

    QCOMPARE(wizard.seam.messages.size(), 1);
    const ScriptedSeam::Message &failure = wizard.seam.messages.constFirst();
    // The server either tells the client it is shutting down or just drops the connection.
    static const QRegularExpression driverText(
        "^Could not join this tables\\.\r\n\\[ma-3\\.1\\.15\\].*(Lost connection to server "
        "during query|Server shutdown in progress|server has gone away)");
    QVERIFY2(driverText.match(failure.text).hasMatch(), qPrintable(failure.text.left(300)));
    QCOMPARE(failure.title, QStringLiteral("Kestrune"));
    QCOMPARE(failure.icon, Seam::Icon::None);
    QVERIFY(!wizard.pages.hasResultsPage());
    QVERIFY(selectionPage.isVisible());
    QCOMPARE(selectionPage.pointerShape(), Page::Pointer::Default);
    QCOMPARE(control<ListView>(selectionPage, "ListView1")->selectedText(), QStringLiteral("big"));

    // Once the server is back, the same page compares again.
    error = server.start();
    QVERIFY2(error.isEmpty(), qPrintable(error));
    wizard.compare("small1", "small2");
    QCOMPARE(wizard.seam.messages.size(), 1);
    QVERIFY(wizard.pages.resultsPage().isVisible());
    QCOMPARE(wizard.fieldDifferences(), smallFields);
    QCOMPARE(wizard.addedDeleted(), smallRecords);
}

void ServerFaultsTest::serverDownAtStart()
{
    PrivateServer server;
    QString error = server.start();
    QVERIFY2(error.isEmpty(), qPrintable(error));
    LoginDetails login = server.freshDatabase("kt_fault_down", smallTables);

    // The remembered login works while the server runs: the program moves on by itself.
    {
        Program program;
        program.remember(login);
        program.start();
        QVERIFY(program.pages().hasTableSelectionPage());
        QVERIFY(program.pages().tableSelectionPage().isVisible());
        QCOMPARE(program.seam.messages.size(), 0);
    }

    error = server.stop();
    QVERIFY2(error.isEmpty(), qPrintable(error));
    Program program;
    program.remember(login);
    program.start();
    LoginPage &loginPage = program.pages().loginPage();
    QVERIFY(loginPage.isVisible());
    QVERIFY(!program.pages().hasTableSelectionPage());
    QCOMPARE(program.seam.messages.size(), 0);
    QCOMPARE(loginPage.loginDetails().user, login.user);
    QCOMPARE(loginPage.loginDetails().port, login.port);
}

void ServerFaultsTest::serverDownAtTestConnection()
{
    PrivateServer server;
    QString error = server.start();
    QVERIFY2(error.isEmpty(), qPrintable(error));
    LoginDetails login = server.login("kestrune_test");
    Program program;
    program.remember(login);
    program.start();
    LoginPage &loginPage = program.pages().loginPage();
    QTest::mouseClick(control<QPushButton>(loginPage, "PushButton3"), Qt::LeftButton);
    QTest::mouseClick(
        control<QPushButton>(program.pages().tableSelectionPage(), "PushButton2"), Qt::LeftButton);
    QVERIFY(loginPage.isVisible());
    QTest::mouseClick(control<QPushButton>(loginPage, "PushButton5"), Qt::LeftButton);
    QCOMPARE(program.seam.messageTexts(), QStringList({ "Connection successful." }));

    error = server.stop();
    QVERIFY2(error.isEmpty(), qPrintable(error));
    program.seam.messages.clear();
    QTest::mouseClick(control<QPushButton>(loginPage, "PushButton5"), Qt::LeftButton);
    QCOMPARE(program.seam.messageTexts(), QStringList({ couldNotConnect }));
    QCOMPARE(program.seam.messages.constFirst().title, QStringLiteral("Kestrune"));
    QCOMPARE(program.seam.messages.constFirst().icon, Seam::Icon::None);
    QCOMPARE(loginPage.pointerShape(), Page::Pointer::Default);
    QVERIFY(loginPage.isVisible());
}

void ServerFaultsTest::serverDownAtNext()
{
    PrivateServer server;
    QString error = server.start();
    QVERIFY2(error.isEmpty(), qPrintable(error));
    LoginDetails login = server.freshDatabase("kt_fault_next", smallTables);
    error = server.stop();
    QVERIFY2(error.isEmpty(), qPrintable(error));

    Program program;
    program.start();
    LoginPage &loginPage = program.pages().loginPage();
    retype(control<QLineEdit>(loginPage, "Text1"), QString::fromStdString(login.server));
    retype(control<QLineEdit>(loginPage, "Text5"), QString::fromStdString(login.port));
    retype(control<QLineEdit>(loginPage, "Text2"), QString::fromStdString(login.user));
    retype(control<QLineEdit>(loginPage, "Text3"), QString::fromStdString(login.password));
    retype(control<QLineEdit>(loginPage, "Text4"), QString::fromStdString(login.database));
    QTest::mouseClick(control<QPushButton>(loginPage, "PushButton3"), Qt::LeftButton);
    QCOMPARE(program.seam.messages.size(), 0);
    QVERIFY(loginPage.isVisible());
    QVERIFY(!program.pages().hasTableSelectionPage());
    QCOMPARE(loginPage.pointerShape(), Page::Pointer::Default);

    // Back up, the same click moves on with the tables listed once.
    error = server.start();
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QTest::mouseClick(control<QPushButton>(loginPage, "PushButton3"), Qt::LeftButton);
    QCOMPARE(program.seam.messages.size(), 0);
    QVERIFY(program.pages().tableSelectionPage().isVisible());
    QCOMPARE(itemsOf(*control<ListView>(program.pages().tableSelectionPage(), "ListView1")),
        QStringList({ "small1", "small2" }));
}

void ServerFaultsTest::serverDownAtComparison()
{
    PrivateServer server;
    QString error = server.start();
    QVERIFY2(error.isEmpty(), qPrintable(error));
    LoginDetails login = server.freshDatabase("kt_fault_gone", smallTables);
    Wizard wizard(login);
    error = server.stop();
    QVERIFY2(error.isEmpty(), qPrintable(error));

    wizard.compare("small1", "small2");
    QCOMPARE(wizard.seam.messages.size(), 1);
    QString text = wizard.seam.messages.constFirst().text;
    QVERIFY2(text.startsWith("Could not join this tables.\r\n[ma-3.1.15]Can't connect to server on "
                             "'127.0.0.1'"),
        qPrintable(text));
    QVERIFY(!wizard.pages.hasResultsPage());
    QVERIFY(wizard.pages.tableSelectionPage().isVisible());
    QCOMPARE(wizard.pages.tableSelectionPage().pointerShape(), Page::Pointer::Default);
}

QTEST_MAIN(ServerFaultsTest)
#include "tst_serverfaults.moc"
