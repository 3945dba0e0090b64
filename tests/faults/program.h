#pragma once

#include "app/pageflow.h"
#include "db/connectionstring.h"
#include "support/confighome.h"
#include "support/scriptedseam.h"

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
    QString settingsFile() const { return m_config.file(); }
    void remember(const LoginDetails &login) { m_config.remember(login); }
    void writeSettingsFile(const QByteArray &contents) { m_config.write(contents); }

    void start();
    PageFlow &pages() { return *m_pages; }

    ScriptedSeam seam;

private:
    ConfigHome m_config;
    std::unique_ptr<PageFlow> m_pages;
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
