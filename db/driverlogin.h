#pragma once

#include "db/connectionstring.h"

#include <string>

namespace kestrune {

// The login values as the ODBC driver reads what was typed, and as the client library is given
// them, so both reach the same server: two logins are at one place exactly when these agree.
struct DriverLogin {
    std::string server; // "localhost" for none
    unsigned port = 3306;
    std::string user;
    std::string password;
    std::string database;
};

DriverLogin driverLogin(const LoginDetails &typed);

} // namespace kestrune
