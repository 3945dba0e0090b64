#include "widgets/loginpage.h"

#include "app/pageflow.h"
#include "support/controls.h"
#include "support/scriptedseam.h"
#include "support/testdb.h"
#include "uitest.h"
#include "widgets/listview.h"
#include "widgets/tableselectionpage.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

using namespace kestrune;
using uitest::itemsOf;
using uitest::typeInto;

namespace {

const std::string tablesDatabase = "kt_ui_login";
const std::string emptyDatabase = "kt_ui_login_empty";
const std::string oddDatabase = "kt_ui_login;o=d{d}";
// The server counts refused logins only some time later, so the accounts whose connections are
// counted are never given a wrong password; that is what the third one is for.
const std::string plainUser = "kt_ui_login";
const std::string plainPassword = "login-pw";
const std::string refusedUser = "kt_ui_login_refused";
// Everything a connection string could trip over: separators, braces, equals and blanks.
const std::string oddUser = "kt_ui o;d{d}=";
const std::string oddPassword = "p; w}{=x}";

const QString successText = QStringLiteral("Connection successful.");
const QString failureText = QStringLiteral(
    "Could not connect. Please check with your administrator. Make sure you are allowed to "
    "connect to your database remotely and not just through web-based control panels.");

LoginDetails as(const std::string &user, const std::string &password, const std::string &db)
{
    LoginDetails login = testdb::loginTo(db);
    login.user = user;
    login.password = password;
    return login;
}

QString text(const std::string &value) { return QString::fromStdString(value); }

} // namespace

Q_DECLARE_METATYPE(kestrune::LoginDetails)

class TestLoginPage : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void layout_data();
    void layout();
    void tabOrder();
    void focusSelectsTheWholeField();
    void passwordIsMaskedAndStoredPlain();
    void everyKeystrokeIsStored_data();
    void everyKeystrokeIsStored();

    void testConnection_data();
    void testConnection();
    void helpShowsItsTwoBoxesInOrder();

    void nextWithARefusedLoginChangesNothing();
    void nextListsTheTablesAndMovesOn_data();
    void nextListsTheTablesAndMovesOn();
    void backAndNextAgainListsEveryTableTwice();
    void nextWithAnEmptyDatabaseShowsEmptyLists();

private:
    LoginPage &form() { return m_pages->loginPage(); }
    QPushButton *button(const char *name);
    void enter(const LoginDetails &login);

    ConfigHome m_config;
    std::unique_ptr<ScriptedSeam> m_seam;
    std::unique_ptr<PageFlow> m_pages;
    QStringList m_tables;
};

void TestLoginPage::initTestCase()
{
    LoginDetails tables = testdb::freshDatabase(tablesDatabase);
    testdb::run(tables,
        { "CREATE TABLE `orders` (id INT)", "CREATE TABLE `customers` (id INT)",
            "CREATE TABLE `order lines` (id INT)" });
    testdb::freshDatabase(emptyDatabase);
    testdb::run(testdb::freshDatabase(oddDatabase), { "CREATE TABLE `t;1` (id INT)" });
    uitest::createUser(plainUser, plainPassword, tablesDatabase);
    testdb::run("GRANT ALL PRIVILEGES ON `" + emptyDatabase + "`.* TO " + uitest::sqlText(plainUser)
        + "@'%'");
    uitest::createUser(oddUser, oddPassword, oddDatabase);
    uitest::createUser(refusedUser, plainPassword, tablesDatabase);
    m_tables = uitest::serverTables(tables);
    QCOMPARE(m_tables.size(), 3);
}

void TestLoginPage::cleanupTestCase()
{
    uitest::dropUser(plainUser);
    uitest::dropUser(oddUser);
    uitest::dropUser(refusedUser);
    for (const std::string &db : { tablesDatabase, emptyDatabase, oddDatabase })
        testdb::run("DROP DATABASE IF EXISTS `" + db + "`");
}

void TestLoginPage::init()
{
    m_config.clear();
    m_seam = std::make_unique<ScriptedSeam>();
    m_pages = std::make_unique<PageFlow>(*m_seam);
    m_pages->start();
    QVERIFY(form().isVisible());
    QVERIFY(m_seam->messages.isEmpty());
}

