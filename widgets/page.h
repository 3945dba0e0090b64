#pragma once

#include <QCursor>
#include <QHash>
#include <QWidget>

#include <optional>

namespace kestrune {

class Seam;

// A wizard page: a fixed-size top-level window with a pointer shape that doubles as its busy flag,
// hover rules for its elements, and a close that ends the program.
class Page : public QWidget {
    Q_OBJECT
public:
    // The pointer over the page; the hourglass doubles as the page's busy flag. (Shapes 0, 11 and
    // 99 in the old numbering.)
    enum class Pointer { Default, Hourglass, Hand };
    Q_ENUM(Pointer)
    enum class Hover { Button, Surface, None };

    Page(Seam &seam, const QString &objectName);

    Seam &seam() const { return m_seam; }
    // A plain box: OK only, no icon, the application's title.
    void showMessage(const QString &text) const;

    Pointer pointerShape() const { return m_pointerShape; }
    void setPointerShape(Pointer shape);
    void setCustomPointerImage(const QCursor &cursor);

    // The hover rules: over a button the hand, over a surface the default, unless busy.
    void pointerOverButton();
    void pointerOverSurface();

    // The hover rule of the pointer moving over an element; the page itself is a surface.
    void bindHover(QWidget *element, Hover rule);
    // Every element without a rule of its own leaves the pointer alone.
    void leaveOtherElementsAlone();

    // Sets the client size and centres the window on the screen.
    void setFixedSizeTwips(int widthTwips, int heightTwips);

signals:
    void closedByUser();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    Seam &m_seam;
    Pointer m_pointerShape = Pointer::Default;
    std::optional<QCursor> m_customPointer;
    QHash<QObject *, Hover> m_hover;
};

} // namespace kestrune
