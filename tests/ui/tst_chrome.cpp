#include "app/errorreport.h"
#include "app/pages.h"
#include "compare/tableselectionpage.h"
#include "db/loginpage.h"
#include "results/resultspage.h"
#include "support/scriptedseam.h"
#include "ui/listview.h"
#include "uitest.h"

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

Page &pageNamed(Pages &pages, const QString &name)
{
    if (name == QLatin1String("Form1"))
        return pages.form1();
    if (name == QLatin1String("Form2"))
        return pages.form2();
    return pages.form3();
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

// The pointer the user sees for each shape.
void checkPointer(const Page &page)
{
    switch (page.pointerShape()) {
    case Page::DefaultPointer:
        QCOMPARE(page.cursor().shape(), Qt::ArrowCursor);
        break;
    case Page::Hourglass:
        QCOMPARE(page.cursor().shape(), Qt::WaitCursor);
        break;
    case Page::CustomPointer:
        QCOMPARE(page.cursor().shape(),
            page.hasCustomPointerImage() ? Qt::BitmapCursor : Qt::PointingHandCursor);
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
    return bytes;
}

enum Rule { Button, Surface, None };

} // namespace

class TestChrome : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void loginPageIsWhiteWithoutTheSkin();
    void otherPagesTakeButtonFaceAlways();
    void skinFileGivesTheLoginPageButtonFaceAndTheSheet();
    void skinThatIsNoNormalFileCountsAsMissing_data();
    void skinThatIsNoNormalFileCountsAsMissing();
    void everyPageCarriesTheApplicationIcon();

    void hoverRules_data();
    void hoverRules();
    void pointerFromButtonOverLabelKeepsTheHand();
    void listHeaderDividerStillShowsTheResizePointer();

    void handPointerFileGivesTheCustomImage();
    void withoutHandPointerFileTheHandIsTheSystemOne();
    void brokenHandPointerFileIsReportedAndLoadingGoesOn();

private:
    uitest::ConfigHome m_config;
    std::unique_ptr<ScriptedSeam> m_seam;
    std::unique_ptr<Pages> m_pages;
};

void TestChrome::init()
{
    m_config.clear();
    m_seam = std::make_unique<ScriptedSeam>();
    m_pages = std::make_unique<Pages>(*m_seam);
}

void TestChrome::cleanup()
{
    m_pages.reset();
    m_seam.reset();
}

void TestChrome::loginPageIsWhiteWithoutTheSkin()
{
    QVERIFY(buttonFace() != QColor(Qt::white));
    m_pages->start();
    Form1 &form = m_pages->form1();

    for (QWidget *widget : std::initializer_list<QWidget *> {
             &form, form.Frame1, form.Label1, form.Label2, form.Label3, form.Label4, form.Label9 })
        QCOMPARE(ownBackground(widget), QColor(Qt::white));
    QVERIFY(form.styleSheet().isEmpty());
    QVERIFY(m_seam->messages.isEmpty());
    // What the user sees beside the frame.
    QCOMPARE(form.grab().toImage().pixelColor(2, 2), QColor(Qt::white));
}

void TestChrome::otherPagesTakeButtonFaceAlways()
{
    for (bool skin : { false, true }) {
        m_pages.reset();
        m_pages = std::make_unique<Pages>(*m_seam);
        BesideProgram skinFolder(QStringLiteral("x"));
        if (skin)
            skinFolder.write(QStringLiteral("o.cjs"), "QPushButton { color: #123456; }");
        m_pages->start();

        Form2 &form2 = m_pages->form2();
        Form3 &form3 = m_pages->form3();
        QCOMPARE(ownBackground(&form2), buttonFace());
        QCOMPARE(ownBackground(form2.Frame1), buttonFace());
        QCOMPARE(ownBackground(&form3), buttonFace());
        // The skin is the login page's alone.
        QVERIFY(form2.styleSheet().isEmpty());
        QVERIFY(form3.styleSheet().isEmpty());
    }
    QVERIFY(m_seam->messages.isEmpty());
}

void TestChrome::skinFileGivesTheLoginPageButtonFaceAndTheSheet()
{
    const QByteArray sheet = "QPushButton { color: #123456; }\nQLineEdit { color: #654321; }\n";
    BesideProgram skinFolder(QStringLiteral("x"));
    skinFolder.write(QStringLiteral("o.cjs"), sheet);
    m_pages->start();
    Form1 &form = m_pages->form1();

    for (QWidget *widget : std::initializer_list<QWidget *> {
             &form, form.Frame1, form.Label1, form.Label2, form.Label3, form.Label4, form.Label9 })
        QCOMPARE(ownBackground(widget), buttonFace());
    for (QWidget *widget : std::initializer_list<QWidget *> { form.Text1, form.Text2, form.Text3,
             form.Text4, form.Text5, form.PushButton2, form.PushButton3, form.PushButton5 })
        QCOMPARE(ownBackground(widget), QColor());

    QCOMPARE(form.styleSheet(), QString::fromUtf8(sheet));
    QCOMPARE(form.PushButton5->palette().color(QPalette::ButtonText), QColor("#123456"));
    QCOMPARE(form.Text1->palette().color(QPalette::Text), QColor("#654321"));
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
    Form1 &form = m_pages->form1();

    QCOMPARE(ownBackground(&form), QColor(Qt::white));
    QCOMPARE(ownBackground(form.Label9), QColor(Qt::white));
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

void TestChrome::hoverRules_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("element");
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("after");

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
        for (int before : { 0, 99, 11 }) {
            int after = before;
            if (before != Page::Hourglass && binding.rule == Button)
                after = Page::CustomPointer;
            if (before != Page::Hourglass && binding.rule == Surface)
                after = Page::DefaultPointer;
            QTest::addRow("%s %s from %d", binding.page,
                *binding.element ? binding.element : "background", before)
                << binding.page << binding.element << before << after;
        }
    }
}

