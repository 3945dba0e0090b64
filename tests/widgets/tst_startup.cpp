#include "app/pageflow.h"

#include "db/odbc/probe.h"
#include "settings/settingsstore.h"
#include "support/controls.h"
#include "support/scriptedseam.h"
#include "support/testdb.h"
#include "uitest.h"
#include "widgets/errorreport.h"
#include "widgets/listview.h"
#include "widgets/loginpage.h"
#include "widgets/resultspage.h"
#include "widgets/tableselectionpage.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <sys/stat.h>

using namespace kestrune;
using uitest::itemsOf;
using uitest::typeInto;

namespace {

const std::string database = "kt_ui_start";
const std::string startUser = "kt_ui_start";
const std::string startPassword = "start-pw";
const std::string noPasswordUser = "kt_ui_start_nopw";
const std::string refusedUser = "kt_ui_start_refused";

const QString loadLabel = QStringLiteral("in Kestrune2021/08/31.Form1.Form_Load ");

void remember(const LoginDetails &login)
{
    auto save = [](const char *key, const std::string &value) {
        saveSetting(settingsApplication, settingsSection, QString::fromLatin1(key),
            QString::fromStdString(value));
    };
    save("MyServer", login.server);
    save("MyUser", login.user);
    save("MyPassword", login.password);
    save("MyDatabase", login.database);
    save("MyPort", login.port);
}

LoginDetails as(const std::string &user, const std::string &password)
{
    LoginDetails login = testdb::loginTo(database);
    login.user = user;
    login.password = password;
    return login;
}

} // namespace

class TestStartup : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void firstStartShowsTheDefaultsAndRemembersThem();
    void rememberedLoginGoesStraightToTheTables();
    void refusedLoginShowsTheLoginPageSilently();
    void incompleteLoginIsNotTried_data();
    void incompleteLoginIsNotTried();
    void editsSurviveARestart_data();
    void editsSurviveARestart();
    void homePageOnADrawOfSeven_data();
    void homePageOnADrawOfSeven();
    void settingsFileStaysPrivate();
    void unreadableStoreIsReportedForEachField_data();
    void unreadableStoreIsReportedForEachField();
    void closingAnyPageEndsTheProgram_data();
    void closingAnyPageEndsTheProgram();

private:
    PageFlow &restart();

    ConfigHome m_config;
    std::unique_ptr<ScriptedSeam> m_seam;
    std::unique_ptr<PageFlow> m_pages;
    QStringList m_tables;
};

void TestStartup::initTestCase()
{
    LoginDetails login = testdb::freshDatabase(database);
    testdb::run(login,
        { "CREATE TABLE `stock` (id INT)", "CREATE TABLE `articles` (id INT)",
            "CREATE TABLE `prices 2021` (id INT)" });
    uitest::createUser(startUser, startPassword, database);
    uitest::createUser(noPasswordUser, "", database);
    uitest::createUser(refusedUser, startPassword, database);
    m_tables = uitest::serverTables(login);
    QCOMPARE(m_tables.size(), 3);
}

void TestStartup::cleanupTestCase()
{
    for (const std::string &user : { startUser, noPasswordUser, refusedUser })
        uitest::dropUser(user);
    testdb::run("DROP DATABASE IF EXISTS `" + database + "`");
}

void TestStartup::init()
{
    m_config.clear();
    m_seam = std::make_unique<ScriptedSeam>();
}

void TestStartup::cleanup()
{
    m_pages.reset();
    m_seam.reset();
}

// A new run of the program on the same settings store.
PageFlow &TestStartup::restart()
{
    m_pages.reset();
    m_pages = std::make_unique<PageFlow>(*m_seam);
    m_pages->start();
    return *m_pages;
}

void TestStartup::firstStartShowsTheDefaultsAndRemembersThem()
{
    PageFlow &pages = restart();
    LoginPage &form = pages.loginPage();

    QVERIFY(form.isVisible());
    QVERIFY(!pageMade("Form2"));
    QCOMPARE(control<QLineEdit>(form, "Text1")->text(), QStringLiteral("localhost"));
    QCOMPARE(control<QLineEdit>(form, "Text5")->text(), QStringLiteral("3306"));
    QCOMPARE(control<QLineEdit>(form, "Text2")->text(), QString());
    QCOMPARE(control<QLineEdit>(form, "Text3")->text(), QString());
    QCOMPARE(control<QLineEdit>(form, "Text4")->text(), QString());
    QCOMPARE(m_config.raw(QStringLiteral("MyServer")), QStringLiteral("localhost"));
    QCOMPARE(m_config.raw(QStringLiteral("MyPort")), QStringLiteral("3306"));
    QVERIFY(m_seam->messages.isEmpty());
}

