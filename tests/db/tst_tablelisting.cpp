#include "db/tablelisting.h"

#include "db/odbc.h"
#include "support/testdb.h"

#include <QTest>

#include <algorithm>
#include <functional>
#include <optional>

using namespace kestrune;

namespace {

const std::string tablesDatabase = "kt_db_tables";
const std::string emptyDatabase = "kt_db_tables_empty";

// Every name, each step run as the login page runs them.
std::vector<std::string> listAll(TableListing &listing, const LoginDetails &login)
{
    listing.connect(login);
    listing.query();
    std::vector<std::string> names;
    for (int i = listing.count(); i > 0; --i) {
        names.push_back(listing.name());
        // Asked twice a row, once for each list.
        if (listing.name() != names.back())
            throw std::logic_error("a name read twice differs");
        listing.moveNext();
    }
    listing.closeNames();
    listing.disconnect();
    return names;
}

std::optional<std::string> errorOf(const std::function<void()> &step)
{
    try {
        step();
    } catch (const std::exception &error) {
        return error.what();
    }
    return std::nullopt;
}

} // namespace

class TestTableListing : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        testdb::run(testdb::freshDatabase(tablesDatabase),
            { "CREATE TABLE `zeta` (id INT)", "CREATE TABLE `Alpha` (id INT)",
                "CREATE TABLE `mid dle` (id INT)", "CREATE TABLE `ünï_表` (id INT)",
                "CREATE TABLE `a;b` (id INT)", "CREATE TABLE `order` (id INT)" });
        testdb::freshDatabase(emptyDatabase);
    }

    void cleanupTestCase()
    {
        testdb::run({ "DROP DATABASE IF EXISTS `" + tablesDatabase + "`",
            "DROP DATABASE IF EXISTS `" + emptyDatabase + "`" });
    }

    void everyNameOnceAndTheConnectionClosed()
    {
        odbc::Connection connection;
        TableListing listing(&connection);
        std::vector<std::string> names = listAll(listing, testdb::loginTo(tablesDatabase));
        std::sort(names.begin(), names.end());
        QCOMPARE(names,
            std::vector<std::string>({ "Alpha", "a;b", "mid dle", "order", "zeta", "ünï_表" }));
        QCOMPARE(testdb::openConnections(tablesDatabase), 0);

        TableListing none(&connection);
        QVERIFY(listAll(none, testdb::loginTo(emptyDatabase)).empty());
    }

    // Each step fails on its own, and a step whose earlier step failed says so.
    void failedStepsSayWhat()
    {
        LoginDetails refused = testdb::loginTo(tablesDatabase);
        refused.password = "not-the-password";
        odbc::Connection connection;
        TableListing listing(&connection);
        std::optional<std::string> error = errorOf([&] { listing.connect(refused); });
        QVERIFY(error && error->find("Access denied") != std::string::npos);
        QVERIFY(errorOf([&] { listing.query(); }));
        const std::string notRead = "Object variable not set: the table list was not read.";
        QCOMPARE(errorOf([&] { listing.count(); }), notRead);
        QCOMPARE(errorOf([&] { listing.name(); }), notRead);
        QCOMPARE(errorOf([&] { listing.closeNames(); }), notRead);
        QCOMPARE(errorOf([&] { listing.disconnect(); }), std::nullopt);

        TableListing withoutConnection(nullptr);
        QCOMPARE(errorOf([&] { withoutConnection.connect(testdb::loginTo(tablesDatabase)); }),
            std::string("Object variable not set: the connection could not be created."));
    }
};

QTEST_APPLESS_MAIN(TestTableListing)
#include "tst_tablelisting.moc"
