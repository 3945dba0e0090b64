#pragma once

#include "app/trap.h"
#include "db/connectionstring.h"

#include <functional>

namespace kestrune {

namespace odbc {
class Connection;
}
class ListView;

// Whether the login opens a connection. Says nothing either way and leaves no connection open.
bool TryConnect(const LoginDetails &login);

// Appends the name of every table of the database to both lists, in the server's order, as the
// statements of the handler that owns the trap. The lists are reached only when a name arrives.
void ListTables(Trap &trap, odbc::Connection *connection, const LoginDetails &login,
    const std::function<ListView &()> &leftList, const std::function<ListView &()> &rightList);

} // namespace kestrune
