#include "support/controls.h"
#include "valuetables.h"
#include "wizard.h"

#include "support/testdb.h"
#include "widgets/listview.h"
#include "widgets/loginpage.h"
#include "widgets/resultspage.h"
#include "widgets/tableselectionpage.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace kestrune;

namespace {

const char *database = "kt_flow_cmp";

QString message(const Wizard &wizard)
{
    return wizard.seam.messages.isEmpty() ? QString() : wizard.seam.messages.constLast().text;
}

} // namespace

class ComparisonTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void everyValueType();
    void kindsAcrossColumns();
    void columnsPairByPosition();
    void rowInsertedAtTheTop();
    void surplusRecords_data();
    void surplusRecords();
    void emptyTables_data();
    void emptyTables();
    void choiceIsChecked();
    void namesThatNeedQuoting_data();
    void namesThatNeedQuoting();
    void droppedTableFailsWithoutLines();
    void backAndCompareAgain();
    void wrongLoginFails();
};

void ComparisonTest::initTestCase() { testdb::run(testdb::freshDatabase(database), valueTables()); }

void ComparisonTest::everyValueType()
{
    Wizard wizard(testdb::loginTo(database));
    wizard.compare("types_a", "types_b");
    QVERIFY(wizard.seam.messages.isEmpty());
    QVERIFY(wizard.pages.resultsPage().isVisible());
    QVERIFY(!wizard.pages.tableSelectionPage().isVisible());
    QCOMPARE(wizard.pages.tableSelectionPage().pointerShape(), Page::Pointer::Default);
    QCOMPARE(wizard.fieldDifferences(),
        QStringList({
            R"(Record 2,Field "i" has changed from "9007199254740993" to "9007199254740992")",
            R"(Record 2,Field "u" has changed from "18446744073709551615" to "18446744073709551614")",
            R"(Record 2,Field "d" has changed from "1.000000000000000000000000000001" to "1.000000000000000000000000000002")",
            R"(Record 2,Field "f" has changed from "3.14159" to "2.5")",
            R"(Record 2,Field "g" has changed from "0.1" to "0.2")",
            R"(Record 2,Field "s" has changed from "abc" to "ABC")",
            "Record 2,Field \"t\" has changed from \"tab\there\" to \"tab\there \"",
            R"(Record 2,Field "b" has changed from "0x00FF" to "0x00FE")",
            R"(Record 2,Field "dt" has changed from "2024-01-01" to "2024-01-02")",
            R"(Record 2,Field "ts" has changed from "2024-01-01 10:00:00.123" to "2024-01-01 10:00:00.124")",
            R"(Record 2,Field "tm" has changed from "-838:59:59" to "838:59:59")",
            R"(Record 2,Field "bt" has changed from "1" to "0")",
            R"(Record 2,Field "n" has changed from NULL to "5")",
            R"(Record 3,Field "n" has changed from "4" to NULL)",
        }));
    QCOMPARE(wizard.addedDeleted(), QStringList());
}

void ComparisonTest::kindsAcrossColumns()
{
    // Numbers compare by value across kinds, a date equals the same moment as a date-time, and
    // a text never equals a number, whatever it holds.
    Wizard wizard(testdb::loginTo(database));
    wizard.compare("kinds_a", "kinds_b");
    QCOMPARE(wizard.fieldDifferences(),
        QStringList({ R"(Record 1,Field "w" has changed from "7" to "7")" }));
}

void ComparisonTest::columnsPairByPosition()
{
    Wizard wizard(testdb::loginTo(database));
    wizard.compare("order_a", "order_b");
    QCOMPARE(wizard.fieldDifferences(),
        QStringList({ R"(Record 1,Field "name" has changed from "Ann" to "Oslo")",
            R"(Record 1,Field "city" has changed from "Oslo" to "Ann")" }));

    Wizard reversed(testdb::loginTo(database));
    reversed.compare("order_b", "order_a");
    QCOMPARE(reversed.fieldDifferences(),
        QStringList({ R"(Record 1,Field "city" has changed from "Oslo" to "Ann")",
            R"(Record 1,Field "name" has changed from "Ann" to "Oslo")" }));
}

