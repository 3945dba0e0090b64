#pragma once

#include <QString>

namespace kestrune {

// The per-user store of remembered values: $XDG_CONFIG_HOME/<application>.ini, one section per
// program. It holds a password in plain text, so the file is private to its user (0600).
// GetSetting throws std::runtime_error while the store cannot be read or is malformed; SaveSetting
// throws when it cannot be written, and rewrites a malformed store in good form.
QString GetSetting(const QString &application, const QString &section, const QString &key,
    const QString &defaultValue);
void SaveSetting(
    const QString &application, const QString &section, const QString &key, const QString &value);

inline const QString settingsApplication = QStringLiteral("Vandrell");
inline const QString settingsSection = QStringLiteral("Kestrune");

} // namespace kestrune
