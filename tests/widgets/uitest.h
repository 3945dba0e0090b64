#pragma once

#include "db/connectionstring.h"
#include "support/confighome.h"

#include <QByteArray>
#include <QStringList>

#include <string>

class QLineEdit;
class QWidget;

namespace kestrune {

class ListView;

namespace uitest {

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