void TestLoginPage::cleanup()
{
    m_pages.reset();
    m_seam.reset();
}

QPushButton *TestLoginPage::button(const char *name)
{
    auto *found = form().findChild<QPushButton *>(QString::fromLatin1(name));
    if (!found)
        qFatal("no button %s", name);
    return found;
}

void TestLoginPage::enter(const LoginDetails &login)
{
    typeInto(control<QLineEdit>(form(), "Text1"), text(login.server));
    typeInto(control<QLineEdit>(form(), "Text5"), text(login.port));
    typeInto(control<QLineEdit>(form(), "Text2"), text(login.user));
    typeInto(control<QLineEdit>(form(), "Text3"), text(login.password));
    typeInto(control<QLineEdit>(form(), "Text4"), text(login.database));
}

void TestLoginPage::layout_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("inFrame");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QRect>("twips");
    QTest::addColumn<qreal>("points");

    auto row = [](const char *name, bool inFrame, const char *caption, int l, int t, int w, int h,
                   qreal points) {
        QTest::newRow(name) << QString::fromLatin1(name) << inFrame << QString::fromLatin1(caption)
                            << QRect(l, t, w, h) << points;
    };
    row("Frame1", false, "MySQL Login", 120, 120, 7800, 2895, 9);
    row("Label2", true, "Server:", 240, 405, 1095, 255, 9);
    row("Text1", true, "", 1320, 360, 4575, 345, 9);
    row("Label9", true, "Port:", 6000, 405, 495, 255, 9);
    row("Text5", true, "", 6480, 360, 1095, 345, 9);
    row("Label1", true, "Username:", 240, 885, 1095, 255, 9);
    row("Text2", true, "", 1320, 840, 6255, 345, 9);
    row("Label4", true, "Password:", 240, 1365, 1095, 255, 9);
    row("Text3", true, "", 1320, 1320, 6255, 345, 9);
    row("Label3", true, "Database:", 240, 1845, 975, 255, 9);
    row("Text4", true, "", 1320, 1800, 6255, 345, 9);
    row("PushButton5", true, "Test Connection", 240, 2280, 3600, 405, 11.25);
    row("PushButton2", true, "Help", 3960, 2280, 3600, 405, 11.25);
    row("PushButton3", false, "Next >", 120, 3140, 7800, 405, 11.25);
}

void TestLoginPage::layout()
{
    QFETCH(QString, name);
    QFETCH(bool, inFrame);
    QFETCH(QString, caption);
    QFETCH(QRect, twips);
    QFETCH(qreal, points);
    auto pixels = [this](int value) { return qRound(value * form().logicalDpiX() / 1440.0); };

    auto *widget = form().findChild<QWidget *>(name);
    QVERIFY(widget);
    QCOMPARE(widget->parentWidget(),
        inFrame ? static_cast<QWidget *>(control<QGroupBox>(form(), "Frame1")) : &form());
    QCOMPARE(widget->geometry(),
        QRect(pixels(twips.x()), pixels(twips.y()), pixels(twips.width()), pixels(twips.height())));
    QCOMPARE(widget->font().family(), QStringLiteral("Arial"));
    QVERIFY(widget->font().bold());
    QCOMPARE(widget->font().pointSizeF(), points);
    if (auto *label = qobject_cast<QLabel *>(widget))
        QCOMPARE(label->text(), caption);
    else if (auto *pushButton = qobject_cast<QPushButton *>(widget))
        QCOMPARE(pushButton->text(), caption);
    else if (auto *frame = qobject_cast<QGroupBox *>(widget))
        QCOMPARE(frame->title(), caption);

    // The window: fixed client size, a minimize button but no maximize button.
    QCOMPARE(form().size(), QSize(pixels(8040), pixels(3645)));
    QCOMPARE(form().minimumSize(), form().maximumSize());
    QVERIFY(form().windowFlags() & Qt::WindowMinimizeButtonHint);
    QVERIFY(!(form().windowFlags() & Qt::WindowMaximizeButtonHint));
    QCOMPARE(form().windowTitle(), QStringLiteral("Kestrune"));
}