void TestChrome::hoverRules()
{
    QFETCH(QString, page);
    QFETCH(QString, element);
    QFETCH(int, before);
    QFETCH(int, after);
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
    Form1 &form = m_pages->form1();
    QCOMPARE(form.pointerShape(), 0);

    moveOver(form.PushButton5);
    QCOMPARE(form.pointerShape(), 99);
    moveOver(form.Label4);
    moveOver(form.Text5);
    moveOver(form.Label9);
    QCOMPARE(form.pointerShape(), 99);
    moveOver(form.Frame1);
    QCOMPARE(form.pointerShape(), 0);
    moveOver(form.PushButton3);
    QCOMPARE(form.pointerShape(), 99);
    moveOver(&form);
    QCOMPARE(form.pointerShape(), 0);
    checkPointer(form);
}

// The hover rules must not swallow what the list's own header does with the pointer.
void TestChrome::listHeaderDividerStillShowsTheResizePointer()
{
    m_pages->start();
    Form2 &form = m_pages->form2();
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QHeaderView *header = form.ListView1->header();
    QPoint divider(
        header->sectionViewportPosition(0) + header->sectionSize(0) - 1, header->height() / 2);

    QMouseEvent move(QEvent::MouseMove, divider, header->viewport()->mapToGlobal(divider),
        Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(header->viewport(), &move);

    QCOMPARE(header->viewport()->cursor().shape(), Qt::SplitHCursor);
    QCOMPARE(form.pointerShape(), 0);
}

void TestChrome::handPointerFileGivesTheCustomImage()
{
    BesideProgram hand(QStringLiteral("HAND-M.CUR"));
    hand.write(QString(), cursorFile());
    m_pages->start();

    for (const char *name : { "Form1", "Form2", "Form3" }) {
        Page &page = pageNamed(*m_pages, QString::fromLatin1(name));
        QVERIFY2(page.hasCustomPointerImage(), name);
        moveOver(page.findChild<QPushButton *>(QStringLiteral("PushButton2")));
        QCOMPARE(page.pointerShape(), 99);
        QCOMPARE(page.cursor().shape(), Qt::BitmapCursor);
        QCOMPARE(page.cursor().pixmap().size(), QSize(32, 32));
    }
    QVERIFY(m_seam->messages.isEmpty());
}

void TestChrome::withoutHandPointerFileTheHandIsTheSystemOne()
{
    m_pages->start();
    for (const char *name : { "Form1", "Form2", "Form3" }) {
        Page &page = pageNamed(*m_pages, QString::fromLatin1(name));
        QVERIFY2(!page.hasCustomPointerImage(), name);
        moveOver(page.findChild<QPushButton *>(QStringLiteral("PushButton2")));
        QCOMPARE(page.pointerShape(), 99);
        QCOMPARE(page.cursor().shape(), Qt::PointingHandCursor);
    }
}

void TestChrome::brokenHandPointerFileIsReportedAndLoadingGoesOn()
{
    BesideProgram hand(QStringLiteral("HAND-M.CUR"));
    hand.write(QString(), "this is no cursor");
    m_pages->start();
    Form1 &form1 = m_pages->form1();

    QCOMPARE(m_seam->messages.size(), 1);
    const ScriptedSeam::Message &message = m_seam->messages.at(0);
    QCOMPARE(message.title, QStringLiteral("Application Error"));
    QCOMPARE(message.icon, Seam::Icon::Warning);
    QVERIFY2(message.text.endsWith(QStringLiteral(
                 "\r\nin Kestrune2021/08/31.Form1.Form_Load at line 126\r\rPlease email "
                 "screenshot of this message to support@vandrell.example")),
        qPrintable(message.text));
    QVERIFY(!message.text.startsWith(QStringLiteral("\r\n")));
    // The load step went on: the fields were filled and the page is shown.
    QCOMPARE(form1.Text1->text(), QStringLiteral("localhost"));
    QVERIFY(form1.isVisible());
    QVERIFY(!form1.hasCustomPointerImage());

    m_pages->form2();
    m_pages->form3();
    QCOMPARE(m_seam->messages.size(), 3);
    QVERIFY(m_seam->messages.at(1).text.contains(
        QStringLiteral("\r\nin Kestrune2021/08/31.Form2.Form_Load at line 108\r\r")));
    QVERIFY(m_seam->messages.at(2).text.contains(
        QStringLiteral("\r\nin Kestrune2021/08/31.Form3.Form_Load at line 108\r\r")));
}

QTEST_MAIN(TestChrome)
#include "tst_chrome.moc"
