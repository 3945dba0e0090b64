#include "compare/tableselectionpage.h"

#include "app/applicationerror.h"
#include "app/errorreport.h"
#include "app/pages.h"
#include "compare/engine.h"
#include "compare/tablequery.h"
#include "db/loginpage.h"
#include "db/odbc.h"
#include "results/resultspage.h"
#include "ui/fileprocedures.h"
#include "ui/listview.h"
#include "ui/widgets.h"

#include <QGroupBox>
#include <QProgressBar>
#include <QPushButton>

namespace kestrune {

namespace {

// A whole table, read and released at once so the driver's copy of the rows is freed before
// the next table is read.
Table readTable(odbc::Connection &connection, const std::string &name)
{
    odbc::Result rows(connection, selectAllFrom(name));
    Table table;
    if (!rows.eof())
        table = rows.readAll();
    rows.close();
    return table;
}

} // namespace

Form2::Form2(Seam &seam, Pages &pages)
    : Page(seam, QStringLiteral("Form2"))
    , m_pages(pages)
{
    setFixedSizeTwips(7080, 4680);
    setFont(boldArial(9));

    Frame1 = placeWidget<QGroupBox>(this, "Frame1", 120, 120, 6840, 3495);
    Frame1->setTitle(QStringLiteral("Which 2 tables would you like to compare?"));
    ListView1 = placeWidget<ListView>(Frame1, "ListView1", 240, 300, 3120, 3075);
    ListView2 = placeWidget<ListView>(Frame1, "ListView2", 3480, 300, 3120, 3075);
    for (ListView *list : { ListView1, ListView2 })
        list->setToolTip(columnDividerTip);
    PushButton2 = placeButton(this, "PushButton2", "< Back", 120, 4245, 3360, 405);
    PushButton3 = placeButton(this, "PushButton3", "Next >", 3600, 4245, 3360, 405);
    ProgressBar1 = placeWidget<QProgressBar>(this, "ProgressBar1", 120, 3720, 6840, 405);
    ProgressBar1->setFormat(QStringLiteral("Progress Bar"));
    ProgressBar1->setValue(0);

    QWidget::setTabOrder(PushButton2, PushButton3);
    QWidget::setTabOrder(PushButton3, ListView1);
    QWidget::setTabOrder(ListView1, ListView2);

    connect(PushButton3, &QPushButton::clicked, this, &Form2::PushButton3_Click);
    connect(PushButton2, &QPushButton::clicked, this, &Form2::PushButton2_Click);

    bindHover(PushButton2, Hover::Button);
    bindHover(PushButton3, Hover::Button);
    bindHover(Frame1, Hover::Surface);
    bindHover(ListView1, Hover::Surface);
    bindHover(ListView2, Hover::Surface);
    leaveOtherElementsAlone();
}

void Form2::Form_Load()
{
    Trap trap = standardTrap(seam(), trace::form2Load);
    trap.step(100, [&] { UseButtonFaceColours(this); });
    trap.step(102, [&] { setWindowIcon(applicationIcon()); });
    if (trap.condition(106, [&] { return FileExists(handPointerPath()); }))
        trap.step(108, [&] { loadCustomPointer(*this, handPointerPath()); });
    trap.step(110, [&] { setWindowTitle(QStringLiteral("Kestrune")); });
    trap.step(112, [&] { ListView1->addColumnHeader(QStringLiteral("Similar Table #1")); });
    trap.step(114, [&] { ListView1->setColumnWidthTwips(1, 2500); });
    trap.step(116, [&] { ListView2->addColumnHeader(QStringLiteral("Similar Table #2")); });
    trap.step(118, [&] { ListView2->setColumnWidthTwips(1, 2500); });
}

void Form2::PushButton2_Click()
{
    Trap trap = standardTrap(seam(), trace::form2Back);
    trap.step(100, [&] { m_pages.form1().show(); });
    trap.step(102, [&] { hide(); });
}

void Form2::PushButton3_Click()
{
    try {
        compare();
    } catch (const std::exception &error) {
        setPointerShape(DefaultPointer);
        showMessage(
            QStringLiteral("Could not join this tables.\r\n") + QString::fromUtf8(error.what()));
    }
}

void Form2::compare()
{
    odbc::Connection connection;
    if (ListView1->count() == 0 || ListView2->count() == 0) {
        showMessage(QStringLiteral("Please select a table from each."));
        return;
    }
    if (ListView1->selectedIndex() == ListView2->selectedIndex()) {
        showMessage(QStringLiteral("Please select 2 different tables to compare."));
        return;
    }
    setPointerShape(Hourglass);
    connection.setReadWriteMode();
    connection.setTimeouts(5000);
    connection.open(BuildConnectionString(m_pages.form1().loginDetails()));

    QString name1 = ListView1->selectedText();
    QString name2 = ListView2->selectedText();
    Table table1 = readTable(connection, name1.toStdString());
    Table table2 = readTable(connection, name2.toStdString());
    for (const auto &[table, name] :
        { std::pair { &table1, name1 }, std::pair { &table2, name2 } }) {
        if (table->rowCount() == 0) {
            setPointerShape(DefaultPointer);
            showMessage(name + QStringLiteral(" does not contain any data."));
            return;
        }
    }

    ComparisonLines lines;
    compareTables(table1, table2, name2.toStdString(), lines);
    table1 = Table();
    table2 = Table();

    Form3 &results = m_pages.form3();
    results.ListView1->addItems(lines.fieldDifferences);
    results.ListView2->addItems(lines.addedDeleted);
    results.show();
    hide();
    setPointerShape(DefaultPointer);
}

} // namespace kestrune
