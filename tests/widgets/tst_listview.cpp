#include "widgets/listview.h"

#include "uitest.h"

#include <QAbstractItemModelTester>
#include <QTest>

#include <stdexcept>

using namespace kestrune;
using uitest::itemsOf;

namespace {

TextLines linesOf(const QStringList &texts)
{
    TextLines lines;
    for (const QString &text : texts)
        lines.append(text.toStdString());
    return lines;
}

} // namespace

class TestListView : public QObject {
    Q_OBJECT

private slots:
    void itemsArePositionedFromOne();
    void itemTextOutsideTheListThrows_data();
    void itemTextOutsideTheListThrows();

    void firstItemIsSelectedAfterFillingAnEmptyList_data();
    void firstItemIsSelectedAfterFillingAnEmptyList();
    void addingToAFilledListKeepsTheSelection();
    void emptyListHasNoSelection();
    void clickedItemIsTheSelectedOne();

    void clearRemovesEveryItem();
    void modelPassesTheModelTester();
};

void TestListView::itemsArePositionedFromOne()
{
    ListView list;
    list.addColumnHeader(QStringLiteral("Similar Table #1"));
    for (const char *text : { "customers", "Ünïcødé 表", "with blank", "" })
        list.addItem(QString::fromUtf8(text));
    list.addItems(linesOf({ "tail" }));

    QCOMPARE(list.count(), 5);
    QCOMPARE(itemsOf(list),
        QStringList({ "customers", QString::fromUtf8("Ünïcødé 表"), "with blank", "", "tail" }));
    QCOMPARE(list.model()->index(1, 0).data().toString(), QString::fromUtf8("Ünïcødé 表"));
}

void TestListView::itemTextOutsideTheListThrows_data()
{
    QTest::addColumn<int>("items");
    QTest::addColumn<int>("position");

    QTest::newRow("position 0") << 3 << 0;
    QTest::newRow("negative") << 3 << -1;
    QTest::newRow("one past the end") << 3 << 4;
    QTest::newRow("empty list") << 0 << 1;
}

void TestListView::itemTextOutsideTheListThrows()
{
    QFETCH(int, items);
    QFETCH(int, position);
    ListView list;
    list.addColumnHeader(QStringLiteral("Field differences"));
    for (int i = 1; i <= items; ++i)
        list.addItem(QString::number(i));

    QVERIFY_THROWS_EXCEPTION(std::out_of_range, list.itemText(position));
}

void TestListView::firstItemIsSelectedAfterFillingAnEmptyList_data()
{
    QTest::addColumn<bool>("oneByOne");
    QTest::addColumn<bool>("clearedFirst");

    QTest::newRow("one by one") << true << false;
    QTest::newRow("all at once") << false << false;
    QTest::newRow("one by one after clear") << true << true;
    QTest::newRow("all at once after clear") << false << true;
}

void TestListView::firstItemIsSelectedAfterFillingAnEmptyList()
{
    QFETCH(bool, oneByOne);
    QFETCH(bool, clearedFirst);
    ListView list;
    list.addColumnHeader(QStringLiteral("Similar Table #1"));
    if (clearedFirst) {
        list.addItems(linesOf({ "old1", "old2", "old3" }));
        list.select(3);
        list.clear();
    }

    QStringList names { "alpha", "beta", "gamma" };
    if (oneByOne) {
        for (const QString &name : names)
            list.addItem(name);
    } else {
        list.addItems(linesOf(names));
    }

    QCOMPARE(list.selectedIndex(), 1);
    QCOMPARE(list.selectedText(), QStringLiteral("alpha"));
}

void TestListView::addingToAFilledListKeepsTheSelection()
{
    ListView list;
    list.addColumnHeader(QStringLiteral("Similar Table #2"));
    list.addItems(linesOf({ "a", "b", "c" }));
    list.select(3);

    list.addItem(QStringLiteral("d"));
    list.addItems(linesOf({ "e", "f" }));

    QCOMPARE(list.selectedIndex(), 3);
    QCOMPARE(list.selectedText(), QStringLiteral("c"));
    QCOMPARE(list.count(), 6);
}

void TestListView::emptyListHasNoSelection()
{
    ListView list;
    list.addColumnHeader(QStringLiteral("Similar Table #1"));
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, list.selectedIndex());
    list.addItem(QStringLiteral("x"));
    list.clear();
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, list.selectedIndex());
}

void TestListView::clickedItemIsTheSelectedOne()
{
    ListView list;
    list.addColumnHeader(QStringLiteral("Similar Table #1"));
    list.resize(300, 300);
    list.addItems(linesOf({ "a", "b", "c", "d" }));
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));

    QModelIndex third = list.model()->index(2, 0);
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.visualRect(third).center());

    QCOMPARE(list.selectedIndex(), 3);
    QCOMPARE(list.selectedText(), QStringLiteral("c"));
}

void TestListView::clearRemovesEveryItem()
{
    ListView list;
    list.addColumnHeader(QStringLiteral("Field differences"));
    list.addItems(linesOf({ "1", "2" }));
    list.addItem(QStringLiteral("3"));

    list.clear();

    QCOMPARE(list.count(), 0);
    QCOMPARE(list.model()->rowCount(), 0);
    QVERIFY(list.lines().empty());
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, list.itemText(1));
    // The column stays.
    QCOMPARE(list.model()->headerData(0, Qt::Horizontal).toString(),
        QStringLiteral("Field differences"));
}

void TestListView::modelPassesTheModelTester()
{
    ListView list;
    QAbstractItemModelTester tester(
        list.model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    list.addColumnHeader(QStringLiteral("Field differences"));
    list.addItem(QStringLiteral("first"));
    list.addItems(linesOf({ "second", "third" }));
    list.addItems(TextLines());
    list.addItem(QString());
    list.clear();
    list.addItems(linesOf({ "again" }));
    QCOMPARE(list.count(), 1);
}

QTEST_MAIN(TestListView)
#include "tst_listview.moc"
