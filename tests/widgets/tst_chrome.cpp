#include "app/pageflow.h"
#include "support/controls.h"
#include "support/scriptedseam.h"
#include "uitest.h"
#include "widgets/errorreport.h"
#include "widgets/listview.h"
#include "widgets/loginpage.h"
#include "widgets/resultspage.h"
#include "widgets/tableselectionpage.h"

#include <QAccessible>
#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QGroupBox>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QScopeGuard>
#include <QTest>

using namespace kestrune;
using uitest::BesideProgram;
using uitest::moveOver;

namespace {

QColor buttonFace() { return QApplication::palette().color(QPalette::Button); }

// The background the widget paints itself with, or none when it leaves that to its parent.
QColor ownBackground(const QWidget *widget)
{
    if (!widget->autoFillBackground())
        return QColor();
    return widget->palette().color(QPalette::Window);
}

Page &pageNamed(PageFlow &pages, const QString &name)
{
    if (name == QLatin1String("Form1"))
        return pages.loginPage();
    if (name == QLatin1String("Form2"))
        return pages.tableSelectionPage();
    return pages.resultsPage();
}

// "" is the page itself; "ListView1:items" and "ListView1:header" are where the pointer really
// lands on a list.
QWidget *elementNamed(Page &page, const QString &name)
{
    if (name.isEmpty())
        return &page;
    QStringList parts = name.split(QLatin1Char(':'));
    auto *element = page.findChild<QWidget *>(parts.at(0));
    if (!element)
        qFatal("no element %s on %s", qPrintable(name), qPrintable(page.objectName()));
    if (parts.size() == 1)
        return element;
    auto *list = qobject_cast<ListView *>(element);
    return parts.at(1) == QLatin1String("items") ? list->viewport() : list->header()->viewport();
}

// The cursor the page shows over a button: the custom image's (a bitmap) or the system hand.
Qt::CursorShape handCursorShape(Page &page)
{
    Page::Pointer shape = page.pointerShape();
    page.setPointerShape(Page::Pointer::Hand);
    Qt::CursorShape hand = page.cursor().shape();
    page.setPointerShape(shape);
    return hand;
}

// The pointer the user sees for each shape, with no hand pointer file beside the program.
void checkPointer(const Page &page)
{
    switch (page.pointerShape()) {
    case Page::Pointer::Default:
        QCOMPARE(page.cursor().shape(), Qt::ArrowCursor);
        break;
    case Page::Pointer::Hourglass:
        QCOMPARE(page.cursor().shape(), Qt::WaitCursor);
        break;
    case Page::Pointer::Hand:
        QCOMPARE(page.cursor().shape(), Qt::PointingHandCursor);
        break;
    default:
        QFAIL("no such pointer shape");
    }
}

QByteArray cursorFile()
{
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    for (int i = 0; i < 32; ++i)
        image.setPixelColor(i, i, Qt::black);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "cur"))
        qFatal("Qt cannot write a cursor file");
    // Qt writes an icon (type 1); a cursor is type 2, with its hot spot, here (6, 5), in the
    // directory entry.
    bytes[2] = 2;
    bytes[10] = 6;
    bytes[12] = 5;
    return bytes;
}

enum Rule { Button, Surface, None };

} // namespace

class TestChrome : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void loginPageIsWhiteWithoutTheSkin_data();
    void loginPageIsWhiteWithoutTheSkin();
    void otherPagesTakeButtonFaceAlways();
    void skinFileGivesTheLoginPageButtonFaceAndTheSheet();
    void skinThatIsNoNormalFileCountsAsMissing_data();
    void skinThatIsNoNormalFileCountsAsMissing();
    void everyPageCarriesTheApplicationIcon();
    void screenReadersHearWhatEachControlIs_data();
    void screenReadersHearWhatEachControlIs();

    void hoverRules_data();
    void hoverRules();
    void pointerFromButtonOverLabelKeepsTheHand();
    void listHeaderDividerStillShowsTheResizePointer();

    void handPointerFileGivesTheCustomImage();
    void withoutHandPointerFileTheHandIsTheSystemOne();
    void brokenHandPointerFileIsReportedAndLoadingGoesOn();