void ComparisonTest::rowInsertedAtTheTop()
{
    Wizard wizard(testdb::loginTo(database));
    wizard.compare("top_a", "top_b");
    QCOMPARE(wizard.fieldDifferences(),
        QStringList({ R"(Record 1,Field "id" has changed from "1" to "0")",
            R"(Record 1,Field "name" has changed from "a" to "z")",
            R"(Record 2,Field "id" has changed from "2" to "1")",
            R"(Record 2,Field "name" has changed from "b" to "a")",
            R"(Record 3,Field "id" has changed from "3" to "2")",
            R"(Record 3,Field "name" has changed from "c" to "b")" }));
    QCOMPARE(wizard.addedDeleted(), QStringList({ "Record 4 added from top_b" }));
}

void ComparisonTest::surplusRecords_data()
{
    QTest::addColumn<QString>("table1");
    QTest::addColumn<QString>("table2");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("deleted") << "five"
                             << "three"
                             << QStringList({ "Record 4 deleted from three",
                                    "Record 5 deleted from three" });
    QTest::newRow("added") << "three"
                           << "five"
                           << QStringList(
                                  { "Record 4 added from five", "Record 5 added from five" });
}

void ComparisonTest::surplusRecords()
{
    QFETCH(QString, table1);
    QFETCH(QString, table2);
    QFETCH(QStringList, lines);
    Wizard wizard(testdb::loginTo(database));
    wizard.compare(table1, table2);
    QCOMPARE(wizard.fieldDifferences(), QStringList());
    QCOMPARE(wizard.addedDeleted(), lines);
}

void ComparisonTest::emptyTables_data()
{
    QTest::addColumn<QString>("table1");
    QTest::addColumn<QString>("table2");
    QTest::addColumn<QString>("text");
    QTest::newRow("first") << "empty1"
                           << "three"
                           << "empty1 does not contain any data.";
    QTest::newRow("second") << "three"
                            << "empty2"
                            << "empty2 does not contain any data.";
    QTest::newRow("both") << "empty2"
                          << "empty1"
                          << "empty2 does not contain any data.";
}

void ComparisonTest::emptyTables()
{
    QFETCH(QString, table1);
    QFETCH(QString, table2);
    QFETCH(QString, text);
    Wizard wizard(testdb::loginTo(database));
    wizard.compare(table1, table2);
    QCOMPARE(wizard.seam.messageTexts(), QStringList({ text }));
    QCOMPARE(wizard.seam.messages.constFirst().title, QStringLiteral("Kestrune"));
    QVERIFY(wizard.pages.tableSelectionPage().isVisible());
    QCOMPARE(wizard.pages.tableSelectionPage().pointerShape(), Page::Pointer::Default);
    QVERIFY(!pageMade("Form3"));
}

void ComparisonTest::choiceIsChecked()
{
    Wizard same(testdb::loginTo(database));
    QTest::mouseClick(
        control<QPushButton>(same.pages.tableSelectionPage(), "PushButton3"), Qt::LeftButton);
    QCOMPARE(
        same.seam.messageTexts(), QStringList({ "Please select 2 different tables to compare." }));
    QVERIFY(!pageMade("Form3"));

    Wizard none(testdb::freshDatabase("kt_flow_none"));
    QVERIFY(none.pages.tableSelectionPage().isVisible());
    QCOMPARE(control<ListView>(none.pages.tableSelectionPage(), "ListView1")->count(), 0);
    QTest::mouseClick(
        control<QPushButton>(none.pages.tableSelectionPage(), "PushButton3"), Qt::LeftButton);
    QCOMPARE(none.seam.messageTexts(), QStringList({ "Please select a table from each." }));
    QCOMPARE(none.pages.tableSelectionPage().pointerShape(), Page::Pointer::Default);
}

void ComparisonTest::namesThatNeedQuoting_data()
{
    QTest::addColumn<QString>("table1");
    QTest::addColumn<QString>("table2");
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<QStringList>("records");
    QTest::newRow("blank and reserved word")
        << "my table"
        << "select" << QStringList({ R"(Record 1,Field "v" has changed from "1" to "2")" })
        << QStringList();
    QTest::newRow("backquote") << "my table"
                               << "we`ird" << QStringList()
                               << QStringList({ "Record 2 added from we`ird" });
    QTest::newRow("non-Latin") << "we`ird"
                               << "таблица"
                               << QStringList(
                                      { R"(Record 1,Field "v" has changed from "1" to "3")" })
                               << QStringList({ "Record 2 deleted from таблица" });
}

