#include "results/resultspage.h"

#include "app/applicationerror.h"
#include "app/errorreport.h"
#include "app/pages.h"
#include "compare/tableselectionpage.h"
#include "results/resultfile.h"
#include "ui/fileprocedures.h"
#include "ui/listview.h"
#include "ui/widgets.h"

#include <QFile>
#include <QPushButton>

namespace kestrune {

Form3::Form3(Seam &seam, Pages &pages)
    : Page(seam, QStringLiteral("Form3"))
    , m_pages(pages)
{
    setFixedSizeTwips(5880, 5865);
    setFont(boldArial(9));

    PushButton2 = placeButton(this, "PushButton2", "< Back", 120, 5400, 5655, 405);
    ListView1 = placeWidget<ListView>(this, "ListView1", 120, 120, 5640, 2280);
    ListView1->setToolTip(columnDividerTip);
    ListView2 = placeWidget<ListView>(this, "ListView2", 120, 2520, 5640, 2280);
    ListView2->setToolTip(
        QStringLiteral("Drag and drop files here. Double-click item to remove it. ")
        + columnDividerTip);
    PushButton1
        = placeButton(this, "PushButton1", "Save Results As Text File", 120, 4890, 5655, 405);

    QWidget::setTabOrder(PushButton2, ListView1);
    QWidget::setTabOrder(ListView1, ListView2);
    QWidget::setTabOrder(ListView2, PushButton1);

    connect(PushButton1, &QPushButton::clicked, this, &Form3::PushButton1_Click);
    connect(PushButton2, &QPushButton::clicked, this, &Form3::PushButton2_Click);

    bindHover(PushButton1, Hover::Button);
    bindHover(PushButton2, Hover::Button);
    bindHover(ListView1, Hover::Surface);
    bindHover(ListView2, Hover::Surface);
    leaveOtherElementsAlone();
}

void Form3::Form_Load()
{
    Trap trap = standardTrap(seam(), trace::form3Load);
    trap.step(100, [&] { UseButtonFaceColours(this); });
    trap.step(102, [&] { setWindowIcon(applicationIcon()); });
    if (trap.condition(106, [&] { return FileExists(handPointerPath()); }))
        trap.step(108, [&] { loadCustomPointer(*this, handPointerPath()); });
    trap.step(110, [&] { setWindowTitle(QStringLiteral("Kestrune")); });
    trap.step(112, [&] { ListView1->addColumnHeader(QStringLiteral("Field differences")); });
    trap.step(114, [&] { ListView1->setColumnWidthTwips(1, 4000); });
    trap.step(116, [&] { ListView2->addColumnHeader(QStringLiteral("Added / deleted records")); });
    trap.step(118, [&] { ListView2->setColumnWidthTwips(1, 4000); });
}

void Form3::PushButton1_Click()
{
    Trap trap = standardTrap(seam(), trace::form3Save);
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
    trap.step(118, [&] { setPointerShape(Hourglass); });
    bool saved = false;
    trap.step(120, [&] {
        SaveResults(*this, path);
        saved = true;
    });
    trap.step(122, [&] { setPointerShape(DefaultPointer); });
    // A failed save is reported above and never followed by "Done.".
    if (saved)
        trap.step(124, [&] { showMessage(QStringLiteral("Done.")); });
}

void Form3::PushButton2_Click()
{
    Trap trap = standardTrap(seam(), trace::form3Back);
    trap.step(100, [&] {
        if (pointerShape() != Hourglass)
            ListView1->clear();
    });
    trap.step(102, [&] { ListView2->clear(); });
    trap.step(104, [&] { m_pages.form2().show(); });
    trap.step(106, [&] { hide(); });
}

void SaveResults(const Form3 &page, const QString &path)
{
    saveResultFile(
        QFile::encodeName(path).toStdString(), page.ListView1->lines(), page.ListView2->lines());
}

} // namespace kestrune
