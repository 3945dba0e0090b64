#include "flow/wizard.h"
#include "support/controls.h"

#include "db/odbc/odbc.h"
#include "support/testdb.h"
#include "widgets/listview.h"
#include "widgets/resultspage.h"
#include "widgets/tableselectionpage.h"

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTest>

#include <algorithm>
#include <unistd.h>

using namespace kestrune;

namespace {

const char *database = "kt_fault_soak";
const char *user = "kt_fault_soak";

long long residentBytes()
{
    QFile statm("/proc/self/statm");
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLongLong() * ::sysconf(_SC_PAGESIZE) : -1;
}

int openDescriptors()
{
    return static_cast<int>(QDir("/proc/self/fd")
                                .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)
                                .size());
}

// Connections the server holds for the soak's own user, which nothing else logs in as.
int serverConnections()
{
    odbc::Connection connection;
    connection.open(buildConnectionString(testdb::login()));
    return std::stoi(
        connection
            .execute(
                std::string("SELECT COUNT(*) FROM information_schema.PROCESSLIST WHERE USER = '")
                + user + "'")
            .firstField());
}

} // namespace

class SoakTest : public QObject {
    Q_OBJECT

private slots:
    void twoHundredComparisons();
};

void SoakTest::twoHundredComparisons()
{
    testdb::freshDatabase(database);
    const char *rowsA = "INSERT INTO a SELECT seq, CONCAT('name ', seq), seq / 100, "
                        "'2024-01-01' + INTERVAL seq MINUTE FROM seq_1_to_2000";
    // Every tenth name differs, and b has 100 more records.
    const char *rowsB
        = "INSERT INTO b SELECT seq, CONCAT(IF(seq % 10 = 0, 'Name ', 'name '), seq), "
          "seq / 100, '2024-01-01' + INTERVAL seq MINUTE FROM seq_1_to_2100";
    testdb::run(testdb::loginTo(database),
        { "CREATE TABLE a (id INT PRIMARY KEY, name VARCHAR(30), price DECIMAL(8,2), at DATETIME)",
            "CREATE TABLE b LIKE a", rowsA, rowsB,
            std::string("DROP USER IF EXISTS '") + user + "'@'%'",
            std::string("CREATE USER '") + user + "'@'%' IDENTIFIED BY 'soak-pw'",
            std::string("GRANT SELECT ON ") + database + ".* TO '" + user + "'@'%'" });
    LoginDetails login = testdb::loginTo(database);
    login.user = user;
    login.password = "soak-pw";

    constexpr int runs = 200;
    constexpr int warmUp = 10;
    std::vector<long long> resident;
    std::vector<int> descriptors;
    Wizard wizard(login);
    for (int run = 1; run <= runs; ++run) {
        wizard.compare("a", "b");
        ResultsPage &results = wizard.pages.resultsPage();
        QVERIFY(results.isVisible());
        QCOMPARE(control<ListView>(results, "ListView1")->count(), 200);
        QCOMPARE(control<ListView>(results, "ListView2")->count(), 100);
        QTest::mouseClick(control<QPushButton>(results, "PushButton2"), Qt::LeftButton);
        QVERIFY(wizard.pages.tableSelectionPage().isVisible());
        resident.push_back(residentBytes());
        descriptors.push_back(openDescriptors());
        // The server ends a session a moment after the client has let it go.
        if (run % 50 == 0)
            QTRY_COMPARE_WITH_TIMEOUT(serverConnections(), 0, 10000);
    }
    QCOMPARE(wizard.seam.messageTexts(), QStringList());

    int settledDescriptors = descriptors[warmUp - 1];
    int mostDescriptors = *std::max_element(descriptors.begin() + warmUp, descriptors.end());
    QVERIFY2(mostDescriptors <= settledDescriptors,
        qPrintable(QStringLiteral("open descriptors grew from %1 to %2")
                       .arg(settledDescriptors)
                       .arg(mostDescriptors)));

#if defined(__SANITIZE_ADDRESS__)
    // AddressSanitizer holds freed memory back on purpose; leaks are LeakSanitizer's to find.
#else
    long long settled = resident[warmUp - 1];
    long long most = *std::max_element(resident.begin() + warmUp, resident.end());
    QVERIFY2(most <= settled + settled / 10,
        qPrintable(QStringLiteral("resident memory grew from %1 kB to %2 kB")
                       .arg(settled / 1024)
                       .arg(most / 1024)));
#endif
}

QTEST_MAIN(SoakTest)
#include "tst_soak.moc"