void TestLoginPage::tabOrder()
{
    QVERIFY(QTest::qWaitForWindowActive(&form()));
    QCOMPARE(QApplication::focusWidget(), control<QLineEdit>(form(), "Text1"));

    QStringList visited;
    for (int i = 0; i < 8; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited.append(QApplication::focusWidget()->objectName());
    }
    QCOMPARE(visited,
        QStringList({ "Text5", "Text2", "Text3", "Text4", "PushButton5", "PushButton2",
            "PushButton3", "Text1" }));
}

void TestLoginPage::focusSelectsTheWholeField()
{
    QVERIFY(QTest::qWaitForWindowActive(&form()));
    // The first field has the focus when the page opens, with its text selected.
    QCOMPARE(QApplication::focusWidget(), control<QLineEdit>(form(), "Text1"));
    QCOMPARE(control<QLineEdit>(form(), "Text1")->selectedText(), QStringLiteral("localhost"));

    enter(testdb::loginTo(tablesDatabase));
    // However the field gets the focus.
    control<QLineEdit>(form(), "Text4")->setFocus(Qt::OtherFocusReason);
    QCOMPARE(control<QLineEdit>(form(), "Text4")->selectedText(),
        control<QLineEdit>(form(), "Text4")->text());
    control<QLineEdit>(form(), "Text1")->setFocus(Qt::MouseFocusReason);
    QCOMPARE(control<QLineEdit>(form(), "Text1")->selectedText(),
        control<QLineEdit>(form(), "Text1")->text());
    for (QLineEdit *field :
        { control<QLineEdit>(form(), "Text5"), control<QLineEdit>(form(), "Text2"),
            control<QLineEdit>(form(), "Text3"), control<QLineEdit>(form(), "Text4") }) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), field);
        QVERIFY(!field->text().isEmpty());
        QCOMPARE(field->selectedText(), field->text());
    }

    // Typing replaces what was selected.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("other"));
    QCOMPARE(control<QLineEdit>(form(), "Text3")->text(), QStringLiteral("other"));
    QCOMPARE(m_config.raw(QStringLiteral("MyPassword")), QStringLiteral("other"));
}

void TestLoginPage::passwordIsMaskedAndStoredPlain()
{
    QVERIFY(QTest::qWaitForWindowExposed(&form()));
    typeInto(control<QLineEdit>(form(), "Text3"), QStringLiteral("se3"));

    QCOMPARE(control<QLineEdit>(form(), "Text3")->text(), QStringLiteral("se3"));
    QCOMPARE(control<QLineEdit>(form(), "Text3")->displayText(), QStringLiteral("***"));
    QVERIFY(!control<QLineEdit>(form(), "Text3")->testAttribute(Qt::WA_InputMethodEnabled));
    control<QLineEdit>(form(), "Text3")->setFocus();
    QVERIFY(!control<QLineEdit>(form(), "Text3")->testAttribute(Qt::WA_InputMethodEnabled));
    QCOMPARE(m_config.raw(QStringLiteral("MyPassword")), QStringLiteral("se3"));
}

void TestLoginPage::everyKeystrokeIsStored_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("typed");

    QTest::newRow("server") << "Text1"
                            << "MyServer"
                            << "db1.example";
    QTest::newRow("port") << "Text5"
                          << "MyPort"
                          << "33x";
    QTest::newRow("user") << "Text2"
                          << "MyUser"
                          << "kes";
    QTest::newRow("password") << "Text3"
                              << "MyPassword"
                              << "se3!";
    QTest::newRow("database") << "Text4"
                              << "MyDatabase"
                              << "shop";
}

void TestLoginPage::everyKeystrokeIsStored()
{
    QFETCH(QString, field);
    QFETCH(QString, key);
    QFETCH(QString, typed);
    auto *edit = form().findChild<QLineEdit *>(field);
    QVERIFY(edit);

    typeInto(edit, QStringLiteral("seed"));
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_Delete);
    QCOMPARE(m_config.raw(key), QString());
    QString expected;
    for (QChar c : typed) {
        QTest::keyClick(edit, c.toLatin1());
        expected += c;
        QCOMPARE(m_config.raw(key), expected);
    }
    QTest::keyClick(edit, Qt::Key_Backspace);
    expected.chop(1);
    QCOMPARE(m_config.raw(key), expected);
    QVERIFY(m_seam->messages.isEmpty());
}