void ComparisonTest::namesThatNeedQuoting()
{
    QFETCH(QString, table1);
    QFETCH(QString, table2);
    QFETCH(QStringList, fields);
    QFETCH(QStringList, records);
    Wizard wizard(testdb::loginTo(database));
    wizard.compare(table1, table2);
    QCOMPARE(wizard.seam.messageTexts(), QStringList());
    QCOMPARE(wizard.fieldDifferences(), fields);
    QCOMPARE(wizard.addedDeleted(), records);
}

void ComparisonTest::droppedTableFailsWithoutLines()
{
    Wizard wizard(testdb::loginTo(database));
    testdb::run({ std::string("DROP TABLE ") + database + ".gone" });
    wizard.compare("five", "gone");
    QCOMPARE(wizard.seam.messages.size(), 1);
    QString text = message(wizard);
    QVERIFY2(text.startsWith("Could not join this tables.\r\n["), qPrintable(text));
    QVERIFY2(text.endsWith("Table 'kt_flow_cmp.gone' doesn't exist"), qPrintable(text));
    QCOMPARE(wizard.seam.messages.constFirst().title, QStringLiteral("Kestrune"));
    QCOMPARE(wizard.seam.messages.constFirst().icon, Seam::Icon::None);
    QVERIFY(wizard.pages.tableSelectionPage().isVisible());
    QCOMPARE(wizard.pages.tableSelectionPage().pointerShape(), Page::Pointer::Default);
    QVERIFY(!pageMade("Form3"));
    testdb::run({ std::string("CREATE TABLE ") + database + ".gone (id INT PRIMARY KEY)",
        std::string("INSERT INTO ") + database + ".gone VALUES (1)" });
}

void ComparisonTest::backAndCompareAgain()
{
    Wizard wizard(testdb::loginTo(database));
    wizard.compare("top_a", "top_b");
    ResultsPage &results = wizard.pages.resultsPage();
    QCOMPARE(control<ListView>(results, "ListView1")->count(), 6);
    QTest::mouseClick(control<QPushButton>(results, "PushButton2"), Qt::LeftButton);
    QCOMPARE(control<ListView>(results, "ListView1")->count(), 0);
    QCOMPARE(control<ListView>(results, "ListView2")->count(), 0);
    QVERIFY(!results.isVisible());
    QVERIFY(wizard.pages.tableSelectionPage().isVisible());

    // The choice is kept; the lists hold only the new run's lines, under one column each.
    QCOMPARE(control<ListView>(wizard.pages.tableSelectionPage(), "ListView1")->selectedText(),
        QStringLiteral("top_a"));
    wizard.compare("five", "three");
    QCOMPARE(wizard.fieldDifferences(), QStringList());
    QCOMPARE(wizard.addedDeleted().size(), 2);
    QCOMPARE(control<ListView>(results, "ListView1")->model()->columnCount(), 1);
    QCOMPARE(control<ListView>(results, "ListView2")->model()->columnCount(), 1);
    QCOMPARE(
        control<ListView>(results, "ListView1")->model()->headerData(0, Qt::Horizontal).toString(),
        QStringLiteral("Field differences"));
    QCOMPARE(
        control<ListView>(results, "ListView2")->model()->headerData(0, Qt::Horizontal).toString(),
        QStringLiteral("Added / deleted records"));
}

void ComparisonTest::wrongLoginFails()
{
    // The login is read anew for every run.
    Wizard wizard(testdb::loginTo(database));
    control<QLineEdit>(wizard.pages.loginPage(), "Text3")->setText(QStringLiteral("wrong"));
    wizard.compare("five", "three");
    QString text = message(wizard);
    QVERIFY2(text.startsWith("Could not join this tables.\r\n[ma-"), qPrintable(text));
    QVERIFY2(text.contains("Access denied for user"), qPrintable(text));
    QVERIFY(!pageMade("Form3"));
}

QTEST_MAIN(ComparisonTest)
#include "tst_comparison.moc"
