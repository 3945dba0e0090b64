#include "privateserver.h"

#include "db/odbc/odbc.h"
#include "support/testdb.h"

#include <QFile>
#include <QProcess>

#include <chrono>
#include <csignal>
#include <sys/types.h>

namespace kestrune {

PrivateServer::PrivateServer()
    : m_port(qEnvironmentVariable("KESTRUNE_FAULT_DB_PORT", QStringLiteral("23064")))
    , m_folder(QStringLiteral(KESTRUNE_SOURCE_DIR "/.db/faults-") + m_port)
{
}

PrivateServer::PrivateServer(int portAfter, const QStringList &serverArguments)
    : m_port(QString::number(
        qEnvironmentVariable("KESTRUNE_FAULT_DB_PORT", QStringLiteral("23064")).toInt()
        + portAfter))
    , m_folder(QStringLiteral(KESTRUNE_SOURCE_DIR "/.db/faults-") + m_port)
    , m_serverArguments(serverArguments)
{
}

PrivateServer::~PrivateServer()
{
    if (m_started)
        stop();
}

QString PrivateServer::run(const QString &command)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("KESTRUNE_DB_PORT"), m_port);
    environment.insert(QStringLiteral("KESTRUNE_DB_DIR"), m_folder);
    environment.insert(QStringLiteral("KESTRUNE_DB_ARGS"), m_serverArguments.join(' '));
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral(KESTRUNE_SOURCE_DIR "/scripts/db"), { command });
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished();
        return QStringLiteral("scripts/db %1 did not finish").arg(command);
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return QStringLiteral("scripts/db %1 failed: %2")
            .arg(command, QString::fromLocal8Bit(process.readAll()));
    return QString();
}

QString PrivateServer::start()
{
    m_started = true;
    return run(QStringLiteral("start"));
}

QString PrivateServer::stop()
{
    QString error = run(QStringLiteral("stop"));
    m_started = false;
    return error;
}

bool PrivateServer::requestShutdown() const
{
    QFile pidFile(m_folder + QStringLiteral("/mysqld.pid"));
    if (!pidFile.open(QIODevice::ReadOnly))
        return false;
    bool ok = false;
    pid_t pid = static_cast<pid_t>(pidFile.readAll().trimmed().toLongLong(&ok));
    return ok && pid > 0 && ::kill(pid, SIGTERM) == 0;
}

PrivateServer::StopWhileRunning::StopWhileRunning(
    const PrivateServer &server, std::string statementStart)
    : m_watcher([this, &server, start = std::move(statementStart)] {
        try {
            odbc::Connection connection;
            connection.open(buildConnectionString(server.login("kestrune_test")));
            auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
            while (std::chrono::steady_clock::now() < deadline) {
                odbc::Result running
                    = connection.execute("SELECT COUNT(*) FROM information_schema.PROCESSLIST "
                                         "WHERE INFO LIKE '"
                        + start + "%'");
                if (running.firstField() != "0") {
                    m_stopped = server.requestShutdown();
                    return;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
        } catch (const odbc::Error &error) {
            m_error = error.what();
        }
    })
{
}

PrivateServer::StopWhileRunning::~StopWhileRunning()
{
    if (m_watcher.joinable())
        m_watcher.join();
}

QString PrivateServer::StopWhileRunning::wait()
{
    if (m_watcher.joinable())
        m_watcher.join();
    if (!m_error.empty())
        return QString::fromStdString(m_error);
    return m_stopped ? QString() : QStringLiteral("the statement did not run within a minute");
}

LoginDetails PrivateServer::login(const std::string &database) const
{
    return LoginDetails { .server = "127.0.0.1",
        .port = m_port.toStdString(),
        .user = "kes",
        .password = "kes-pw",
        .database = database };
}

LoginDetails PrivateServer::freshDatabase(
    const std::string &name, const std::vector<std::string> &statements)
{
    testdb::run(login("kestrune_test"),
        { "DROP DATABASE IF EXISTS `" + name + "`", "CREATE DATABASE `" + name + "`" });
    testdb::run(login(name), statements);
    return login(name);
}

} // namespace kestrune