void TestStartup::rememberedLoginGoesStraightToTheTables()
{
    remember(as(startUser, startPassword));
    long long before = uitest::connectionsOf(startUser);

    PageFlow &pages = restart();
    long long opened = uitest::connectionsOf(startUser) - before;

    QVERIFY(m_seam->messages.isEmpty());
    QVERIFY(pageMade("Form2"));
    QVERIFY(pages.tableSelectionPage().isVisible());
    QVERIFY(!pages.loginPage().isVisible());
    QVERIFY(!pageMade("Form3"));
    QCOMPARE(itemsOf(*control<ListView>(pages.tableSelectionPage(), "ListView1")), m_tables);
    QCOMPARE(itemsOf(*control<ListView>(pages.tableSelectionPage(), "ListView2")), m_tables);
    // Its own probe, then the probe and the listing of "Next >".
    QCOMPARE(opened, 3);
    QCOMPARE(testdb::openConnections(database), 0);

    // "< Back" finds the login page as it was left.
    QTest::mouseClick(
        pages.tableSelectionPage().findChild<QPushButton *>(QStringLiteral("PushButton2")),
        Qt::LeftButton);
    QVERIFY(pages.loginPage().isVisible());
    QCOMPARE(control<QLineEdit>(pages.loginPage(), "Text3")->text(),
        QString::fromStdString(startPassword));
}

void TestStartup::refusedLoginShowsTheLoginPageSilently()
{
    LoginDetails refused = as(refusedUser, "not-the-password");
    remember(refused);

    PageFlow &pages = restart();

    QVERIFY(m_seam->messages.isEmpty());
    QVERIFY(pages.loginPage().isVisible());
    QVERIFY(!pageMade("Form2"));
    QCOMPARE(control<QLineEdit>(pages.loginPage(), "Text2")->text(),
        QString::fromStdString(refused.user));
    QCOMPARE(control<QLineEdit>(pages.loginPage(), "Text3")->text(),
        QString::fromStdString(refused.password));
    QCOMPARE(control<QLineEdit>(pages.loginPage(), "Text4")->text(),
        QString::fromStdString(refused.database));
}

void TestStartup::incompleteLoginIsNotTried_data()
{
    QTest::addColumn<QString>("empty");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");

    QTest::newRow("password (which the server would accept)")
        << "password" << QString::fromStdString(noPasswordUser) << QString();
    QTest::newRow("database") << "database" << QString::fromStdString(startUser)
                              << QString::fromStdString(startPassword);
    QTest::newRow("server") << "server" << QString::fromStdString(startUser)
                            << QString::fromStdString(startPassword);
}

void TestStartup::incompleteLoginIsNotTried()
{
    QFETCH(QString, empty);
    QFETCH(QString, user);
    QFETCH(QString, password);
    LoginDetails login = as(user.toStdString(), password.toStdString());
    if (empty == QLatin1String("database"))
        login.database.clear();
    if (empty == QLatin1String("server"))
        login.server.clear();
    remember(login);
    long long before = uitest::connectionsOf(login.user);

    PageFlow &pages = restart();

    QCOMPARE(uitest::connectionsOf(login.user) - before, 0);
    QVERIFY(pages.loginPage().isVisible());
    QVERIFY(!pageMade("Form2"));
    QVERIFY(m_seam->messages.isEmpty());
    // The server would have taken the login without a password.
    if (empty == QLatin1String("password"))
        QVERIFY(tryConnect(login));
}

void TestStartup::editsSurviveARestart_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("value");

    QTest::newRow("server emptied") << "Text1"
                                    << "";
    QTest::newRow("port emptied") << "Text5"
                                  << "";
    QTest::newRow("port that is no number") << "Text5"
                                            << "abc";
    QTest::newRow("user, non-Latin") << "Text2" << QString::fromUtf8("Ünïcødé 表");
    QTest::newRow("password with separators") << "Text3"
                                              << "p; w}{=x}";
    QTest::newRow("database with blanks around") << "Text4"
                                                 << "  shop  ";
}

void TestStartup::editsSurviveARestart()
{
    QFETCH(QString, field);
    QFETCH(QString, value);
    typeInto(restart().loginPage().findChild<QLineEdit *>(field), value);

    LoginPage &form = restart().loginPage();

    QCOMPARE(form.findChild<QLineEdit *>(field)->text(), value);
    if (field != QLatin1String("Text1"))
        QCOMPARE(control<QLineEdit>(form, "Text1")->text(), QStringLiteral("localhost"));
    if (field != QLatin1String("Text5"))
        QCOMPARE(control<QLineEdit>(form, "Text5")->text(), QStringLiteral("3306"));
    QVERIFY(m_seam->messages.isEmpty());
}

void TestStartup::homePageOnADrawOfSeven_data()
{
    QTest::addColumn<int>("draw");
    QTest::addColumn<int>("visits");

    for (int draw : { 1, 6, 7, 8, 100 })
        QTest::addRow("%d", draw) << draw << (draw == 7 ? 1 : 0);
}

void TestStartup::homePageOnADrawOfSeven()
{
    QFETCH(int, draw);
    QFETCH(int, visits);
    m_seam->draws = { draw, 7 };

    restart();

    // One draw a start.
    QCOMPARE(m_seam->draws, QList<int> { 7 });
    QCOMPARE(m_seam->openedUrls.size(), visits);
    if (visits)
        QCOMPARE(m_seam->openedUrls.at(0), QUrl(QString::fromLatin1(makerHomePage)));
    QVERIFY(m_pages->loginPage().isVisible());
}

