#include "db/tablelisting.h"

#include "core/errorreport.h"
#include "db/odbc.h"
#include "support/testdb.h"
#include "uitest.h"
#include "widgets/listview.h"

#include <QTest>

using namespace kestrune;
using uitest::itemsOf;

namespace {

const std::string tablesDatabase = "kt_ui_tables";
const std::string emptyDatabase = "kt_ui_tables_empty";

struct Report {
    std::string description;
    std::string label;
    int line;
};

// One "Next >" handler's worth of listing: its trap, its connection and the two lists.
struct Listing {
    std::vector<Report> reports;
    Trap trap { trace::loginNext,
        [this](const std::string &description, std::string_view label, int line) {
            reports.push_back({ description, std::string(label), line });
        } };
    ListView left;
    ListView right;
    int listsReached = 0;

    void run(odbc::Connection *connection, const LoginDetails &login)
    {
        auto into = [this](ListView &list) {
            return [this, &list](const std::string &name) {
                ++listsReached;
                list.addItem(QString::fromStdString(name));
            };
        };
        ListTables(trap, connection, login, { [] {}, into(left), into(right) });
    }
};

} // namespace

class TestListTables : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void namesArriveInTheServersOrderInBothLists();
    void secondRunDoublesEveryName();
    void emptyDatabaseLeavesTheListsAsTheyWere();
    void failingStepsAreReportedAndTheListingGoesOn();

private:
    QStringList m_names;
};

void TestListTables::initTestCase()
{
    LoginDetails login = testdb::freshDatabase(tablesDatabase);
    // Created out of order, with names that need quoting and non-Latin letters.
    testdb::run(login,
        { "CREATE TABLE `zeta` (id INT)", "CREATE TABLE `Alpha` (id INT)",
            "CREATE TABLE `mid dle` (id INT)", "CREATE TABLE `ünï_表` (id INT)",
            "CREATE TABLE `a;b` (id INT)", "CREATE TABLE `order` (id INT)" });
    testdb::freshDatabase(emptyDatabase);
    m_names = uitest::serverTables(login);
    QCOMPARE(m_names.size(), 6);
    QVERIFY(m_names.contains(QString::fromUtf8("ünï_表")));
}

void TestListTables::cleanupTestCase()
{
    testdb::run({ "DROP DATABASE IF EXISTS `" + tablesDatabase + "`",
        "DROP DATABASE IF EXISTS `" + emptyDatabase + "`" });
}

void TestListTables::namesArriveInTheServersOrderInBothLists()
{
    Listing listing;
    for (ListView *list : { &listing.left, &listing.right })
        list->addColumnHeader(QStringLiteral("Similar Table"));
    odbc::Connection connection;

    listing.run(&connection, testdb::loginTo(tablesDatabase));

    QVERIFY(listing.reports.empty());
    QCOMPARE(itemsOf(listing.left), m_names);
    QCOMPARE(itemsOf(listing.right), m_names);
    QCOMPARE(listing.left.selectedIndex(), 1);
    QCOMPARE(listing.right.selectedIndex(), 1);
    QVERIFY(!connection.isOpen());
    QCOMPARE(testdb::openConnections(tablesDatabase), 0);
}

void TestListTables::secondRunDoublesEveryName()
{
    Listing listing;
    {
        odbc::Connection connection;
        listing.run(&connection, testdb::loginTo(tablesDatabase));
    }
    odbc::Connection connection;
    listing.run(&connection, testdb::loginTo(tablesDatabase));

    QVERIFY(listing.reports.empty());
    QCOMPARE(itemsOf(listing.left), m_names + m_names);
    QCOMPARE(itemsOf(listing.right), m_names + m_names);
}

void TestListTables::emptyDatabaseLeavesTheListsAsTheyWere()
{
    Listing listing;
    listing.left.addItem(QStringLiteral("kept left"));
    listing.right.addItem(QStringLiteral("kept right"));
    listing.right.addItem(QStringLiteral("kept right 2"));
    listing.listsReached = 0;
    odbc::Connection connection;

    listing.run(&connection, testdb::loginTo(emptyDatabase));

    QVERIFY(listing.reports.empty());
    QCOMPARE(itemsOf(listing.left), QStringList { "kept left" });
    QCOMPARE(itemsOf(listing.right), QStringList({ "kept right", "kept right 2" }));
    // The selection page is only created when it is shown.
    QCOMPARE(listing.listsReached, 0);
    QVERIFY(!connection.isOpen());
    QCOMPARE(testdb::openConnections(emptyDatabase), 0);
}

void TestListTables::failingStepsAreReportedAndTheListingGoesOn()
{
    Listing listing;
    listing.left.addItem(QStringLiteral("kept"));
    LoginDetails refused = testdb::loginTo(tablesDatabase);
    refused.password = "not-the-password";
    odbc::Connection connection;

    listing.run(&connection, refused);

    QVERIFY(listing.reports.size() >= 3);
    QCOMPARE(listing.reports.front().line, 108);
    QVERIFY2(listing.reports.front().description.find("Access denied") != std::string::npos,
        listing.reports.front().description.c_str());
    int previous = 0;
    for (const Report &report : listing.reports) {
        QCOMPARE(report.label, std::string(trace::loginNext));
        QVERIFY(report.line > previous);
        QVERIFY(!report.description.empty());
        previous = report.line;
    }
    // The rest of the listing ran: the closes at the end were reached.
    QCOMPARE(listing.reports.back().line >= 124, true);
    QCOMPARE(itemsOf(listing.left), QStringList { "kept" });
    QCOMPARE(listing.right.count(), 0);
}

QTEST_MAIN(TestListTables)
#include "tst_listtables.moc"