void TestLoginPage::testConnection_data()
{
    QTest::addColumn<LoginDetails>("login");
    QTest::addColumn<QString>("message");

    LoginDetails good = as(plainUser, plainPassword, tablesDatabase);
    QTest::newRow("valid") << good << successText;
    QTest::newRow("separators, braces and blanks in the values")
        << as(oddUser, oddPassword, oddDatabase) << successText;
    LoginDetails padded = good;
    padded.server = " " + padded.server + " ";
    padded.port = padded.port + " ";
    QTest::newRow("blanks around server and port") << padded << successText;

    LoginDetails wrong = as(refusedUser, "not-the-password", tablesDatabase);
    QTest::newRow("wrong password") << wrong << failureText;
    LoginDetails almost = as(refusedUser, plainPassword + ";", tablesDatabase);
    QTest::newRow("password with a separator added") << almost << failureText;
    LoginDetails unknown = as(refusedUser, plainPassword, "kt_ui_no_such_database");
    QTest::newRow("unknown database") << unknown << failureText;
    LoginDetails closed = good;
    closed.port = "1";
    QTest::newRow("nobody listening") << closed << failureText;
    LoginDetails nowhere = good;
    nowhere.server = "nosuch.invalid";
    QTest::newRow("unresolvable host") << nowhere << failureText;
}

void TestLoginPage::testConnection()
{
    QFETCH(LoginDetails, login);
    QFETCH(QString, message);
    enter(login);
    QList<Page::Pointer> shapesWhileOpen;
    QList<Qt::CursorShape> cursorsWhileOpen;
    m_seam->whileMessageOpen = [&](const ScriptedSeam::Message &) {
        shapesWhileOpen.append(form().pointerShape());
        cursorsWhileOpen.append(form().cursor().shape());
        // The hourglass wins over the hand while the handler works.
        uitest::moveOver(button("PushButton2"));
        shapesWhileOpen.append(form().pointerShape());
    };
    // The box says only that it failed; the log tells why, as the driver put it.
    if (message == failureText)
        QTest::ignoreMessage(QtInfoMsg,
            QRegularExpression(QStringLiteral("^Test Connection failed: \\[[0-9A-Z]{5}\\] .+")));

    QTest::mouseClick(button("PushButton5"), Qt::LeftButton);

    QCOMPARE(m_seam->messages.size(), 1);
    QCOMPARE(m_seam->messages.at(0).text, message);
    QCOMPARE(m_seam->messages.at(0).title, QStringLiteral("Kestrune"));
    QCOMPARE(m_seam->messages.at(0).icon, Seam::Icon::None);
    QCOMPARE(shapesWhileOpen,
        QList<Page::Pointer>({ Page::Pointer::Hourglass, Page::Pointer::Hourglass }));
    QCOMPARE(cursorsWhileOpen, QList<Qt::CursorShape> { Qt::WaitCursor });
    // Back to the default, even though the pointer last rested on a button.
    QCOMPARE(form().pointerShape(), Page::Pointer::Default);
    QCOMPARE(form().cursor().shape(), Qt::ArrowCursor);
    QVERIFY(form().isVisible());
    QVERIFY(!pageMade("Form2"));
    QCOMPARE(testdb::openConnections(login.database), 0);
}

void TestLoginPage::helpShowsItsTwoBoxesInOrder()
{
    QTest::mouseClick(button("PushButton2"), Qt::LeftButton);

    QCOMPARE(m_seam->messages.size(), 2);
    QCOMPARE(m_seam->messages.at(0).text,
        QStringLiteral("If you cannot establish connection to your database with this program, "
                       "please go to: \r\rhttps://dev.mysql.com/downloads/workbench/\r\rDownload "
                       "and install the MySQL Workbench. Try to connect to the same database "
                       "(with the same login information you are using here). This will "
                       "determine if the login you are using is correct.\r\rFinally, make sure "
                       "your host allows a direct connection to your MySQL database -- not a web "
                       "based connection, for example."));
    QCOMPARE(m_seam->messages.at(1).text,
        QStringLiteral("You must have Access 2000 or higher installed for this MySQL program."));
    for (const ScriptedSeam::Message &box : m_seam->messages) {
        QCOMPARE(box.title, QStringLiteral("Kestrune"));
        QCOMPARE(box.icon, Seam::Icon::None);
        QVERIFY(!box.text.contains(QLatin1Char('\n')));
    }
    QVERIFY(form().isVisible());
}