private:
    ConfigHome m_config;
    std::unique_ptr<ScriptedSeam> m_seam;
    std::unique_ptr<PageFlow> m_pages;
};

void TestChrome::init()
{
    m_config.clear();
    m_seam = std::make_unique<ScriptedSeam>();
    m_pages = std::make_unique<PageFlow>(*m_seam);
}

void TestChrome::cleanup()
{
    m_pages.reset();
    m_seam.reset();
}

void TestChrome::loginPageIsWhiteWithoutTheSkin_data()
{
    QTest::addColumn<bool>("darkTheme");
    QTest::newRow("light theme") << false;
    QTest::newRow("dark theme") << true;
}

void TestChrome::loginPageIsWhiteWithoutTheSkin()
{
    QFETCH(bool, darkTheme);
    QPalette theme = QApplication::palette();
    if (darkTheme) {
        QPalette dark(QColor(0x30, 0x30, 0x30), QColor(0x20, 0x20, 0x20));
        for (QPalette::ColorRole role :
            { QPalette::WindowText, QPalette::Text, QPalette::ButtonText, QPalette::BrightText })
            dark.setColor(role, QColor(0xee, 0xee, 0xee));
        QApplication::setPalette(dark);
    }
    auto restore = qScopeGuard([&] { QApplication::setPalette(theme); });
    QVERIFY(buttonFace() != QColor(Qt::white));
    m_pages->start();
    LoginPage &form = m_pages->loginPage();

    for (QWidget *widget : std::initializer_list<QWidget *> { &form,
             control<QGroupBox>(form, "Frame1"), control<QLabel>(form, "Label1"),
             control<QLabel>(form, "Label2"), control<QLabel>(form, "Label3"),
             control<QLabel>(form, "Label4"), control<QLabel>(form, "Label9") }) {
        QCOMPARE(ownBackground(widget), QColor(Qt::white));
        // Readable whatever the desktop's theme: dark text on the white.
        QCOMPARE(widget->palette().color(QPalette::WindowText), QColor(Qt::black));
    }
    QVERIFY(form.styleSheet().isEmpty());
    QVERIFY(m_seam->messages.isEmpty());
    // What the user sees beside the frame.
    QCOMPARE(form.grab().toImage().pixelColor(2, 2), QColor(Qt::white));
}

void TestChrome::otherPagesTakeButtonFaceAlways()
{
    for (bool skin : { false, true }) {
        m_pages.reset();
        m_pages = std::make_unique<PageFlow>(*m_seam);
        BesideProgram skinFolder(QStringLiteral("x"));
        if (skin)
            skinFolder.write(QStringLiteral("o.cjs"), "QPushButton { color: #123456; }");
        m_pages->start();

        TableSelectionPage &selectionPage = m_pages->tableSelectionPage();
        ResultsPage &resultsPage = m_pages->resultsPage();
        QCOMPARE(ownBackground(&selectionPage), buttonFace());
        QCOMPARE(ownBackground(control<QGroupBox>(selectionPage, "Frame1")), buttonFace());
        QCOMPARE(ownBackground(&resultsPage), buttonFace());
        // The skin is the login page's alone.
        QVERIFY(selectionPage.styleSheet().isEmpty());
        QVERIFY(resultsPage.styleSheet().isEmpty());
    }
    QVERIFY(m_seam->messages.isEmpty());
}

