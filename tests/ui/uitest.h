#pragma once

#include "db/connectionstring.h"

#include <QByteArray>
#include <QStringList>
#include <QTemporaryDir>

#include <string>
#include <sys/stat.h>

class QLineEdit;
class QWidget;

namespace kestrune {

class ListView;

namespace uitest {

// A settings store of the test's own. QSettings reads XDG_CONFIG_HOME once per process, so one
// of these lives for the whole test run and is emptied between test functions.
class ConfigHome {
public:
    ConfigHome();

    QString file() const;
    void clear();
    void write(const QByteArray &bytes);
    // The value of the key under [Kestrune] exactly as the file holds it, read from disk;
    // "<absent>" when the file or the key is not there.
    QString raw(const QString &key) const;
    // The permission bits of the settings file, or -1 when there is none.
    int mode() const;

private:
    QTemporaryDir m_dir;
};

// A file or folder beside the test program (where the program looks for its optional files),
// removed with everything under it when the guard ends.
class BesideProgram {
public:
    explicit BesideProgram(const QString &name);
    ~BesideProgram();
    BesideProgram(const BesideProgram &) = delete;
    BesideProgram &operator=(const BesideProgram &) = delete;

    QString path(const QString &below = QString()) const;
    void write(const QString &below, const QByteArray &bytes) const;

private:
    QString m_path;
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

// A pointer move with no button held, delivered to the widget as the window system would.
void moveOver(QWidget *widget);

// Replaces the field's text the way a user does: select everything, then type.
void typeInto(QLineEdit *field, const QString &text);

QStringList itemsOf(const ListView &list);

// What the server itself answers to "SHOW TABLES;" for that login.
QStringList serverTables(const LoginDetails &login);

// A quoted SQL string literal.
std::string sqlText(const std::string &text);

// A server account of the test's own (any host), allowed everything on one database.
void createUser(const std::string &user, const std::string &password, const std::string &database);
void dropUser(const std::string &user);

// How many connections the account has opened (or tried to open) on the server so far. Counted
// by the server per account, so tests running beside each other do not disturb it.
long long connectionsOf(const std::string &user);

} // namespace uitest
} // namespace kestrune
