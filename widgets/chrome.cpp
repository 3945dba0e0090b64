#include "widgets/chrome.h"

#include "widgets/fileprocedures.h"
#include "widgets/page.h"
#include "widgets/widgets.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QPixmap>
#include <QRadioButton>
#include <QScreen>

#include <stdexcept>

// The icons live in this static library and no code names them, so the linker would leave them
// out of the program unless they are brought in by name.
static void loadIconResources() { Q_INIT_RESOURCE(resources); }

namespace kestrune {

namespace {

// The text colour goes with the background, or a dark desktop theme would write its light text
// on our white.
void setBackground(QWidget *widget, const QColor &colour, const QColor &text)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    palette.setColor(QPalette::WindowText, text);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

// The skin engine: a style sheet, applied to a window once it is switched on for windows. The
// window keeps its designed size, and every element takes the sheet at once.
class SkinFramework {
public:
    enum ApplyOption { ApplyToWindow = 1 };

    void loadSkin(const QString &path)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            throw std::runtime_error(
                QStringLiteral("%1: %2").arg(path, file.errorString()).toStdString());
        m_sheet = QString::fromUtf8(file.readAll());
    }

    int applyOptions() const { return m_applyOptions; }
    void setApplyOptions(int options) { m_applyOptions = options; }

    void applyWindow(QWidget *window) const
    {
        if (!(m_applyOptions & ApplyToWindow))
            return;
        QSize designed = window->size();
        window->setStyleSheet(m_sheet);
        window->setFixedSize(designed);
        const QList<QWidget *> children = window->findChildren<QWidget *>();
        for (QWidget *child : children)
            child->ensurePolished();
    }

private:
    QString m_sheet;
    int m_applyOptions = 0;
};

} // namespace

QFont boldArial(qreal points)
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(points);
    font.setBold(true);
    return font;
}

QPushButton *placeButton(QWidget *parent, const char *name, const char *caption, int left, int top,
    int width, int height)
{
    auto *button = placeWidget<QPushButton>(parent, name, left, top, width, height);
    button->setText(QString::fromLatin1(caption));
    button->setFont(boldArial(11.25));
    button->setAutoDefault(false);
    return button;
}

int twipsToPixels(int twips)
{
    qreal dpi = 96;
    if (QScreen *screen = QGuiApplication::primaryScreen())
        dpi = screen->logicalDotsPerInch();
    return qRound(twips * dpi / 1440.0);
}

QString programFile(const QString &name) { return QCoreApplication::applicationDirPath() + name; }

QIcon applicationIcon()
{
    static const bool loaded = (loadIconResources(), true);
    Q_UNUSED(loaded);
    QIcon icon;
    for (int size : { 32, 48, 128, 256 })
        icon.addFile(QStringLiteral(":/icons/kestrune-%1.png").arg(size), QSize(size, size));
    return icon;
}

void useButtonFaceColours(QWidget *page)
{
    QColor buttonFace = QApplication::palette().color(QPalette::Button);
    QColor buttonText = QApplication::palette().color(QPalette::ButtonText);
    setBackground(page, buttonFace, buttonText);
    const QList<QWidget *> children = page->findChildren<QWidget *>();
    for (QWidget *child : children) {
        if (qobject_cast<QGroupBox *>(child) || qobject_cast<QLabel *>(child)
            || qobject_cast<QCheckBox *>(child) || qobject_cast<QRadioButton *>(child))
            setBackground(child, buttonFace, buttonText);
    }
}

void useWhite(QWidget *widget) { setBackground(widget, Qt::white, Qt::black); }

void applySkin(QWidget *loginPage)
{
    QString path = programFile(QStringLiteral("/x/o.cjs"));
    QFileInfo skin(path);
    // Only a normal file counts. (A hidden file is one whose name starts with a dot, which
    // "o.cjs" never does.)
    if (!skin.isFile())
        return;
    useButtonFaceColours(loginPage);
    SkinFramework engine;
    engine.loadSkin(path);
    engine.setApplyOptions(engine.applyOptions() | SkinFramework::ApplyToWindow);
    engine.applyWindow(loginPage);
}

QString handPointerPath() { return programFile(QStringLiteral("/HAND-M.CUR")); }

void loadCustomPointer(Page &page, const QString &path)
{
    QFile file(path);
    QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    QPixmap image;
    if (!image.loadFromData(bytes, "cur"))
        throw std::runtime_error(QStringLiteral("Invalid picture: %1").arg(path).toStdString());
    // The picture reader drops the hot spot, which the first directory entry of a cursor file
    // (type 2) holds: x then y, little-endian, at bytes 10 to 13. Without it QCursor takes the
    // centre, half a pointer away from the fingertip.
    auto word = [&](int at) { return int(quint8(bytes[at])) | int(quint8(bytes[at + 1])) << 8; };
    if (bytes.size() >= 14 && word(2) == 2)
        page.setCustomPointerImage(QCursor(image, word(10), word(12)));
    else
        page.setCustomPointerImage(QCursor(image));
}

} // namespace kestrune
