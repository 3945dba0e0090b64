#pragma once

#include <QString>

namespace kestrune {

// The per-user store of remembered values: $XDG_CONFIG_HOME/<application>.ini, one section per
// program. It holds a password in plain text, so the file is private to its user (0600).
// getSetting throws std::runtime_error while the store cannot be read or is malformed; saveSetting
// throws when it cannot be written, and rewrites a malformed store in good form.
QString getSetting(const QString &application, const QString &section, const QString &key,
    const QString &defaultValue);
void saveSetting(
    const QString &application, const QString &section, const QString &key, const QString &value);

inline const QString settingsApplication = QStringLiteral("Vandrell");
inline const QString settingsSection = QStringLiteral("Kestrune");

// One value of the remembered login, which the wizard and the command line both read: its key,
// and what it reads as while nothing is remembered.
struct LoginSetting {
    const char *key;
    const char *fallback;
};
namespace loginSetting {
inline constexpr LoginSetting server { "MyServer", "localhost" };
inline constexpr LoginSetting user { "MyUser", "" };
inline constexpr LoginSetting password { "MyPassword", "" };
inline constexpr LoginSetting database { "MyDatabase", "" };
inline constexpr LoginSetting port { "MyPort", "3306" };
} // namespace loginSetting

// getSetting of one value of the remembered login, in this program's section.
QString getLoginSetting(const LoginSetting &setting);

} // namespace kestrune