void TestChrome::skinFileGivesTheLoginPageButtonFaceAndTheSheet()
{
    const QByteArray sheet = "QPushButton { color: #123456; }\nQLineEdit { color: #654321; }\n";
    BesideProgram skinFolder(QStringLiteral("x"));
    skinFolder.write(QStringLiteral("o.cjs"), sheet);
    m_pages->start();
    LoginPage &form = m_pages->loginPage();

    for (QWidget *widget : std::initializer_list<QWidget *> { &form,
             control<QGroupBox>(form, "Frame1"), control<QLabel>(form, "Label1"),
             control<QLabel>(form, "Label2"), control<QLabel>(form, "Label3"),
             control<QLabel>(form, "Label4"), control<QLabel>(form, "Label9") })
        QCOMPARE(ownBackground(widget), buttonFace());
    for (QWidget *widget : std::initializer_list<QWidget *> { control<QLineEdit>(form, "Text1"),
             control<QLineEdit>(form, "Text2"), control<QLineEdit>(form, "Text3"),
             control<QLineEdit>(form, "Text4"), control<QLineEdit>(form, "Text5"),
             control<QPushButton>(form, "PushButton2"), control<QPushButton>(form, "PushButton3"),
             control<QPushButton>(form, "PushButton5") })
        QCOMPARE(ownBackground(widget), QColor());

    QCOMPARE(form.styleSheet(), QString::fromUtf8(sheet));
    QCOMPARE(control<QPushButton>(form, "PushButton5")->palette().color(QPalette::ButtonText),
        QColor("#123456"));
    QCOMPARE(control<QLineEdit>(form, "Text1")->palette().color(QPalette::Text), QColor("#654321"));
    // The skin keeps the designed window size.
    QCOMPARE(form.size(), form.minimumSize());
    QCOMPARE(form.size(), form.maximumSize());
    QVERIFY(m_seam->messages.isEmpty());
}

void TestChrome::skinThatIsNoNormalFileCountsAsMissing_data()
{
    QTest::addColumn<QString>("kind");

    QTest::newRow("a folder named o.cjs") << "folder";
    QTest::newRow("a link to nothing") << "dangling";
    QTest::newRow("a link to a folder") << "folder link";
}

void TestChrome::skinThatIsNoNormalFileCountsAsMissing()
{
    QFETCH(QString, kind);
    BesideProgram skinFolder(QStringLiteral("x"));
    QVERIFY(QDir().mkpath(skinFolder.path(QStringLiteral("elsewhere"))));
    QString skin = skinFolder.path(QStringLiteral("o.cjs"));
    if (kind == QLatin1String("folder"))
        QVERIFY(QDir().mkpath(skin));
    else if (kind == QLatin1String("dangling"))
        QVERIFY(QFile::link(skinFolder.path(QStringLiteral("gone.cjs")), skin));
    else
        QVERIFY(QFile::link(skinFolder.path(QStringLiteral("elsewhere")), skin));

    m_pages->start();
    LoginPage &form = m_pages->loginPage();

    QCOMPARE(ownBackground(&form), QColor(Qt::white));
    QCOMPARE(ownBackground(control<QLabel>(form, "Label9")), QColor(Qt::white));
    QVERIFY(form.styleSheet().isEmpty());
    QVERIFY(m_seam->messageTexts().isEmpty());
    QVERIFY(form.isVisible());
}

void TestChrome::everyPageCarriesTheApplicationIcon()
{
    m_pages->start();
    for (const char *name : { "Form1", "Form2", "Form3" }) {
        Page &page = pageNamed(*m_pages, QString::fromLatin1(name));
        QList<QSize> sizes = page.windowIcon().availableSizes();
        for (int size : { 32, 48, 128, 256 })
            QVERIFY2(sizes.contains(QSize(size, size)),
                qPrintable(QStringLiteral("%1 %2").arg(QString::fromLatin1(name)).arg(size)));
        QCOMPARE(page.windowTitle(), QStringLiteral("Kestrune"));
    }
}

void TestChrome::screenReadersHearWhatEachControlIs_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("element");
    QTest::addColumn<QString>("name");
    auto row = [](const char *page, const char *element, const char *name) {
        QTest::addRow("%s %s", page, element) << page << element << name;
    };
    // Each login field by its label, each list by its caption; buttons are named by their text.
    row("Form1", "Text1", "Server:");
    row("Form1", "Text5", "Port:");
    row("Form1", "Text2", "Username:");
    row("Form1", "Text3", "Password:");
    row("Form1", "Text4", "Database:");
    row("Form2", "ListView1", "Similar Table #1");
    row("Form2", "ListView2", "Similar Table #2");
    row("Form3", "ListView1", "Field differences");
    row("Form3", "ListView2", "Added / deleted records");
}

