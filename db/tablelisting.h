#pragma once

#include "core/connectionstring.h"
#include "core/trap.h"

#include <functional>
#include <string>

namespace kestrune {

namespace odbc {
class Connection;
}

// Where the table listing puts what it reads: each name goes to the left side, then to the right,
// and pending events are let through before each name.
struct TableListSink {
    std::function<void()> passEvents;
    std::function<void(const std::string &)> appendLeft;
    std::function<void(const std::string &)> appendRight;
};

// Hands the name of every table of the database to the sink, in the server's order, as the
// statements of the handler that owns the trap.
void ListTables(
    Trap &trap, odbc::Connection *connection, const LoginDetails &login, const TableListSink &sink);

} // namespace kestrune
