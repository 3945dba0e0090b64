#include "widgets/page.h"

#include "widgets/applicationerror.h"
#include "widgets/chrome.h"

#include <QAbstractScrollArea>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QMouseEvent>
#include <QScreen>
#include <QTreeView>

namespace kestrune {

Page::Page(Seam &seam, const QString &objectName)
    : m_seam(seam)
{
    setObjectName(objectName);
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
        | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setMouseTracking(true);
}

void Page::showMessage(const QString &text) const
{
    m_seam.showMessage(text, applicationTitle(), Seam::Icon::None);
}

void Page::setPointerShape(Pointer shape)
{
    m_pointerShape = shape;
    switch (shape) {
    case Pointer::Hourglass:
        setCursor(Qt::WaitCursor);
        break;
    case Pointer::Hand:
        setCursor(m_customPointer.value_or(QCursor(Qt::PointingHandCursor)));
        break;
    case Pointer::Default:
        unsetCursor();
        break;
    }
}

void Page::setCustomPointerImage(const QCursor &cursor) { m_customPointer = cursor; }

void Page::pointerOverButton()
{
    if (m_pointerShape != Pointer::Hourglass)
        setPointerShape(Pointer::Hand);
}

void Page::pointerOverSurface()
{
    if (m_pointerShape != Pointer::Hourglass)
        setPointerShape(Pointer::Default);
}

void Page::bindHover(QWidget *element, Hover rule)
{
    QList<QWidget *> targets { element };
    // A list takes the pointer in its viewport and in its header's.
    if (auto *area = qobject_cast<QAbstractScrollArea *>(element))
        targets.append(area->viewport());
    if (auto *tree = qobject_cast<QTreeView *>(element))
        targets.append({ tree->header(), tree->header()->viewport() });
    for (QWidget *target : targets) {
        m_hover.insert(target, rule);
        target->setMouseTracking(true);
        // The move stays with this element, so it never reaches the rule of the frame or page
        // around it; the element itself still gets it (a header shows its resize pointer).
        target->setAttribute(Qt::WA_NoMousePropagation);
        target->installEventFilter(this);
    }
}

void Page::leaveOtherElementsAlone()
{
    const QList<QWidget *> children = findChildren<QWidget *>();
    for (QWidget *child : children) {
        if (!m_hover.contains(child))
            bindHover(child, Hover::None);
    }
}

bool Page::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseMove) {
        auto rule = m_hover.constFind(watched);
        if (rule != m_hover.constEnd()) {
            if (*rule == Hover::Button)
                pointerOverButton();
            else if (*rule == Hover::Surface)
                pointerOverSurface();
        }
    }
    return QWidget::eventFilter(watched, event);
}

void Page::mouseMoveEvent(QMouseEvent *event)
{
    pointerOverSurface();
    QWidget::mouseMoveEvent(event);
}

void Page::closeEvent(QCloseEvent *event)
{
    event->accept();
    emit closedByUser();
}

void Page::setFixedSizeTwips(int widthTwips, int heightTwips)
{
    setFixedSize(twipsToPixels(widthTwips), twipsToPixels(heightTwips));
    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        QRect area = screen->availableGeometry();
        move(area.center() - rect().center());
    }
}

} // namespace kestrune
