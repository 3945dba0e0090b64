#include "wizard.h"

#include "compare/tableselectionpage.h"
#include "db/loginpage.h"
#include "results/resultspage.h"
#include "ui/listview.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTest>

namespace kestrune {

Wizard::Wizard(const LoginDetails &login)
{
    // QSettings keeps the first folder it found for the whole process: point it here instead.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_config.path());
    pages.start();
    Form1 &form1 = pages.form1();
    form1.Text1->setText(QString::fromStdString(login.server));
    form1.Text5->setText(QString::fromStdString(login.port));
    form1.Text2->setText(QString::fromStdString(login.user));
    form1.Text3->setText(QString::fromStdString(login.password));
    form1.Text4->setText(QString::fromStdString(login.database));
    QTest::mouseClick(form1.PushButton3, Qt::LeftButton);
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
    Form2 &form2 = pages.form2();
    int position1 = static_cast<int>(itemsOf(*form2.ListView1).indexOf(table1)) + 1;
    int position2 = static_cast<int>(itemsOf(*form2.ListView2).indexOf(table2)) + 1;
    QVERIFY2(position1 > 0 && position2 > 0, "both tables are listed");
    clickItem(*form2.ListView1, position1);
    clickItem(*form2.ListView2, position2);
    QCOMPARE(form2.ListView1->selectedIndex(), position1);
    QCOMPARE(form2.ListView2->selectedIndex(), position2);
    QTest::mouseClick(form2.PushButton3, Qt::LeftButton);
}

QStringList Wizard::fieldDifferences() { return itemsOf(*pages.form3().ListView1); }

QStringList Wizard::addedDeleted() { return itemsOf(*pages.form3().ListView2); }

} // namespace kestrune
