#pragma once

#include "app/pages.h"
#include "db/connectionstring.h"
#include "support/scriptedseam.h"

#include <QTemporaryDir>

#include <memory>
#include <sys/types.h>

class QLineEdit;

namespace kestrune {

// The whole program on a scripted seam, with a settings store of its own that a test fills (or
// spoils) before the start.
class Program {
public:
    Program();
    ~Program();

    QString settingsFolder() const { return m_config.path(); }
    QString settingsFile() const;
    void remember(const LoginDetails &login);
    void writeSettingsFile(const QByteArray &contents);

    void start();
    Pages &pages() { return *m_pages; }

    ScriptedSeam seam;

private:
    QTemporaryDir m_config;
    std::unique_ptr<Pages> m_pages;
};

// Replaces a field's text by typing, one keystroke at a time, as a user does.
void retype(QLineEdit *field, const QString &text);

// Runs as an ordinary user while it lives, so that permissions bind even when the tests run as
// root, who may read and write anything. Does nothing for an ordinary user.
class AsOrdinaryUser {
public:
    AsOrdinaryUser();
    ~AsOrdinaryUser();
    AsOrdinaryUser(const AsOrdinaryUser &) = delete;
    AsOrdinaryUser &operator=(const AsOrdinaryUser &) = delete;

    // False when running as root and no switch was possible.
    bool ok() const { return m_ok; }

private:
    bool m_ok = true;
    bool m_switched = false;
};

} // namespace kestrune
