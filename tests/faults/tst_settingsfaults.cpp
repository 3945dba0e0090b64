#include "program.h"
#include "support/controls.h"
#include "support/files.h"
#include "widgets/errorreport.h"
#include "widgets/listview.h"

#include "flow/wizard.h"
#include "support/testdb.h"
#include "widgets/loginpage.h"
#include "widgets/tableselectionpage.h"

#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace kestrune;
using kestrune::testfiles::contents;

namespace {

const char *database = "kt_fault_settings";

// The ordinary user that AsOrdinaryUser switches to owns the store, as a user owns their own.
void handOver(const QString &path, mode_t mode)
{
    QByteArray name = QFile::encodeName(path);
    if (::geteuid() == 0)
        QCOMPARE(::chown(name.constData(), 65534, 65534), 0);
    QCOMPARE(::chmod(name.constData(), mode), 0);
}

void typeLogin(LoginPage &loginPage, const LoginDetails &login)
{
    retype(control<QLineEdit>(loginPage, "Text1"), QString::fromStdString(login.server));
    retype(control<QLineEdit>(loginPage, "Text5"), QString::fromStdString(login.port));
    retype(control<QLineEdit>(loginPage, "Text2"), QString::fromStdString(login.user));
    retype(control<QLineEdit>(loginPage, "Text3"), QString::fromStdString(login.password));
    retype(control<QLineEdit>(loginPage, "Text4"), QString::fromStdString(login.database));
}

QStringList loadReports(const QString &reason)
{
    QStringList expected;
    for (int line : { 128, 130, 132, 134, 136 })
        expected.append(reason + "\r\nin Kestrune2021/08/31.Form1.Form_Load at line "
            + QString::number(line) + "\r\rPlease email screenshot of this message to "
            + QString::fromUtf8(supportAddress.data(), supportAddress.size()));
    return expected;
}

} // namespace

class SettingsFaultsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void unreadableStore();
    void malformedStore();
    void readOnlyFolder();
};

void SettingsFaultsTest::initTestCase()
{
    testdb::freshDatabase(database);
    testdb::run({ std::string("CREATE TABLE ") + database + ".t1 (id INT PRIMARY KEY)",
        std::string("CREATE TABLE ") + database + ".t2 (id INT PRIMARY KEY)" });
}

void SettingsFaultsTest::unreadableStore()
{
    LoginDetails login = testdb::loginTo(database);
    Program program;
    program.remember(login);
    QByteArray before = contents(program.settingsFile());
    handOver(program.settingsFolder(), 0700);
    handOver(program.settingsFile(), 0200);

    AsOrdinaryUser user;
    if (!user.ok())
        QSKIP("running as root and cannot switch to an ordinary user, so every file is readable");
    program.start();
    // Each of the five reads is reported with its own statement, and the page still comes up.
    QStringList boxes = program.seam.messageTexts();
    QCOMPARE(boxes, loadReports("Settings store " + program.settingsFile() + ": cannot be read"));
    for (const ScriptedSeam::Message &box : program.seam.messages)
        QCOMPARE(box.title, QStringLiteral("Application Error"));
    LoginPage &loginPage = program.pages().loginPage();
    QVERIFY(loginPage.isVisible());
    QVERIFY(!pageMade("Form2"));

    // Typing a whole login tells once that it cannot be remembered, not at every keystroke.
    program.seam.messages.clear();
    typeLogin(loginPage, login);
    QCOMPARE(program.seam.messages.size(), 1);
    QCOMPARE(program.seam.messages.constFirst().icon, Seam::Icon::Warning);
    QVERIFY2(program.seam.messages.constFirst().text.contains(program.settingsFile()),
        qPrintable(program.seam.messages.constFirst().text));
    QTest::mouseClick(control<QPushButton>(loginPage, "PushButton3"), Qt::LeftButton);
    QCOMPARE(program.seam.messages.size(), 1);
    QVERIFY(program.pages().tableSelectionPage().isVisible());
    QCOMPARE(itemsOf(*control<ListView>(program.pages().tableSelectionPage(), "ListView1")),
        QStringList({ "t1", "t2" }));

    handOver(program.settingsFile(), 0600);
    QCOMPARE(contents(program.settingsFile()), before);
}

void SettingsFaultsTest::malformedStore()
{
    LoginDetails login = testdb::loginTo(database);
    Program program;
    program.writeSettingsFile("[Kestrune\nMyServer=elsewhere\nnot a setting\n");
    program.start();
    // Each read reports it, not only the first one that parsed the file.
    QCOMPARE(program.seam.messageTexts(),
        loadReports(
            "Settings store " + program.settingsFile() + ": is not in the expected format"));
    LoginPage &loginPage = program.pages().loginPage();
    QVERIFY(loginPage.isVisible());

    // The first edit writes the store anew in good form; the login typed then works.
    program.seam.messages.clear();
    typeLogin(loginPage, login);
    QCOMPARE(program.seam.messageTexts(), QStringList());
    QTest::mouseClick(control<QPushButton>(loginPage, "PushButton3"), Qt::LeftButton);
    QVERIFY(program.pages().tableSelectionPage().isVisible());

    QSettings store(program.settingsFile(), QSettings::IniFormat);
    QCOMPARE(store.status(), QSettings::NoError);
    QCOMPARE(store.value("Kestrune/MyDatabase").toString(), QString::fromLatin1(database));
    QCOMPARE(store.value("Kestrune/MyPassword").toString(), QString::fromStdString(login.password));
}

void SettingsFaultsTest::readOnlyFolder()
{
    LoginDetails login = testdb::loginTo(database);
    Program program;
    program.remember(login);
    QByteArray before = contents(program.settingsFile());
    handOver(program.settingsFile(), 0600);
    handOver(program.settingsFolder(), 0555);
    auto unlock = qScopeGuard([&] { handOver(program.settingsFolder(), 0700); });

    AsOrdinaryUser user;
    if (!user.ok())
        QSKIP("running as root and cannot switch to an ordinary user, so every folder is writable");
    // Reading the remembered login back changes nothing, so there is nothing to report.
    program.start();
    QCOMPARE(program.seam.messageTexts(), QStringList());
    TableSelectionPage &selectionPage = program.pages().tableSelectionPage();
    QVERIFY(selectionPage.isVisible());

    // A real edit cannot be remembered: told once, and the program goes on with the typed text.
    QTest::mouseClick(control<QPushButton>(selectionPage, "PushButton2"), Qt::LeftButton);
    LoginPage &loginPage = program.pages().loginPage();
    retype(control<QLineEdit>(loginPage, "Text4"), QStringLiteral("kt_fault_none"));
    QCOMPARE(program.seam.messages.size(), 1);
    QCOMPARE(program.seam.messages.constFirst().icon, Seam::Icon::Warning);
    retype(control<QLineEdit>(loginPage, "Text4"), QString::fromStdString(database));
    QCOMPARE(program.seam.messages.size(), 1);
    QTest::mouseClick(control<QPushButton>(loginPage, "PushButton3"), Qt::LeftButton);
    QVERIFY(selectionPage.isVisible());
    QCOMPARE(contents(program.settingsFile()), before);
}

QTEST_MAIN(SettingsFaultsTest)
#include "tst_settingsfaults.moc"
