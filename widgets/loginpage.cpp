#include "widgets/loginpage.h"

#include "db/odbc/odbc.h"
#include "db/odbc/probe.h"
#include "db/odbc/tablelisting.h"
#include "settings/settingsstore.h"
#include "widgets/applicationerror.h"
#include "widgets/connectionlog.h"
#include "widgets/errorreport.h"
#include "widgets/fileprocedures.h"
#include "widgets/widgets.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace kestrune {

LoginPage::LoginPage(Seam &seam, Routes routes)
    : Page(seam, QStringLiteral("Form1"))
    , m_routes(std::move(routes))
{
    setFixedSizeTwips(8040, 3645);
    setFont(boldArial(9));
    useWhite(this);

    auto *frame = placeWidget<QGroupBox>(this, "Frame1", 120, 120, 7800, 2895);
    frame->setTitle(QStringLiteral("MySQL Login"));
    useWhite(frame);

    // Each field is announced by its label.
    auto labelled = [frame](const char *labelName, const char *caption, QRect labelPlace,
                        const char *fieldName, QRect fieldPlace) {
        auto *label = placeWidget<QLabel>(frame, labelName, labelPlace.x(), labelPlace.y(),
            labelPlace.width(), labelPlace.height());
        label->setText(QString::fromLatin1(caption));
        useWhite(label);
        auto *field = placeWidget<QLineEdit>(frame, fieldName, fieldPlace.x(), fieldPlace.y(),
            fieldPlace.width(), fieldPlace.height());
        label->setBuddy(field);
        return field;
    };
    m_serverField
        = labelled("Label2", "Server:", { 240, 405, 1095, 255 }, "Text1", { 1320, 360, 4575, 345 });
    m_portField
        = labelled("Label9", "Port:", { 6000, 405, 495, 255 }, "Text5", { 6480, 360, 1095, 345 });
    m_userField = labelled(
        "Label1", "Username:", { 240, 885, 1095, 255 }, "Text2", { 1320, 840, 6255, 345 });
    m_passwordField = labelled(
        "Label4", "Password:", { 240, 1365, 1095, 255 }, "Text3", { 1320, 1320, 6255, 345 });
    m_databaseField = labelled(
        "Label3", "Database:", { 240, 1845, 975, 255 }, "Text4", { 1320, 1800, 6255, 345 });

    m_passwordField->setEchoMode(QLineEdit::Password);
    m_passwordField->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));
    m_passwordField->setAttribute(Qt::WA_InputMethodEnabled, false);

    m_testConnectionButton
        = placeButton(frame, "PushButton5", "Test Connection", 240, 2280, 3600, 405);
    m_helpButton = placeButton(frame, "PushButton2", "Help", 3960, 2280, 3600, 405);
    m_nextButton = placeButton(this, "PushButton3", "Next >", 120, 3140, 7800, 405);

    QWidget::setTabOrder(m_serverField, m_portField);
    QWidget::setTabOrder(m_portField, m_userField);
    QWidget::setTabOrder(m_userField, m_passwordField);
    QWidget::setTabOrder(m_passwordField, m_databaseField);
    QWidget::setTabOrder(m_databaseField, m_testConnectionButton);
    QWidget::setTabOrder(m_testConnectionButton, m_helpButton);
    QWidget::setTabOrder(m_helpButton, m_nextButton);

    rememberChanges(m_serverField, loginSetting::server);
    rememberChanges(m_userField, loginSetting::user);
    rememberChanges(m_passwordField, loginSetting::password);
    rememberChanges(m_databaseField, loginSetting::database);
    rememberChanges(m_portField, loginSetting::port);

    connect(
        m_testConnectionButton, &QPushButton::clicked, this, &LoginPage::onTestConnectionClicked);
    connect(m_helpButton, &QPushButton::clicked, this, &LoginPage::onHelpClicked);
    connect(m_nextButton, &QPushButton::clicked, this, &LoginPage::onNextClicked);

    for (QWidget *button : { m_helpButton, m_nextButton, m_testConnectionButton })
        bindHover(button, Hover::Button);
    for (QWidget *surface : { static_cast<QWidget *>(frame), static_cast<QWidget *>(m_serverField),
             static_cast<QWidget *>(m_userField), static_cast<QWidget *>(m_passwordField),
             static_cast<QWidget *>(m_databaseField) })
        bindHover(surface, Hover::Surface);
    leaveOtherElementsAlone();
}

