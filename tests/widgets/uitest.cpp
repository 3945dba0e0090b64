#include "uitest.h"

#include "db/odbc/odbc.h"
#include "support/testdb.h"
#include "widgets/listview.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTest>

namespace kestrune::uitest {

BesideProgram::BesideProgram(const QString &name)
    : m_path(QCoreApplication::applicationDirPath() + QLatin1Char('/') + name)
{
    // Left over by a run that crashed.
    QDir(m_path).removeRecursively();
    QFile::remove(m_path);
}

BesideProgram::~BesideProgram()
{
    QDir(m_path).removeRecursively();
    QFile::remove(m_path);
}

QString BesideProgram::path(const QString &below) const
{
    return below.isEmpty() ? m_path : m_path + QLatin1Char('/') + below;
}

void BesideProgram::write(const QString &below, const QByteArray &bytes) const
{
    QString target = path(below);
    QDir().mkpath(QFileInfo(target).absolutePath());
    QFile out(target);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(target));
}

void moveOver(QWidget *widget)
{
    QPointF local(1, 1);
    QMouseEvent move(QEvent::MouseMove, local, widget->mapToGlobal(local), Qt::NoButton,
        Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &move);
}

void typeInto(QLineEdit *field, const QString &text)
{
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    if (text.isEmpty())
        QTest::keyClick(field, Qt::Key_Backspace);
    for (QChar c : text) {
        if (c.unicode() < 128) {
            QTest::keyClick(field, c.toLatin1());
            continue;
        }
        // A key of a keyboard layout Qt Test does not know: only its text.
        for (QEvent::Type type : { QEvent::KeyPress, QEvent::KeyRelease }) {
            QKeyEvent key(type, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QCoreApplication::sendEvent(field, &key);
        }
    }
}

QStringList itemsOf(const ListView &list)
{
    QStringList items;
    for (int i = 1; i <= list.count(); ++i)
        items.append(list.itemText(i));
    return items;
}

QStringList serverTables(const LoginDetails &login)
{
    odbc::Connection connection;
    connection.open(buildConnectionString(login));
    odbc::Result tables = connection.execute("SHOW TABLES;");
    QStringList names;
    for (; !tables.eof(); tables.moveNext())
        names.append(QString::fromStdString(tables.firstField()));
    return names;
}

std::string sqlText(const std::string &text)
{
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'' || c == '\\')
            quoted += '\\';
        quoted += c;
    }
    return quoted + "'";
}

void createUser(const std::string &user, const std::string &password, const std::string &database)
{
    testdb::run({ "DROP USER IF EXISTS " + sqlText(user) + "@'%'",
        "CREATE USER " + sqlText(user) + "@'%' IDENTIFIED BY " + sqlText(password),
        "GRANT ALL PRIVILEGES ON `" + database + "`.* TO " + sqlText(user) + "@'%'" });
}

void dropUser(const std::string &user)
{
    testdb::run("DROP USER IF EXISTS " + sqlText(user) + "@'%'");
}

long long connectionsOf(const std::string &user)
{
    odbc::Connection connection;
    connection.open(buildConnectionString(testdb::login()));
    connection.execute("SET GLOBAL userstat = 1");
    odbc::Result count = connection.execute(
        "SELECT COALESCE(SUM(TOTAL_CONNECTIONS), 0) FROM information_schema.USER_STATISTICS "
        "WHERE USER = "
        + sqlText(user));
    return std::stoll(count.firstField());
}

} // namespace kestrune::uitest
