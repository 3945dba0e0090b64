#pragma once

#include "db/connectionstring.h"

#include <memory>
#include <string>

namespace kestrune {

namespace odbc {
class Connection;
class Result;
} // namespace odbc

// The names of a database's tables, in the server's order, read a step at a time. Each step
// throws what went wrong (odbc::Error from the driver), so a caller can run every step on its own
// and go on after one fails; a step whose earlier step failed says so.
class TableListing {
public:
    // The connection may be missing, when it could not be created.
    explicit TableListing(odbc::Connection *connection);
    ~TableListing();
    TableListing(const TableListing &) = delete;
    TableListing &operator=(const TableListing &) = delete;

    void connect(const LoginDetails &login);
    void query(); // "SHOW TABLES;"
    int count() const; // how many names; "Overflow" beyond what an int holds
    std::string name() const; // the current name
    void moveNext();
    void closeNames();
    void disconnect();

private:
    odbc::Connection &connection() const;
    odbc::Result &names() const;

    odbc::Connection *m_connection;
    std::unique_ptr<odbc::Result> m_names;
};

} // namespace kestrune
