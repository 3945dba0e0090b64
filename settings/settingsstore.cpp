#include "settings/settingsstore.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSettings>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace kestrune {

namespace {

std::runtime_error storeError(const QString &path, const char *what)
{
    return std::runtime_error(
        QStringLiteral("Settings store %1: %2").arg(path, QString::fromUtf8(what)).toStdString());
}

// Creates the file with mode 0600 before QSettings first writes it, so it is never readable
// by others, not even for a moment; QSettings keeps the mode of an existing file.
void makePrivate(const QString &path)
{
    QByteArray name = QFile::encodeName(path);
    struct stat status;
    if (::stat(name.constData(), &status) == 0) {
        if ((status.st_mode & 077) != 0 && ::chmod(name.constData(), 0600) != 0)
            throw storeError(path, std::strerror(errno));
        return;
    }
    QDir().mkpath(QFileInfo(path).absolutePath());
    int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0 && errno != EEXIST)
        throw storeError(path, std::strerror(errno));
    if (fd >= 0)
        ::close(fd);
}

void checkAccess(const QSettings &settings)
{
    if (settings.status() == QSettings::AccessError)
        throw storeError(settings.fileName(), "cannot be read or written");
}

struct Stamp {
    qint64 size;
    QDateTime modified;
    bool operator==(const Stamp &other) const = default;
};

Stamp stampOf(const QString &path)
{
    QFileInfo file(path);
    return Stamp { file.size(), file.lastModified() };
}

// QSettings parses a file again only when its size or time has changed, and tells of a format
// error only the one reader that parsed it: every later reader must hear of it too.
QHash<QString, Stamp> &malformedFiles()
{
    static QHash<QString, Stamp> files;
    return files;
}

void checkReadable(const QSettings &settings)
{
    checkAccess(settings);
    QString path = settings.fileName();
    QHash<QString, Stamp> &malformed = malformedFiles();
    if (settings.status() == QSettings::FormatError)
        malformed.insert(path, stampOf(path));
    else if (malformed.contains(path) && !(malformed.value(path) == stampOf(path)))
        malformed.remove(path);
    if (malformed.contains(path))
        throw storeError(path, "is not in the expected format");
}

} // namespace

QString getSetting(const QString &application, const QString &section, const QString &key,
    const QString &defaultValue)
{
    QSettings settings(QSettings::IniFormat, QSettings::UserScope, application);
    QFileInfo file(settings.fileName());
    if (file.exists() && !file.isReadable())
        throw storeError(settings.fileName(), "cannot be read");
    checkReadable(settings);
    settings.beginGroup(section);
    if (!settings.contains(key))
        return defaultValue;
    return settings.value(key).toString();
}

void saveSetting(
    const QString &application, const QString &section, const QString &key, const QString &value)
{
    QSettings settings(QSettings::IniFormat, QSettings::UserScope, application);
    checkAccess(settings);
    makePrivate(settings.fileName());
    settings.beginGroup(section);
    // Writing back the value already stored changes nothing, and a store that can be read but not
    // written (a read-only folder) then has nothing to complain about at every start.
    if (!malformedFiles().contains(settings.fileName()) && settings.contains(key)
        && settings.value(key).toString() == value)
        return;
    settings.setValue(key, value);
    settings.endGroup();
    settings.sync();
    checkAccess(settings);
    // A malformed file was rewritten in good form, with every value that could be read.
    malformedFiles().remove(settings.fileName());
}

QString getLoginSetting(const LoginSetting &setting)
{
    return getSetting(settingsApplication, settingsSection, QString::fromLatin1(setting.key),
        QString::fromLatin1(setting.fallback));
}

} // namespace kestrune
