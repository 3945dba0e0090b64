#include "wizard.h"
#include "support/controls.h"

#include "widgets/listview.h"
#include "widgets/loginpage.h"
#include "widgets/resultspage.h"
#include "widgets/tableselectionpage.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTest>

namespace kestrune {

Wizard::Wizard(const LoginDetails &login)
{
    pages.start();
    LoginPage &loginPage = pages.loginPage();
    control<QLineEdit>(loginPage, "Text1")->setText(QString::fromStdString(login.server));
    control<QLineEdit>(loginPage, "Text5")->setText(QString::fromStdString(login.port));
    control<QLineEdit>(loginPage, "Text2")->setText(QString::fromStdString(login.user));
    control<QLineEdit>(loginPage, "Text3")->setText(QString::fromStdString(login.password));
    control<QLineEdit>(loginPage, "Text4")->setText(QString::fromStdString(login.database));
    QTest::mouseClick(control<QPushButton>(loginPage, "PushButton3"), Qt::LeftButton);
}

QStringList itemsOf(const ListView &list)
{
    QStringList items;
    for (int i = 1; i <= list.count(); ++i)
        items.append(list.itemText(i));
    return items;
}

void clickItem(ListView &list, int position)
{
    QModelIndex index = list.model()->index(position - 1, 0);
    list.scrollTo(index);
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.visualRect(index).center());
}

void Wizard::compare(const QString &table1, const QString &table2)
{
    TableSelectionPage &selectionPage = pages.tableSelectionPage();
    int position1
        = static_cast<int>(itemsOf(*control<ListView>(selectionPage, "ListView1")).indexOf(table1))
        + 1;
    int position2
        = static_cast<int>(itemsOf(*control<ListView>(selectionPage, "ListView2")).indexOf(table2))
        + 1;
    QVERIFY2(position1 > 0 && position2 > 0, "both tables are listed");
    clickItem(*control<ListView>(selectionPage, "ListView1"), position1);
    clickItem(*control<ListView>(selectionPage, "ListView2"), position2);
    QCOMPARE(control<ListView>(selectionPage, "ListView1")->selectedIndex(), position1);
    QCOMPARE(control<ListView>(selectionPage, "ListView2")->selectedIndex(), position2);
    QTest::mouseClick(control<QPushButton>(selectionPage, "PushButton3"), Qt::LeftButton);
}

QStringList Wizard::fieldDifferences()
{
    return itemsOf(*control<ListView>(pages.resultsPage(), "ListView1"));
}

QStringList Wizard::addedDeleted()
{
    return itemsOf(*control<ListView>(pages.resultsPage(), "ListView2"));
}

} // namespace kestrune
