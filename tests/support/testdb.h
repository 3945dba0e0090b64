#pragma once

#include "db/connectionstring.h"

#include <string>
#include <vector>

namespace kestrune::testdb {

// The login of the private test server, from KESTRUNE_TEST_SERVER, _PORT, _USER, _PASSWORD and
// _DATABASE. Throws when they are not set: database tests fail rather than skip.
LoginDetails login();
LoginDetails loginTo(const std::string &database);

// Runs statements (DDL, inserts) on the test database as the test user.
void run(const std::vector<std::string> &statements);
void run(const std::string &statement);

// Creates an empty database of that name (dropping any earlier one) and returns its login.
LoginDetails freshDatabase(const std::string &database);

// How many client connections the server holds now, not counting the one asking.
int openConnections();

} // namespace kestrune::testdb
