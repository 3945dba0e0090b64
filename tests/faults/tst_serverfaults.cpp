#include "flow/wizard.h"
#include "privateserver.h"
#include "program.h"
#include "support/controls.h"

#include "widgets/listview.h"
#include "widgets/loginpage.h"
#include "widgets/resultspage.h"
#include "widgets/tableselectionpage.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

#include <memory>

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

// When the server is found down: the program starts on a remembered login, Test Connection,
// "Next >" on the login page, "Next >" on the table selection page.
enum class Moment { Start, TestConnection, Next, Comparison };
enum class WizardPage { Login, TableSelection, Results };

} // namespace

Q_DECLARE_METATYPE(Moment)
Q_DECLARE_METATYPE(WizardPage)

class ServerFaultsTest : public QObject {
    Q_OBJECT

private slots:
    void serverStopsDuringComparison();
    // One row per step the user takes while the server is down.
    void serverDown_data();
    void serverDown();
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

    // The comparison runs on this thread, so another one stops the server while the query runs.
    PrivateServer::StopWhileRunning stopper(server, "select * from `big`");
    wizard.compare("big", "small1");
    QString stopped = stopper.wait();
    QVERIFY2(stopped.isEmpty(), qPrintable(stopped));
    error = server.stop();
    QVERIFY2(error.isEmpty(), qPrintable(error));

