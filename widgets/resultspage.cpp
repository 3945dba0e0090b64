#include "widgets/resultspage.h"

#include "core/resultfile.h"
#include "widgets/applicationerror.h"
#include "widgets/errorreport.h"
#include "widgets/fileprocedures.h"
#include "widgets/listview.h"
#include "widgets/widgets.h"

#include <QFile>
#include <QPushButton>

namespace kestrune {

ResultsPage::ResultsPage(Seam &seam, Routes routes)
    : Page(seam, QStringLiteral("Form3"))
    , m_routes(std::move(routes))
{
    setFixedSizeTwips(5880, 5865);
    setFont(boldArial(9));

    m_backButton = placeButton(this, "PushButton2", "< Back", 120, 5400, 5655, 405);
    m_fieldDifferences = placeWidget<ListView>(this, "ListView1", 120, 120, 5640, 2280);
    m_fieldDifferences->setToolTip(columnDividerTip);
    m_fieldDifferences->setAccessibleName(QStringLiteral("Field differences"));
    m_addedDeleted = placeWidget<ListView>(this, "ListView2", 120, 2520, 5640, 2280);
    m_addedDeleted->setToolTip(
        QStringLiteral("Drag and drop files here. Double-click item to remove it. ")
        + columnDividerTip);
    m_addedDeleted->setAccessibleName(QStringLiteral("Added / deleted records"));
    m_saveButton
        = placeButton(this, "PushButton1", "Save Results As Text File", 120, 4890, 5655, 405);

    QWidget::setTabOrder(m_backButton, m_fieldDifferences);
    QWidget::setTabOrder(m_fieldDifferences, m_addedDeleted);
    QWidget::setTabOrder(m_addedDeleted, m_saveButton);

    connect(m_saveButton, &QPushButton::clicked, this, &ResultsPage::onSaveClicked);
    connect(m_backButton, &QPushButton::clicked, this, &ResultsPage::onBackClicked);

    bindHover(m_saveButton, Hover::Button);
    bindHover(m_backButton, Hover::Button);
    bindHover(m_fieldDifferences, Hover::Surface);
    bindHover(m_addedDeleted, Hover::Surface);
    leaveOtherElementsAlone();
}

void ResultsPage::load()
{
    Trap trap = standardTrap(seam(), trace::resultsLoad);
    trap.step(100, [&] { useButtonFaceColours(this); });
    trap.step(102, [&] { setWindowIcon(applicationIcon()); });
    if (trap.condition(106, [&] { return fileExists(handPointerPath()); }))
        trap.step(108, [&] { loadCustomPointer(*this, handPointerPath()); });
    trap.step(110, [&] { setWindowTitle(QStringLiteral("Kestrune")); });
    trap.step(
        112, [&] { m_fieldDifferences->addColumnHeader(QStringLiteral("Field differences")); });
    trap.step(114, [&] { m_fieldDifferences->setColumnWidthTwips(1, 4000); });
    trap.step(
        116, [&] { m_addedDeleted->addColumnHeader(QStringLiteral("Added / deleted records")); });
    trap.step(118, [&] { m_addedDeleted->setColumnWidthTwips(1, 4000); });
}

void ResultsPage::appendLines(ComparisonLines &&lines)
{
    m_fieldDifferences->addItems(std::move(lines.fieldDifferences));
    m_addedDeleted->addItems(std::move(lines.addedDeleted));
}

void ResultsPage::onSaveClicked()
{
    Trap trap = standardTrap(seam(), trace::resultsSave);
    QString title;
    QString filter;
    QString path;
    // [106] The dialog replaces an existing file without asking and adds no extension.
    trap.step(108, [&] { title = QStringLiteral("Save"); });
    trap.step(110, [&] { filter = QStringLiteral("Text Files (*.txt);;All Files (*)"); });
    trap.step(112, [&] { path = seam().askSaveFileName(title, filter); });
    // [114] The chosen name is what the dialog returned.
    if (trap.condition(116, [&] { return path.isEmpty(); }))
        return;
    trap.step(118, [&] { setPointerShape(Pointer::Hourglass); });
    bool saved = false;
    trap.step(120, [&] {
        saveResultFile(QFile::encodeName(path).toStdString(), m_fieldDifferences->lines(),
            m_addedDeleted->lines());
        saved = true;
    });
    trap.step(122, [&] { setPointerShape(Pointer::Default); });
    // A failed save is reported above and never followed by "Done.".
    if (saved)
        trap.step(124, [&] { showMessage(QStringLiteral("Done.")); });
}

void ResultsPage::onBackClicked()
{
    Trap trap = standardTrap(seam(), trace::resultsBack);
    trap.step(100, [&] {
        if (pointerShape() != Pointer::Hourglass)
            m_fieldDifferences->clear();
    });
    trap.step(102, [&] { m_addedDeleted->clear(); });
    trap.step(104, [&] { m_routes.showTableSelection(); });
    trap.step(106, [&] { hide(); });
}

} // namespace kestrune
