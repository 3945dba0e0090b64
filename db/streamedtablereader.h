#pragma once

#include "db/connectionstring.h"
#include "core/tablereader.h"

#include <memory>
#include <stdexcept>
#include <string>
#include <thread>

namespace kestrune {

// A failure as MariaDB's client library words it.
class ClientLibraryError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads one table over a connection of its own through MariaDB's client library: unbuffered, in
// the binary protocol, on a thread of its own that hands over a few filled rowsets at a time, so
// memory stays flat at any table size. Every value comes out as the ODBC reader gives it.
class StreamedTableReader final : public TableReader {
public:
    // Starts connecting and reading at once. With estimateRows, expectedRows() gives the server's
    // estimate of the table's rows.
    StreamedTableReader(const LoginDetails &login, const std::string &table, bool estimateRows);
    // Returns at once, also with rows left unread: the connection is cut, not drained.
    ~StreamedTableReader() override;
    StreamedTableReader(const StreamedTableReader &) = delete;
    StreamedTableReader &operator=(const StreamedTableReader &) = delete;

    void open() override;
    bool next(Table &rows) override;
    long long expectedRows() const override;

private:
    struct Shared; // what the reading thread and the consumer share
    std::unique_ptr<Shared> m_shared;
    std::thread m_thread;
};

} // namespace kestrune