    QCOMPARE(wizard.seam.messages.size(), 1);
    const ScriptedSeam::Message &failure = wizard.seam.messages.constFirst();
    // The server either tells the client it is shutting down or just drops the connection.
    static const QRegularExpression driverText(
        "^Could not join this tables\\.\r\n\\[ma-[0-9.]+\\].*(Lost connection to server "
        "during query|Server shutdown in progress|server has gone away)");
    QVERIFY2(driverText.match(failure.text).hasMatch(), qPrintable(failure.text.left(300)));
    QCOMPARE(failure.title, QStringLiteral("Kestrune"));
    QCOMPARE(failure.icon, Seam::Icon::None);
    QVERIFY(!pageMade("Form3"));
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

void ServerFaultsTest::serverDown_data()
{
    QTest::addColumn<Moment>("moment");
    // The one message shown while the server is down, as a pattern; empty for none.
    QTest::addColumn<QString>("told");
    // The page that stays, and the page shown once the same step is taken with the server back.
    QTest::addColumn<WizardPage>("stays");
    QTest::addColumn<WizardPage>("then");
    QTest::addColumn<QStringList>("toldThen");

    QTest::newRow("at the start") << Moment::Start << QString() << WizardPage::Login
                                  << WizardPage::TableSelection << QStringList();
    QTest::newRow("at Test Connection")
        << Moment::TestConnection << "^" + QRegularExpression::escape(couldNotConnect) + "$"
        << WizardPage::Login << WizardPage::Login << QStringList({ "Connection successful." });
    QTest::newRow("at Next >") << Moment::Next << QString() << WizardPage::Login
                               << WizardPage::TableSelection << QStringList();
    QTest::newRow("at the comparison")
        << Moment::Comparison
        << QStringLiteral("^Could not join this tables\\.\r\n\\[ma-[0-9.]+\\]Can't connect to "
                          "server on '127\\.0\\.0\\.1'")
        << WizardPage::TableSelection << WizardPage::Results << QStringList();
}

void ServerFaultsTest::serverDown()
{
    QFETCH(Moment, moment);
    QFETCH(QString, told);
    QFETCH(WizardPage, stays);
    QFETCH(WizardPage, then);
    QFETCH(QStringList, toldThen);

    PrivateServer server;
    QString error = server.start();
    QVERIFY2(error.isEmpty(), qPrintable(error));
    LoginDetails login = server.freshDatabase("kt_fault_down", smallTables);

    // A remembered login moves on by itself while the server runs; a typed one waits for a click.
    const bool remembered = moment == Moment::Start || moment == Moment::Comparison;
    std::unique_ptr<Program> program;
    auto startProgram = [&] {
        program = std::make_unique<Program>();
        if (remembered)
            program->remember(login);
        program->start();
        if (remembered)
            return;
        LoginPage &loginPage = program->pages().loginPage();
        retype(control<QLineEdit>(loginPage, "Text1"), QString::fromStdString(login.server));
        retype(control<QLineEdit>(loginPage, "Text5"), QString::fromStdString(login.port));
        retype(control<QLineEdit>(loginPage, "Text2"), QString::fromStdString(login.user));
        retype(control<QLineEdit>(loginPage, "Text3"), QString::fromStdString(login.password));
        retype(control<QLineEdit>(loginPage, "Text4"), QString::fromStdString(login.database));
    };
    auto click = [&](Page &page, const char *button) {
        QTest::mouseClick(control<QPushButton>(page, button), Qt::LeftButton);
    };
    auto takeTheStep = [&] {
        switch (moment) {
        case Moment::Start:
            startProgram();
            break;
        case Moment::TestConnection:
            click(program->pages().loginPage(), "PushButton5");
            break;
        case Moment::Next:
            click(program->pages().loginPage(), "PushButton3");
            break;
        case Moment::Comparison: {
            TableSelectionPage &selectionPage = program->pages().tableSelectionPage();
            clickItem(*control<ListView>(selectionPage, "ListView1"), 1);
            clickItem(*control<ListView>(selectionPage, "ListView2"), 2);
            click(selectionPage, "PushButton3");
            break;
        }
        }
    };
    auto page = [&](WizardPage shown) -> Page & {
        PageFlow &pages = program->pages();
        if (shown == WizardPage::Login)
            return pages.loginPage();
        if (shown == WizardPage::TableSelection)
            return pages.tableSelectionPage();
        return pages.resultsPage();
    };

    if (moment != Moment::Start) {
        startProgram();
        if (remembered) {
            QVERIFY(pageMade("Form2"));
            QVERIFY(program->pages().tableSelectionPage().isVisible());
            QCOMPARE(program->seam.messages.size(), 0);
        }
    }

    error = server.stop();
    QVERIFY2(error.isEmpty(), qPrintable(error));
    takeTheStep();
    if (told.isEmpty()) {
        QCOMPARE(program->seam.messages.size(), 0);
    } else {
        QCOMPARE(program->seam.messages.size(), 1);
        const ScriptedSeam::Message &message = program->seam.messages.constFirst();
        QVERIFY2(QRegularExpression(told).match(message.text).hasMatch(),
            qPrintable(message.text.left(300)));
        QCOMPARE(message.title, QStringLiteral("Kestrune"));
        QCOMPARE(message.icon, Seam::Icon::None);
    }
    QVERIFY(page(stays).isVisible());
    QCOMPARE(page(stays).pointerShape(), Page::Pointer::Default);
    // The next page is not even made.
    if (stays == WizardPage::Login)
        QVERIFY(!pageMade("Form2"));
    else
        QVERIFY(!pageMade("Form3"));
    QCOMPARE(program->pages().loginPage().loginDetails().user, login.user);
    QCOMPARE(program->pages().loginPage().loginDetails().port, login.port);

    // Back up, the same step goes through, with the tables listed once.
    error = server.start();
    QVERIFY2(error.isEmpty(), qPrintable(error));
    program->seam.messages.clear();
    takeTheStep();
    QCOMPARE(program->seam.messageTexts(), toldThen);
    QVERIFY(page(then).isVisible());
    if (then == WizardPage::TableSelection)
        QCOMPARE(itemsOf(*control<ListView>(page(then), "ListView1")),
            QStringList({ "small1", "small2" }));
    if (then == WizardPage::Results) {
        QCOMPARE(itemsOf(*control<ListView>(page(then), "ListView1")), smallFields);
        QCOMPARE(itemsOf(*control<ListView>(page(then), "ListView2")), smallRecords);
    }
}

QTEST_MAIN(ServerFaultsTest)
#include "tst_serverfaults.moc"
