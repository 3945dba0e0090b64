#include "widgets/connectionlog.h"

#include "db/odbc/odbc.h"

namespace kestrune {

Q_LOGGING_CATEGORY(connectionLog, "kestrune.connection")

void logConnectionFailure(const char *action, const std::exception &error)
{
    const auto *driverError = dynamic_cast<const odbc::Error *>(&error);
    std::string reason = driverError ? driverError->withState() : error.what();
    qCInfo(connectionLog, "%s failed: %s", action, reason.c_str());
}

} // namespace kestrune
