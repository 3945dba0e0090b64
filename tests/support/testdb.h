#pragma once

#include "core/value.h"
#include "db/connectionstring.h"

#include <string>
#include <vector>

namespace kestrune::odbc {
class Result;
}

namespace kestrune::testdb {

// The login of the private test server, from KESTRUNE_TEST_SERVER, _PORT, _USER, _PASSWORD and
// _DATABASE. Throws when they are not set: database tests fail rather than skip.
LoginDetails login();
LoginDetails loginTo(const std::string &database);

// Runs statements (DDL, inserts) on the test database as the test user.
void run(const std::vector<std::string> &statements);
void run(const std::string &statement);
// The same on the database of that login, all on one connection (so SET SESSION carries over).
void run(const LoginDetails &login, const std::vector<std::string> &statements);

// Creates an empty database of that name (dropping any earlier one) and returns its login.
LoginDetails freshDatabase(const std::string &database);

// Every row left of a result, a rowset at a time, copied into one table whose columns are
// described even when no rows are left.
Table readWhole(odbc::Result &result);

// How many client connections the server holds now, not counting the one asking.
int openConnections();
// The same, counting only connections whose current database is that one: tests running beside
// each other do not disturb the count.
int openConnections(const std::string &database);

} // namespace kestrune::testdb
