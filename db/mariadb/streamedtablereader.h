#pragma once

#include "core/tablereader.h"
#include "db/mariadb/clientconnection.h"
#include "engine/tablequery.h"

#include <memory>
#include <thread>
#include <vector>

namespace kestrune {

class RowsetHandover;

// Reads one table over a connection of its own through MariaDB's client library: unbuffered, in
// the binary protocol, on a thread of its own that hands over a few filled rowsets at a time, so
// memory stays flat at any table size. Every value comes out as the ODBC reader gives it.
class StreamedTableReader final : public TableReader {
public:
    // Starts reading on the connection at once. With estimateRows, expectedRows() gives the
    // server's estimate of the table's rows.
    StreamedTableReader(
        std::unique_ptr<ClientConnection> connection, TableQuery query, bool estimateRows);
    // Reads on a connection that outlives the reader, which may run more statements on it after
    // this one's rows are all read.
    StreamedTableReader(ClientConnection &connection, TableQuery query);
    // Returns at once, also with rows left unread: the connection is cut, not drained.
    ~StreamedTableReader() override;
    StreamedTableReader(const StreamedTableReader &) = delete;
    StreamedTableReader &operator=(const StreamedTableReader &) = delete;

    void open() override;
    bool next(Table &rows) override;
    long long expectedRows() const override;

private:
    std::unique_ptr<RowsetHandover> m_handover;
    std::vector<ColumnShape> m_columns; // once open
    std::thread m_thread;
};

} // namespace kestrune