void TestChrome::screenReadersHearWhatEachControlIs()
{
    QFETCH(QString, page);
    QFETCH(QString, element);
    QFETCH(QString, name);
    m_pages->start();

    QAccessibleInterface *accessible
        = QAccessible::queryAccessibleInterface(elementNamed(pageNamed(*m_pages, page), element));
    QVERIFY(accessible);
    QCOMPARE(accessible->text(QAccessible::Name), name);
}

void TestChrome::hoverRules_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("element");
    QTest::addColumn<Page::Pointer>("before");
    QTest::addColumn<Page::Pointer>("after");

    struct Binding {
        const char *page;
        const char *element;
        Rule rule;
    };
    const Binding bindings[] = {
        { "Form1", "PushButton2", Button },
        { "Form1", "PushButton3", Button },
        { "Form1", "PushButton5", Button },
        { "Form1", "", Surface },
        { "Form1", "Frame1", Surface },
        { "Form1", "Text1", Surface },
        { "Form1", "Text2", Surface },
        { "Form1", "Text3", Surface },
        { "Form1", "Text4", Surface },
        { "Form1", "Text5", None },
        { "Form1", "Label1", None },
        { "Form1", "Label2", None },
        { "Form1", "Label3", None },
        { "Form1", "Label4", None },
        { "Form1", "Label9", None },
        { "Form2", "PushButton2", Button },
        { "Form2", "PushButton3", Button },
        { "Form2", "", Surface },
        { "Form2", "Frame1", Surface },
        { "Form2", "ListView1:items", Surface },
        { "Form2", "ListView2:items", Surface },
        { "Form2", "ListView1:header", Surface },
        { "Form2", "ProgressBar1", None },
        { "Form3", "PushButton1", Button },
        { "Form3", "PushButton2", Button },
        { "Form3", "", Surface },
        { "Form3", "ListView1:items", Surface },
        { "Form3", "ListView2:items", Surface },
        { "Form3", "ListView2:header", Surface },
    };
    for (const Binding &binding : bindings) {
        // Shapes 0 (default), 99 (hand) and 11 (hourglass, the busy flag).
        for (auto [before, number] :
            { std::pair { Page::Pointer::Default, 0 }, std::pair { Page::Pointer::Hand, 99 },
                std::pair { Page::Pointer::Hourglass, 11 } }) {
            Page::Pointer after = before;
            if (before != Page::Pointer::Hourglass && binding.rule == Button)
                after = Page::Pointer::Hand;
            if (before != Page::Pointer::Hourglass && binding.rule == Surface)
                after = Page::Pointer::Default;
            QTest::addRow("%s %s from %d", binding.page,
                *binding.element ? binding.element : "background", number)
                << binding.page << binding.element << before << after;
        }
    }
}

void TestChrome::hoverRules()
{
    QFETCH(QString, page);
    QFETCH(QString, element);
    QFETCH(Page::Pointer, before);
    QFETCH(Page::Pointer, after);
    m_pages->start();
    Page &target = pageNamed(*m_pages, page);
    target.show();
    target.setPointerShape(before);

    moveOver(elementNamed(target, element));

    QCOMPARE(target.pointerShape(), after);
    checkPointer(target);
}

void TestChrome::pointerFromButtonOverLabelKeepsTheHand()
{
    m_pages->start();
    LoginPage &form = m_pages->loginPage();
    QCOMPARE(form.pointerShape(), Page::Pointer::Default);

    moveOver(control<QPushButton>(form, "PushButton5"));
    QCOMPARE(form.pointerShape(), Page::Pointer::Hand);
    moveOver(control<QLabel>(form, "Label4"));
    moveOver(control<QLineEdit>(form, "Text5"));
    moveOver(control<QLabel>(form, "Label9"));
    QCOMPARE(form.pointerShape(), Page::Pointer::Hand);
    moveOver(control<QGroupBox>(form, "Frame1"));
    QCOMPARE(form.pointerShape(), Page::Pointer::Default);
    moveOver(control<QPushButton>(form, "PushButton3"));
    QCOMPARE(form.pointerShape(), Page::Pointer::Hand);
    moveOver(&form);
    QCOMPARE(form.pointerShape(), Page::Pointer::Default);
    checkPointer(form);
}

