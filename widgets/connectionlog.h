#pragma once

#include <QLoggingCategory>

#include <exception>

namespace kestrune {

// Why a connection failed, where the page itself says nothing or only a fixed text: shown to
// whoever started the program from a terminal (category "kestrune.connection").
Q_DECLARE_LOGGING_CATEGORY(connectionLog)

void logConnectionFailure(const char *action, const std::exception &error);

} // namespace kestrune
