#pragma once

#include "core/value.h"

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <mutex>
#include <vector>

namespace kestrune {

class ClientConnection;

// Filled rowsets on their way from a reading thread to the consumer: a few wait while the thread
// fills the next, and the consumer's spent ones go back to be filled again, so a table of any size
// is read in a few rowsets' memory. The consumer may stop at any time; the reading thread's
// connection is then cut, not drained.
class RowsetHandover {
public:
    // The connection the reading thread reads on, to be cut when the consumer stops early.
    explicit RowsetHandover(ClientConnection &connection);

    // The reading thread's side.
    void setExpectedRows(long long rows);
    // The query has run and gives these columns.
    void queryRan(const std::vector<ColumnShape> &columns);
    // Queues a filled rowset and takes a spent one in its place; false when the consumer stops.
    bool handOver(Table &rows);
    // Reading has ended, with the failure or without; the connection may be closed after this.
    void finish(std::exception_ptr failure);

    // The consumer's side.
    // The columns once the query has run; rethrows what it failed with instead.
    std::vector<ColumnShape> waitForQuery();
    // Swaps the next filled rowset into `rows`; false once reading has ended and every rowset is
    // taken, or rethrows what reading failed with.
    bool take(Table &rows);
    // The thread's next handOver() returns false, and a connection still reading is cut.
    void stop();
    long long expectedRows() const;

private:
    // Filled rowsets waiting for the consumer; the reading thread fills one more meanwhile.
    static constexpr std::size_t rowsetsReady = 2;

    std::mutex m_mutex;
    std::condition_variable m_rowsetReady; // also when the query has run, or reading has ended
    std::condition_variable m_roomFree; // also when the consumer stops
    bool m_queryRan = false;
    bool m_ended = false;
    std::exception_ptr m_failure;
    bool m_stopping = false;
    ClientConnection *m_cancellable; // the connection while it may be cut from the consumer's side
    std::atomic<long long> m_expectedRows { -1 };
    std::vector<ColumnShape> m_columns; // set before m_queryRan
    std::array<Table, rowsetsReady> m_ready; // a ring: m_count from m_first
    std::size_t m_first = 0;
    std::size_t m_count = 0;
    std::vector<Table> m_spare; // rowsets the consumer is done with
};

} // namespace kestrune
