#include "db/driverlogin.h"

#include <cstdlib>
#include <string_view>

namespace kestrune {

namespace {

// The driver trims what isspace() calls blank at both ends of every login value.
std::string trimmed(std::string_view value)
{
    auto blank = [](char c) {
        return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
    };
    while (!value.empty() && blank(value.front()))
        value.remove_prefix(1);
    while (!value.empty() && blank(value.back()))
        value.remove_suffix(1);
    return std::string(value);
}

// The leading digits as atoi() takes them, 3306 for none.
unsigned portNumber(const std::string &port)
{
    const auto number = static_cast<int>(std::strtol(port.c_str(), nullptr, 10));
    return number == 0 ? 3306 : static_cast<unsigned>(number);
}

} // namespace

DriverLogin driverLogin(const LoginDetails &typed)
{
    DriverLogin login;
    login.server = trimmed(typed.server);
    if (login.server.empty())
        login.server = "localhost";
    login.port = portNumber(trimmed(typed.port));
    login.user = trimmed(typed.user);
    login.password = trimmed(typed.password);
    login.database = trimmed(typed.database);
    return login;
}

} // namespace kestrune
