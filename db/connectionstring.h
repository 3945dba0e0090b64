#pragma once

#include <string>

namespace kestrune {

// The five login values as typed on the login page, in the page's order. The port stays text: the
// driver reads it.
struct LoginDetails {
    std::string server;
    std::string port;
    std::string user;
    std::string password;
    std::string database;
};

inline constexpr const char *odbcDriverName = "MySQL ODBC 5.1 Driver";

// The ODBC connection string of every connection the program opens.
std::string buildConnectionString(const LoginDetails &login);

} // namespace kestrune
