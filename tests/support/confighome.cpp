#include "support/confighome.h"

#include "settings/settingsstore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTest>

namespace kestrune {

ConfigHome::ConfigHome()
{
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.path()));
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_dir.path());
    // An ordinary user must reach the store when a test runs part of the program as one, also
    // when it keeps root's group.
    QFile::setPermissions(m_dir.path(),
        QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup
            | QFile::ReadOther | QFile::ExeOther);
}

QString ConfigHome::file() const { return m_dir.filePath(settingsApplication + ".ini"); }

void ConfigHome::clear()
{
    QFileInfo info(file());
    if (info.isDir())
        QDir(file()).removeRecursively();
    else
        QFile::remove(file());
}

void ConfigHome::write(const QByteArray &bytes)
{
    clear();
    QFile out(file());
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(file()));
}

void ConfigHome::remember(const LoginDetails &login)
{
    QSettings store(file(), QSettings::IniFormat);
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

QString ConfigHome::raw(const QString &key) const
{
    QFile in(file());
    if (!in.open(QIODevice::ReadOnly))
        return QStringLiteral("<absent>");
    const QStringList lines = QString::fromUtf8(in.readAll()).split(QLatin1Char('\n'));
    bool inSection = false;
    for (const QString &line : lines) {
        if (line.startsWith(QLatin1Char('[')))
            inSection = line == QLatin1Char('[') + settingsSection + QLatin1Char(']');
        else if (inSection && line.startsWith(key + QLatin1Char('=')))
            return line.mid(key.size() + 1);
    }
    return QStringLiteral("<absent>");
}

int ConfigHome::mode() const
{
    struct stat status;
    if (::stat(QFile::encodeName(file()).constData(), &status) != 0)
        return -1;
    return static_cast<int>(status.st_mode & 07777);
}

} // namespace kestrune