void TestStartup::settingsFileStaysPrivate()
{
    WideUmask wide;
    LoginPage &form = restart().loginPage();
    QCOMPARE(m_config.mode(), 0600);

    for (QChar c : QStringLiteral("a rather long password, typed key by key")) {
        QTest::keyClicks(control<QLineEdit>(form, "Text3"), QString(c));
        QCOMPARE(m_config.mode(), 0600);
    }
    typeInto(control<QLineEdit>(form, "Text1"), QString::fromStdString(testdb::login().server));
    QCOMPARE(m_config.mode(), 0600);
    restart();
    QCOMPARE(m_config.mode(), 0600);
}

void TestStartup::unreadableStoreIsReportedForEachField_data()
{
    QTest::addColumn<bool>("folder");

    QTest::newRow("a folder in place of the file") << true;
    QTest::newRow("malformed file") << false;
}

void TestStartup::unreadableStoreIsReportedForEachField()
{
    QFETCH(bool, folder);
    if (folder)
        QVERIFY(QDir().mkpath(m_config.file()));
    else
        m_config.write("[Kestrune\nMyServer=db.example\nMyUser=kes\n");

    LoginPage &form = restart().loginPage();

    QCOMPARE(m_seam->messages.size(), 5);
    int line = 128;
    for (const ScriptedSeam::Message &message : std::as_const(m_seam->messages)) {
        QCOMPARE(message.title, QStringLiteral("Application Error"));
        QCOMPARE(message.icon, Seam::Icon::Warning);
        QString tail = QStringLiteral("\r\n") + loadLabel + QStringLiteral("at line ")
            + QString::number(line)
            + QStringLiteral("\r\rPlease email screenshot of this message to ")
            + QString::fromUtf8(supportAddress.data(), supportAddress.size());
        QVERIFY2(message.text.endsWith(tail), qPrintable(message.text));
        QVERIFY2(message.text.contains(m_config.file()), qPrintable(message.text));
        line += 2;
    }
    // The load went on to its end and the page works.
    QVERIFY(form.isVisible());
    QCOMPARE(form.windowTitle(), QStringLiteral("Kestrune"));
    m_seam->messages.clear();
    QTest::mouseClick(control<QPushButton>(form, "PushButton2"), Qt::LeftButton);
    QCOMPARE(m_seam->messages.size(), 2);

    m_seam->messages.clear();
    QTest::keyClicks(control<QLineEdit>(form, "Text1"), QStringLiteral("db"));
    QCOMPARE(control<QLineEdit>(form, "Text1")->text(), QStringLiteral("db"));
    if (folder) {
        // Nowhere to write: the user is told, once.
        QCOMPARE(m_seam->messages.size(), 1);
        QVERIFY(m_seam->messages.at(0).text.contains(m_config.file()));
    } else {
        // The first edit rewrites the store in good form, keeping what could be read.
        QVERIFY(m_seam->messages.isEmpty());
        QCOMPARE(m_config.raw(QStringLiteral("MyServer")), QStringLiteral("db"));
        QCOMPARE(m_config.raw(QStringLiteral("MyUser")), QStringLiteral("kes"));
        QCOMPARE(control<QLineEdit>(restart().loginPage(), "Text2")->text(), QStringLiteral("kes"));
        QVERIFY(m_seam->messages.isEmpty());
    }
}

void TestStartup::closingAnyPageEndsTheProgram_data()
{
    QTest::addColumn<QString>("page");

    QTest::newRow("login page") << "Form1";
    QTest::newRow("table selection page, login page hidden") << "Form2";
    QTest::newRow("results page, login page hidden") << "Form3";
}

void TestStartup::closingAnyPageEndsTheProgram()
{
    QFETCH(QString, page);
    PageFlow &pages = restart();
    Page *target = &pages.loginPage();
    if (page != QLatin1String("Form1")) {
        target = page == QLatin1String("Form2") ? static_cast<Page *>(&pages.tableSelectionPage())
                                                : static_cast<Page *>(&pages.resultsPage());
        target->show();
        pages.loginPage().hide();
    }
    // Only the page itself may end the run, not Qt's rule for the last window.
    QGuiApplication::setQuitOnLastWindowClosed(false);
    QTimer::singleShot(0, target, [target] { target->close(); });
    // A safety net so that a page that does not end the program fails instead of hanging.
    QTimer safetyNet;
    safetyNet.setSingleShot(true);
    connect(&safetyNet, &QTimer::timeout, qApp, [] { QCoreApplication::exit(1); });
    safetyNet.start(60000);

    int status = QApplication::exec();

    QGuiApplication::setQuitOnLastWindowClosed(true);
    QCOMPARE(status, 0);
    QVERIFY(m_seam->messages.isEmpty());
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
