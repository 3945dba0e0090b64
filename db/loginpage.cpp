#include "db/loginpage.h"

#include "app/applicationerror.h"
#include "app/errorreport.h"
#include "app/pages.h"
#include "app/settingsstore.h"
#include "compare/tableselectionpage.h"
#include "db/mysql.h"
#include "db/odbc.h"
#include "ui/chrome.h"
#include "ui/fileprocedures.h"
#include "ui/listview.h"
#include "ui/widgets.h"

#include <QApplication>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace kestrune {

Form1::Form1(Seam &seam, Pages &pages)
    : Page(seam, QStringLiteral("Form1"))
    , m_pages(pages)
{
    setFixedSizeTwips(8040, 3645);
    setFont(boldArial(9));
    useWhite(this);

    Frame1 = placeWidget<QGroupBox>(this, "Frame1", 120, 120, 7800, 2895);
    Frame1->setTitle(QStringLiteral("MySQL Login"));
    useWhite(Frame1);

    auto label = [this](const char *name, const char *caption, int l, int t, int w, int h) {
        auto *widget = placeWidget<QLabel>(Frame1, name, l, t, w, h);
        widget->setText(QString::fromLatin1(caption));
        useWhite(widget);
        return widget;
    };
    Label2 = label("Label2", "Server:", 240, 405, 1095, 255);
    Text1 = placeWidget<QLineEdit>(Frame1, "Text1", 1320, 360, 4575, 345);
    Label9 = label("Label9", "Port:", 6000, 405, 495, 255);
    Text5 = placeWidget<QLineEdit>(Frame1, "Text5", 6480, 360, 1095, 345);
    Label1 = label("Label1", "Username:", 240, 885, 1095, 255);
    Text2 = placeWidget<QLineEdit>(Frame1, "Text2", 1320, 840, 6255, 345);
    Label4 = label("Label4", "Password:", 240, 1365, 1095, 255);
    Text3 = placeWidget<QLineEdit>(Frame1, "Text3", 1320, 1320, 6255, 345);
    Label3 = label("Label3", "Database:", 240, 1845, 975, 255);
    Text4 = placeWidget<QLineEdit>(Frame1, "Text4", 1320, 1800, 6255, 345);

    Text3->setEchoMode(QLineEdit::Password);
    Text3->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));
    Text3->setAttribute(Qt::WA_InputMethodEnabled, false);

    PushButton5 = placeButton(Frame1, "PushButton5", "Test Connection", 240, 2280, 3600, 405);
    PushButton2 = placeButton(Frame1, "PushButton2", "Help", 3960, 2280, 3600, 405);
    PushButton3 = placeButton(this, "PushButton3", "Next >", 120, 3140, 7800, 405);

    QWidget::setTabOrder(Text1, Text5);
    QWidget::setTabOrder(Text5, Text2);
    QWidget::setTabOrder(Text2, Text3);
    QWidget::setTabOrder(Text3, Text4);
    QWidget::setTabOrder(Text4, PushButton5);
    QWidget::setTabOrder(PushButton5, PushButton2);
    QWidget::setTabOrder(PushButton2, PushButton3);

    rememberChanges(Text1, QStringLiteral("MyServer"));
    rememberChanges(Text2, QStringLiteral("MyUser"));
    rememberChanges(Text3, QStringLiteral("MyPassword"));
    rememberChanges(Text4, QStringLiteral("MyDatabase"));
    rememberChanges(Text5, QStringLiteral("MyPort"));

    connect(PushButton5, &QPushButton::clicked, this, &Form1::PushButton5_Click);
    connect(PushButton2, &QPushButton::clicked, this, &Form1::PushButton2_Click);
    connect(PushButton3, &QPushButton::clicked, this, &Form1::PushButton3_Click);

    for (QWidget *button : { PushButton2, PushButton3, PushButton5 })
        bindHover(button, Hover::Button);
    for (QWidget *surface : { static_cast<QWidget *>(Frame1), static_cast<QWidget *>(Text1),
             static_cast<QWidget *>(Text2), static_cast<QWidget *>(Text3),
             static_cast<QWidget *>(Text4) })
        bindHover(surface, Hover::Surface);
    leaveOtherElementsAlone();
}

void Form1::rememberChanges(QLineEdit *field, const QString &key)
{
    field->installEventFilter(this);
    connect(field, &QLineEdit::textChanged, this, [this, key](const QString &value) {
        try {
            SaveSetting(settingsApplication, settingsSection, key, value);
            m_unsavedReason.clear();
        } catch (const std::runtime_error &error) {
            // Every keystroke saves: a store that keeps failing is told once, not at each key,
            // and told again only after a save has worked or the reason has changed.
            QString reason = QString::fromStdString(error.what());
            if (reason == m_unsavedReason)
                return;
            m_unsavedReason = reason;
            seam().showMessage(reason, applicationTitle(), Seam::Icon::Warning);
        }
    });
}

