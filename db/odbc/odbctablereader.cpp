#include "db/odbc/odbctablereader.h"

#include "db/dialect/sqltext.h"

#include <stdexcept>

namespace kestrune {

void openForComparison(odbc::Connection &connection, const LoginDetails &login)
{
    connection.setReadWriteMode();
    connection.setTimeouts(5000);
    connection.open(buildConnectionString(login));
}

OdbcTableReader::OdbcTableReader(odbc::Connection &connection, TableQuery query)
    : m_connection(connection)
    , m_query(std::move(query))
{
}

void OdbcTableReader::open() { m_rows.emplace(m_connection, selectSql(m_query)); }

bool OdbcTableReader::next(Table &rows)
{
    if (!m_rows)
        throw std::logic_error("The table is read before it is opened");
    return m_rows->readRowset(rows, m_rows->rowsetRows());
}

long long OdbcTableReader::expectedRows() const { return m_rows ? m_rows->recordCount() : -1; }

} // namespace kestrune
