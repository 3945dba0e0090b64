#include "db/odbc/tablelisting.h"

#include "db/dialect/catalogsql.h"
#include "db/odbc/odbc.h"

#include <climits>
#include <stdexcept>

namespace kestrune {

TableListing::TableListing(odbc::Connection *connection)
    : m_connection(connection)
{
}

TableListing::~TableListing() = default;

odbc::Connection &TableListing::connection() const
{
    if (!m_connection)
        throw std::runtime_error("Object variable not set: the connection could not be created.");
    return *m_connection;
}

odbc::Result &TableListing::names() const
{
    if (!m_names)
        throw std::runtime_error("Object variable not set: the table list was not read.");
    return *m_names;
}

void TableListing::connect(const LoginDetails &login)
{
    connection().open(buildConnectionString(login));
}

void TableListing::query()
{
    m_names = std::make_unique<odbc::Result>(connection().execute(std::string(catalogsql::tables)));
}

int TableListing::count() const
{
    long long records = names().recordCount();
    if (records > INT_MAX)
        throw std::overflow_error("Overflow");
    return static_cast<int>(records);
}

std::string TableListing::name() const { return names().firstField(); }

void TableListing::moveNext() { names().moveNext(); }

void TableListing::closeNames() { names().close(); }

void TableListing::disconnect() { connection().close(); }

} // namespace kestrune