bool Form1::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusIn) {
        if (auto *field = qobject_cast<QLineEdit *>(watched))
            field->selectAll();
    }
    return Page::eventFilter(watched, event);
}

LoginDetails Form1::loginDetails() const
{
    return LoginDetails { Text1->text().toStdString(), Text2->text().toStdString(),
        Text3->text().toStdString(), Text4->text().toStdString(), Text5->text().toStdString() };
}

void Form1::Form_Load()
{
    Trap trap = standardTrap(seam(), trace::form1Load);
    trap.step(100, [&] { ApplySkin(this); });
    trap.step(104, [&] { setWindowTitle(QStringLiteral("Kestrune")); });
    trap.step(104, [&] { setWindowIcon(applicationIcon()); });
    trap.step(104, [&] { QApplication::setApplicationDisplayName(QStringLiteral("Kestrune")); });
    trap.step(106, [&] {
        if (seam().drawOneToHundred() == 7)
            seam().openUrl(QUrl(QString::fromLatin1(makerHomePage)));
    });
    if (trap.condition(124, [&] { return FileExists(handPointerPath()); }))
        trap.step(126, [&] { loadCustomPointer(*this, handPointerPath()); });

    auto fill = [&](int line, QLineEdit *field, const char *key, const QString &fallback) {
        trap.step(line, [&] {
            field->setText(GetSetting(
                settingsApplication, settingsSection, QString::fromLatin1(key), fallback));
        });
    };
    fill(128, Text1, "MyServer", QStringLiteral("localhost"));
    fill(130, Text2, "MyUser", QString());
    fill(132, Text3, "MyPassword", QString());
    fill(134, Text4, "MyDatabase", QString());
    fill(136, Text5, "MyPort", QStringLiteral("3306"));

    if (trap.condition(138, [&] {
            return !Text1->text().isEmpty() && !Text2->text().isEmpty() && !Text3->text().isEmpty()
                && !Text4->text().isEmpty();
        })) {
        if (trap.condition(140, [&] { return TryConnect(loginDetails()); }))
            trap.step(142, [&] { PushButton3_Click(); });
    }
}

void Form1::PushButton5_Click()
{
    Trap trap = standardTrap(seam(), trace::form1TestConnection);
    std::unique_ptr<odbc::Connection> connection;
    trap.step(100, [&] { connection = std::make_unique<odbc::Connection>(); });
    // From here on every failure ends in the page's own message.
    try {
        setPointerShape(Hourglass);
        QCoreApplication::processEvents();
        if (!connection)
            throw std::runtime_error("The connection could not be created.");
        connection->open(BuildConnectionString(loginDetails()));
        showMessage(QStringLiteral("Connection successful."));
        setPointerShape(DefaultPointer);
    } catch (const std::exception &) {
        showMessage(
            QStringLiteral("Could not connect. Please check with your administrator. Make sure "
                           "you are allowed to connect to your database remotely and not just "
                           "through web-based control panels."));
        setPointerShape(DefaultPointer);
    }
}

void Form1::PushButton2_Click()
{
    Trap trap = standardTrap(seam(), trace::form1Help);
    QString piece1, piece2, piece3, piece4;
    trap.step(104, [&] {
        piece1 = QStringLiteral("If you cannot establish connection to your database with this "
                                "program, please go to: \r\r");
    });
    trap.step(106, [&] { piece2 = QString::fromLatin1(workbenchDownloadPage) + "\r\r"; });
    trap.step(108, [&] {
        piece3 = QStringLiteral(
            "Download and install the MySQL Workbench. Try to connect to the same database (with "
            "the same login information you are using here). This will determine if the login "
            "you are using is correct.\r\r");
    });
    trap.step(110, [&] {
        piece4 = QStringLiteral("Finally, make sure your host allows a direct connection to your "
                                "MySQL database -- not a web based connection, for example.");
    });
    trap.step(112, [&] { showMessage(piece1 + piece2 + piece3 + piece4); });
    trap.step(116, [&] {
        showMessage(QStringLiteral(
            "You must have Access 2000 or higher installed for this MySQL program."));
    });
}

void Form1::PushButton3_Click()
{
    Trap trap = standardTrap(seam(), trace::form1Next);
    std::unique_ptr<odbc::Connection> connection;
    trap.step(100, [&] { connection = std::make_unique<odbc::Connection>(); });
    if (!trap.condition(104, [&] { return TryConnect(loginDetails()); }))
        return;
    ListTables(
        trap, connection.get(), loginDetails(),
        [&]() -> ListView & { return *m_pages.form2().ListView1; },
        [&]() -> ListView & { return *m_pages.form2().ListView2; });
    trap.step(128, [&] { m_pages.form2().show(); });
    trap.step(130, [&] { hide(); });
}

} // namespace kestrune
