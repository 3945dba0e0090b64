#pragma once

#include "db/connectionstring.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <sys/stat.h>

namespace kestrune {

// A settings store of the test's own: a temporary config home that the store reads from while
// this lives. QSettings keeps the first folder it found for the whole process, so it is pointed
// here as well as XDG_CONFIG_HOME.
class ConfigHome {
public:
    ConfigHome();

    QString path() const { return m_dir.path(); }
    QString file() const;
    void clear();
    void write(const QByteArray &bytes);
    // Stores the login under the keys the login page reads at start.
    void remember(const LoginDetails &login);
    // The value of the key under [Kestrune] exactly as the file holds it, read from disk;
    // "<absent>" when the file or the key is not there.
    QString raw(const QString &key) const;
    // The permission bits of the settings file, or -1 when there is none.
    int mode() const;

private:
    QTemporaryDir m_dir;
};

// Files are created as if no umask narrowed them, so only the store's own care keeps them private.
class WideUmask {
public:
    WideUmask()
        : m_old(::umask(0))
    {
    }
    ~WideUmask() { ::umask(m_old); }
    WideUmask(const WideUmask &) = delete;
    WideUmask &operator=(const WideUmask &) = delete;

private:
    mode_t m_old;
};

} // namespace kestrune