void TestLoginPage::nextWithARefusedLoginChangesNothing()
{
    LoginDetails refused = as(refusedUser, "not-the-password", tablesDatabase);
    enter(refused);
    QTest::ignoreMessage(QtInfoMsg,
        QRegularExpression(QStringLiteral("^The connection probe was refused: \\[28000\\] "
                                          ".*Access denied for user")));

    QTest::mouseClick(button("PushButton3"), Qt::LeftButton);

    QVERIFY(m_seam->messages.isEmpty());
    QVERIFY(form().isVisible());
    QVERIFY(!pageMade("Form2"));
    QCOMPARE(form().loginDetails().password, refused.password);
    QCOMPARE(form().pointerShape(), Page::Pointer::Default);
}

void TestLoginPage::nextListsTheTablesAndMovesOn_data()
{
    QTest::addColumn<LoginDetails>("login");

    QTest::newRow("plain") << as(plainUser, plainPassword, tablesDatabase);
    QTest::newRow("separators, braces and blanks in the values")
        << as(oddUser, oddPassword, oddDatabase);
}

void TestLoginPage::nextListsTheTablesAndMovesOn()
{
    QFETCH(LoginDetails, login);
    enter(login);
    long long before = uitest::connectionsOf(login.user);

    QTest::mouseClick(button("PushButton3"), Qt::LeftButton);
    long long opened = uitest::connectionsOf(login.user) - before;

    QVERIFY(m_seam->messages.isEmpty());
    QVERIFY(pageMade("Form2"));
    TableSelectionPage &selectionPage = m_pages->tableSelectionPage();
    QVERIFY(selectionPage.isVisible());
    QVERIFY(!form().isVisible());
    QStringList tables = uitest::serverTables(login);
    QVERIFY(!tables.isEmpty());
    QCOMPARE(itemsOf(*control<ListView>(selectionPage, "ListView1")), tables);
    QCOMPARE(itemsOf(*control<ListView>(selectionPage, "ListView2")), tables);
    // The probe, then the listing; neither stays open.
    QCOMPARE(opened, 2);
    QCOMPARE(testdb::openConnections(login.database), 0);
}

void TestLoginPage::backAndNextAgainListsEveryTableTwice()
{
    enter(as(plainUser, plainPassword, tablesDatabase));
    QTest::mouseClick(button("PushButton3"), Qt::LeftButton);
    TableSelectionPage &selectionPage = m_pages->tableSelectionPage();
    QTest::mouseClick(
        selectionPage.findChild<QPushButton *>(QStringLiteral("PushButton2")), Qt::LeftButton);
    QVERIFY(form().isVisible());
    QVERIFY(!selectionPage.isVisible());
    // Hidden, the lists keep what they held.
    QCOMPARE(itemsOf(*control<ListView>(selectionPage, "ListView1")), m_tables);

    QTest::mouseClick(button("PushButton3"), Qt::LeftButton);

    QVERIFY(selectionPage.isVisible());
    QVERIFY(!form().isVisible());
    QCOMPARE(itemsOf(*control<ListView>(selectionPage, "ListView1")), m_tables + m_tables);
    QCOMPARE(itemsOf(*control<ListView>(selectionPage, "ListView2")), m_tables + m_tables);
    QVERIFY(m_seam->messages.isEmpty());
}

void TestLoginPage::nextWithAnEmptyDatabaseShowsEmptyLists()
{
    enter(as(plainUser, plainPassword, emptyDatabase));

    QTest::mouseClick(button("PushButton3"), Qt::LeftButton);

    QVERIFY(m_seam->messages.isEmpty());
    QVERIFY(pageMade("Form2"));
    QVERIFY(m_pages->tableSelectionPage().isVisible());
    QVERIFY(!form().isVisible());
    QCOMPARE(control<ListView>(m_pages->tableSelectionPage(), "ListView1")->count(), 0);
    QCOMPARE(control<ListView>(m_pages->tableSelectionPage(), "ListView2")->count(), 0);
    QCOMPARE(testdb::openConnections(emptyDatabase), 0);
}

QTEST_MAIN(TestLoginPage)
#include "tst_loginpage.moc"
