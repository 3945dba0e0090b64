#include "db/odbc/probe.h"

#include "db/odbc/odbc.h"

namespace kestrune {

bool tryConnect(const LoginDetails &login, std::string *refusal)
{
    odbc::Connection connection;
    try {
        connection.open(buildConnectionString(login));
        return true;
    } catch (const odbc::Error &error) {
        if (refusal)
            *refusal = error.withState();
        return false;
    }
}

} // namespace kestrune
