#include "widgets/tableselectionpage.h"

#include "core/comparisonmessages.h"
#include "db/odbc/odbctablereader.h"
#include "engine/comparetables.h"
#include "widgets/applicationerror.h"
#include "widgets/errorreport.h"
#include "widgets/fileprocedures.h"
#include "widgets/listview.h"
#include "widgets/widgets.h"

#include <QGroupBox>
#include <QProgressBar>
#include <QPushButton>

namespace kestrune {

TableSelectionPage::TableSelectionPage(Seam &seam, Routes routes)
    : Page(seam, QStringLiteral("Form2"))
    , m_routes(std::move(routes))
{
    setFixedSizeTwips(7080, 4680);
    setFont(boldArial(9));

    auto *frame = placeWidget<QGroupBox>(this, "Frame1", 120, 120, 6840, 3495);
    frame->setTitle(QStringLiteral("Which 2 tables would you like to compare?"));
    m_leftTables = placeWidget<ListView>(frame, "ListView1", 240, 300, 3120, 3075);
    m_rightTables = placeWidget<ListView>(frame, "ListView2", 3480, 300, 3120, 3075);
    for (ListView *list : { m_leftTables, m_rightTables })
        list->setToolTip(columnDividerTip);
    m_leftTables->setAccessibleName(QStringLiteral("Similar Table #1"));
    m_rightTables->setAccessibleName(QStringLiteral("Similar Table #2"));
    m_backButton = placeButton(this, "PushButton2", "< Back", 120, 4245, 3360, 405);
    m_nextButton = placeButton(this, "PushButton3", "Next >", 3600, 4245, 3360, 405);
    // Placed as designed, never driven.
    auto *progress = placeWidget<QProgressBar>(this, "ProgressBar1", 120, 3720, 6840, 405);
    progress->setFormat(QStringLiteral("Progress Bar"));
    progress->setValue(0);

    QWidget::setTabOrder(m_backButton, m_nextButton);
    QWidget::setTabOrder(m_nextButton, m_leftTables);
    QWidget::setTabOrder(m_leftTables, m_rightTables);

    connect(m_nextButton, &QPushButton::clicked, this, &TableSelectionPage::onNextClicked);
    connect(m_backButton, &QPushButton::clicked, this, &TableSelectionPage::onBackClicked);

    bindHover(m_backButton, Hover::Button);
    bindHover(m_nextButton, Hover::Button);
    bindHover(frame, Hover::Surface);
    bindHover(m_leftTables, Hover::Surface);
    bindHover(m_rightTables, Hover::Surface);
    leaveOtherElementsAlone();
}

void TableSelectionPage::appendLeftTable(const QString &name) { m_leftTables->addItem(name); }

void TableSelectionPage::appendRightTable(const QString &name) { m_rightTables->addItem(name); }

void TableSelectionPage::load()
{
    Trap trap = standardTrap(seam(), trace::tableSelectionLoad);
    trap.step(100, [&] { useButtonFaceColours(this); });
    trap.step(102, [&] { setWindowIcon(applicationIcon()); });
    if (trap.condition(106, [&] { return fileExists(handPointerPath()); }))
        trap.step(108, [&] { loadCustomPointer(*this, handPointerPath()); });
    trap.step(110, [&] { setWindowTitle(QStringLiteral("Kestrune")); });
    trap.step(112, [&] { m_leftTables->addColumnHeader(QStringLiteral("Similar Table #1")); });
    trap.step(114, [&] { m_leftTables->setColumnWidthTwips(1, 2500); });
    trap.step(116, [&] { m_rightTables->addColumnHeader(QStringLiteral("Similar Table #2")); });
    trap.step(118, [&] { m_rightTables->setColumnWidthTwips(1, 2500); });
}

void TableSelectionPage::onBackClicked()
{
    Trap trap = standardTrap(seam(), trace::tableSelectionBack);
    trap.step(100, [&] { m_routes.showLogin(); });
    trap.step(102, [&] { hide(); });
}

void TableSelectionPage::onNextClicked()
{
    try {
        compare();
    } catch (const std::exception &error) {
        setPointerShape(Pointer::Default);
        // The box breaks the line with CR LF.
        showMessage(QString::fromUtf8(comparisonFailedMessage) + QStringLiteral("\r\n")
            + QString::fromUtf8(error.what()));
    }
}

void TableSelectionPage::compare()
{
    odbc::Connection connection;
    if (m_leftTables->count() == 0 || m_rightTables->count() == 0) {
        showMessage(QStringLiteral("Please select a table from each."));
        return;
    }
    if (m_leftTables->selectedIndex() == m_rightTables->selectedIndex()) {
        showMessage(QString::fromUtf8(sameTableMessage));
        return;
    }
    setPointerShape(Pointer::Hourglass);
    openForComparison(connection, m_routes.loginDetails());

    const std::string table1 = m_leftTables->selectedText().toStdString();
    const std::string table2 = m_rightTables->selectedText().toStdString();
    OdbcTableReader reader1(connection, { table1 });
    OdbcTableReader reader2(connection, { table2 });
    ComparisonLines lines;
    if (EmptyTable empty = compareTables(reader1, reader2, { table1, table2 }, lines).empty;
        empty != EmptyTable::None) {
        setPointerShape(Pointer::Default);
        showMessage(QString::fromStdString(
            emptyTableMessage(empty == EmptyTable::First ? table1 : table2)));
        return;
    }

    m_routes.showResults(std::move(lines));
    hide();
    setPointerShape(Pointer::Default);
}

} // namespace kestrune