void LoginPage::rememberChanges(QLineEdit *field, const LoginSetting &setting)
{
    const QString key = QString::fromLatin1(setting.key);
    field->installEventFilter(this);
    connect(field, &QLineEdit::textChanged, this, [this, key](const QString &value) {
        try {
            saveSetting(settingsApplication, settingsSection, key, value);
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

bool LoginPage::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusIn) {
        if (auto *field = qobject_cast<QLineEdit *>(watched))
            field->selectAll();
    }
    return Page::eventFilter(watched, event);
}

LoginDetails LoginPage::loginDetails() const
{
    return LoginDetails {
        .server = m_serverField->text().toStdString(),
        .port = m_portField->text().toStdString(),
        .user = m_userField->text().toStdString(),
        .password = m_passwordField->text().toStdString(),
        .database = m_databaseField->text().toStdString(),
    };
}

// The probe answers yes or no; why the server said no goes to the log for whoever looks.
bool LoginPage::loginWorks()
{
    std::string refusal;
    if (tryConnect(loginDetails(), &refusal))
        return true;
    qCInfo(connectionLog, "The connection probe was refused: %s", refusal.c_str());
    return false;
}

void LoginPage::load()
{
    Trap trap = standardTrap(seam(), trace::loginLoad);
    trap.step(100, [&] { applySkin(this); });
    trap.step(104, [&] { setWindowTitle(QStringLiteral("Kestrune")); });
    trap.step(104, [&] { setWindowIcon(applicationIcon()); });
    trap.step(106, [&] {
        if (seam().drawOneToHundred() == 7)
            seam().openUrl(QUrl(QString::fromLatin1(makerHomePage)));
    });
    if (trap.condition(124, [&] { return fileExists(handPointerPath()); }))
        trap.step(126, [&] { loadCustomPointer(*this, handPointerPath()); });

    auto fill = [&](int line, QLineEdit *field, const LoginSetting &setting) {
        trap.step(line, [&] { field->setText(getLoginSetting(setting)); });
    };
    fill(128, m_serverField, loginSetting::server);
    fill(130, m_userField, loginSetting::user);
    fill(132, m_passwordField, loginSetting::password);
    fill(134, m_databaseField, loginSetting::database);
    fill(136, m_portField, loginSetting::port);

    if (trap.condition(138, [&] {
            return !m_serverField->text().isEmpty() && !m_userField->text().isEmpty()
                && !m_passwordField->text().isEmpty() && !m_databaseField->text().isEmpty();
        })) {
        if (trap.condition(140, [&] { return loginWorks(); }))
            trap.step(142, [&] { onNextClicked(); });
    }
}

void LoginPage::onTestConnectionClicked()
{
    Trap trap = standardTrap(seam(), trace::loginTestConnection);
    std::unique_ptr<odbc::Connection> connection;
    trap.step(100, [&] { connection = std::make_unique<odbc::Connection>(); });
    // From here on every failure ends in the page's own message.
    try {
        setPointerShape(Pointer::Hourglass);
        QCoreApplication::processEvents();
        if (!connection)
            throw std::runtime_error("The connection could not be created.");
        connection->open(buildConnectionString(loginDetails()));
        showMessage(QStringLiteral("Connection successful."));
        setPointerShape(Pointer::Default);
    } catch (const std::exception &error) {
        logConnectionFailure("Test Connection", error);
        showMessage(
            QStringLiteral("Could not connect. Please check with your administrator. Make sure "
                           "you are allowed to connect to your database remotely and not just "
                           "through web-based control panels."));
        setPointerShape(Pointer::Default);
    }
}

void LoginPage::onHelpClicked()
{
    Trap trap = standardTrap(seam(), trace::loginHelp);
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

void LoginPage::onNextClicked()
{
    Trap trap = standardTrap(seam(), trace::loginNext);
    std::unique_ptr<odbc::Connection> connection;
    trap.step(100, [&] { connection = std::make_unique<odbc::Connection>(); });
    if (!trap.condition(104, [&] { return loginWorks(); }))
        return;
    TableListing listing(connection.get());
    int count = 0;
    // [106] A client-side cursor is the only kind the driver offers: nothing to set.
    trap.step(108, [&] { listing.connect(loginDetails()); });
    trap.step(110, [&] { listing.query(); });
    trap.step(112, [&] { count = listing.count(); });
    for (int i = 1; i <= count; ++i) {
        trap.step(114, [&] { QCoreApplication::processEvents(); });
        trap.step(116, [&] { m_routes.appendLeftTable(QString::fromStdString(listing.name())); });
        trap.step(118, [&] { m_routes.appendRightTable(QString::fromStdString(listing.name())); });
        trap.step(120, [&] { listing.moveNext(); });
    }
    trap.step(124, [&] { listing.closeNames(); });
    trap.step(126, [&] { listing.disconnect(); });
    trap.step(128, [&] { m_routes.showTableSelection(); });
    trap.step(130, [&] { hide(); });
}

} // namespace kestrune
