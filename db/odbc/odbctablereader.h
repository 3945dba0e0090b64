#pragma once

#include "core/tablereader.h"
#include "db/connectionstring.h"
#include "db/odbc/odbc.h"
#include "engine/tablequery.h"

#include <optional>
#include <string>

namespace kestrune {

// Opens the connection as a comparison needs it: read-write mode, 5000-second time-outs, the
// login's connection string.
void openForComparison(odbc::Connection &connection, const LoginDetails &login);

// A table read through the ODBC driver over a connection it shares: the driver keeps the whole
// result on the client (a static cursor), so several tables can be open and read at once.
class OdbcTableReader final : public TableReader {
public:
    OdbcTableReader(odbc::Connection &connection, TableQuery query);

    void open() override;
    bool next(Table &rows) override;
    long long expectedRows() const override; // exact once open

private:
    odbc::Connection &m_connection;
    TableQuery m_query;
    std::optional<odbc::Result> m_rows;
};

} // namespace kestrune
