#pragma once

#include "db/connectionstring.h"

#include <QString>
#include <QStringList>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace kestrune {

// A MariaDB server of the test's own (scripts/db on another port and data folder), which the test
// may stop and start at will while the shared test server is left alone. It is stopped when the
// object goes, also when the test fails. KESTRUNE_FAULT_DB_PORT chooses the port (default 23064,
// below the ports the system hands out to outgoing connections, which could hold it while it is
// down).
class PrivateServer {
public:
    PrivateServer();
    // Another one beside it, `portAfter` ports above the first's, with a data folder of its own
    // and these server options added (certificates, required secure transport...).
    PrivateServer(int portAfter, const QStringList &serverArguments);
    ~PrivateServer();
    PrivateServer(const PrivateServer &) = delete;
    PrivateServer &operator=(const PrivateServer &) = delete;

    // Both return what went wrong, or an empty text.
    QString start();
    QString stop();
    // Asks the server to shut down and returns at once; safe from any thread.
    bool requestShutdown() const;

    // On a thread of its own, asks the server to shut down once a statement starting with
    // `statementStart` runs on it. wait() says whether that happened within a minute, or why not.
    class StopWhileRunning {
    public:
        StopWhileRunning(const PrivateServer &server, std::string statementStart);
        ~StopWhileRunning();
        QString wait();

    private:
        std::atomic<bool> m_stopped = false;
        std::string m_error;
        std::thread m_watcher; // last, so it starts once the others are made
    };

    LoginDetails login(const std::string &database) const;
    // An empty database of that name holding the tables the statements make.
    LoginDetails freshDatabase(const std::string &name, const std::vector<std::string> &statements);

private:
    QString run(const QString &command);

    QString m_port;
    QString m_folder;
    QStringList m_serverArguments;
    bool m_started = false;
};

} // namespace kestrune
