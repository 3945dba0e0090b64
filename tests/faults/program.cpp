#include "program.h"

#include "app/settingsstore.h"

#include <QCoreApplication>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSettings>
#include <QTest>

#include <unistd.h>

namespace kestrune {

Program::Program()
{
    // QSettings keeps the first folder it found for the whole process: point it here instead.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_config.path());
    // An ordinary user must reach the store when a test runs part of the program as one.
    QFile::setPermissions(m_config.path(),
        QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther
            | QFile::ExeOther);
}

Program::~Program() = default;

QString Program::settingsFile() const { return m_config.filePath(settingsApplication + ".ini"); }

void Program::remember(const LoginDetails &login)
{
    QSettings store(settingsFile(), QSettings::IniFormat);
    store.beginGroup(settingsSection);
    store.setValue("MyServer", QString::fromStdString(login.server));
    store.setValue("MyUser", QString::fromStdString(login.user));
    store.setValue("MyPassword", QString::fromStdString(login.password));
    store.setValue("MyDatabase", QString::fromStdString(login.database));
    store.setValue("MyPort", QString::fromStdString(login.port));
    store.endGroup();
    store.sync();
    QVERIFY(store.status() == QSettings::NoError);
}

void Program::writeSettingsFile(const QByteArray &contents)
{
    QFile file(settingsFile());
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(contents), contents.size());
}

void Program::start()
{
    m_pages = std::make_unique<Pages>(seam);
    m_pages->start();
}

void retype(QLineEdit *field, const QString &text)
{
    field->setFocus();
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Backspace);
    // One key event a character; QTest::keyClicks takes Latin-1 only.
    for (qsizetype i = 0; i < text.size(); ++i) {
        qsizetype length = text.at(i).isHighSurrogate() ? 2 : 1;
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, text.mid(i, length));
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, text.mid(i, length));
        QCoreApplication::sendEvent(field, &press);
        QCoreApplication::sendEvent(field, &release);
        i += length - 1;
    }
}

AsOrdinaryUser::AsOrdinaryUser()
{
    if (::geteuid() != 0)
        return;
    // The real user too, since access checks such as QFileInfo::isReadable ask for the real one;
    // the saved one stays root, so the switch can be undone.
    constexpr uid_t nobody = 65534;
    m_switched = ::setresuid(nobody, nobody, 0) == 0;
    m_ok = m_switched;
}

AsOrdinaryUser::~AsOrdinaryUser()
{
    if (m_switched && ::setresuid(0, 0, 0) != 0)
        qFatal("could not return to the root user");
}

} // namespace kestrune
