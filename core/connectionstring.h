#pragma once

#include <string>

namespace kestrune {

// The five login values, as typed on the login page.
struct LoginDetails {
    std::string server;
    std::string user;
    std::string password;
    std::string database;
    std::string port;
};

inline constexpr const char *odbcDriverName = "MySQL ODBC 5.1 Driver";

std::string BuildConnectionString(const LoginDetails &login);

} // namespace kestrune