// The hover rules must not swallow what the list's own header does with the pointer.
void TestChrome::listHeaderDividerStillShowsTheResizePointer()
{
    m_pages->start();
    TableSelectionPage &form = m_pages->tableSelectionPage();
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QHeaderView *header = control<ListView>(form, "ListView1")->header();
    QPoint divider(
        header->sectionViewportPosition(0) + header->sectionSize(0) - 1, header->height() / 2);

    QMouseEvent move(QEvent::MouseMove, divider, header->viewport()->mapToGlobal(divider),
        Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(header->viewport(), &move);

    QCOMPARE(header->viewport()->cursor().shape(), Qt::SplitHCursor);
    QCOMPARE(form.pointerShape(), Page::Pointer::Default);
}

void TestChrome::handPointerFileGivesTheCustomImage()
{
    BesideProgram hand(QStringLiteral("HAND-M.CUR"));
    hand.write(QString(), cursorFile());
    m_pages->start();

    for (const char *name : { "Form1", "Form2", "Form3" }) {
        Page &page = pageNamed(*m_pages, QString::fromLatin1(name));
        QVERIFY2(handCursorShape(page) == Qt::BitmapCursor, name);
        moveOver(page.findChild<QPushButton *>(QStringLiteral("PushButton2")));
        QCOMPARE(page.pointerShape(), Page::Pointer::Hand);
        QCOMPARE(page.cursor().shape(), Qt::BitmapCursor);
        QCOMPARE(page.cursor().pixmap().size(), QSize(32, 32));
        QCOMPARE(page.cursor().hotSpot(), QPoint(6, 5));
    }
    QVERIFY(m_seam->messages.isEmpty());
}

void TestChrome::withoutHandPointerFileTheHandIsTheSystemOne()
{
    m_pages->start();
    for (const char *name : { "Form1", "Form2", "Form3" }) {
        Page &page = pageNamed(*m_pages, QString::fromLatin1(name));
        QVERIFY2(handCursorShape(page) == Qt::PointingHandCursor, name);
        moveOver(page.findChild<QPushButton *>(QStringLiteral("PushButton2")));
        QCOMPARE(page.pointerShape(), Page::Pointer::Hand);
        QCOMPARE(page.cursor().shape(), Qt::PointingHandCursor);
    }
}

void TestChrome::brokenHandPointerFileIsReportedAndLoadingGoesOn()
{
    BesideProgram hand(QStringLiteral("HAND-M.CUR"));
    hand.write(QString(), "this is no cursor");
    m_pages->start();
    LoginPage &loginPage = m_pages->loginPage();

    QCOMPARE(m_seam->messages.size(), 1);
    const ScriptedSeam::Message &message = m_seam->messages.at(0);
    QCOMPARE(message.title, QStringLiteral("Application Error"));
    QCOMPARE(message.icon, Seam::Icon::Warning);
    QString tail = QStringLiteral("\r\nin Kestrune2021/08/31.Form1.Form_Load at line 126\r\rPlease "
                                  "email screenshot of this message to ")
        + QString::fromUtf8(supportAddress.data(), supportAddress.size());
    QVERIFY2(message.text.endsWith(tail), qPrintable(message.text));
    QVERIFY(!message.text.startsWith(QStringLiteral("\r\n")));
    // The load step went on: the fields were filled and the page is shown.
    QCOMPARE(control<QLineEdit>(loginPage, "Text1")->text(), QStringLiteral("localhost"));
    QVERIFY(loginPage.isVisible());
    QCOMPARE(handCursorShape(loginPage), Qt::PointingHandCursor);

    m_pages->tableSelectionPage();
    m_pages->resultsPage();
    QCOMPARE(m_seam->messages.size(), 3);
    QVERIFY(m_seam->messages.at(1).text.contains(
        QStringLiteral("\r\nin Kestrune2021/08/31.Form2.Form_Load at line 108\r\r")));
    QVERIFY(m_seam->messages.at(2).text.contains(
        QStringLiteral("\r\nin Kestrune2021/08/31.Form3.Form_Load at line 108\r\r")));
}

QTEST_MAIN(TestChrome)
#include "tst_chrome.moc"
