#pragma once

#include "db/connectionstring.h"

#include <string>

namespace kestrune {

// Whether the login opens a connection. Says nothing either way and leaves no connection open;
// when refused, `refusal` (if given) receives the driver's reason with its SQLSTATE.
bool tryConnect(const LoginDetails &login, std::string *refusal = nullptr);

} // namespace kestrune
