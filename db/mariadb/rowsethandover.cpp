#include "db/mariadb/rowsethandover.h"

#include "db/mariadb/clientconnection.h"

#include <utility>

namespace kestrune {

RowsetHandover::RowsetHandover(ClientConnection &connection)
    : m_cancellable(&connection)
{
    m_spare.reserve(rowsetsReady + 4);
}

void RowsetHandover::setExpectedRows(long long rows) { m_expectedRows = rows; }

void RowsetHandover::queryRan(const std::vector<ColumnShape> &columns)
{
    {
        std::lock_guard lock(m_mutex);
        m_columns = columns;
        m_queryRan = true;
    }
    m_rowsetReady.notify_one();
}

bool RowsetHandover::handOver(Table &rows)
{
    std::unique_lock lock(m_mutex);
    m_roomFree.wait(lock, [&] { return m_count < m_ready.size() || m_stopping; });
    if (m_stopping)
        return false;
    m_ready[(m_first + m_count) % m_ready.size()] = std::move(rows);
    ++m_count;
    if (!m_spare.empty()) {
        rows = std::move(m_spare.back());
        m_spare.pop_back();
    } else {
        rows = Table();
    }
    lock.unlock();
    m_rowsetReady.notify_one();
    return true;
}

void RowsetHandover::finish(std::exception_ptr failure)
{
    {
        std::lock_guard lock(m_mutex);
        m_ended = true;
        m_failure = std::move(failure);
        m_cancellable = nullptr;
    }
    m_rowsetReady.notify_one();
}

std::vector<ColumnShape> RowsetHandover::waitForQuery()
{
    std::unique_lock lock(m_mutex);
    m_rowsetReady.wait(lock, [&] { return m_queryRan || m_ended; });
    if (!m_queryRan)
        std::rethrow_exception(m_failure);
    return m_columns;
}

bool RowsetHandover::take(Table &rows)
{
    std::unique_lock lock(m_mutex);
    m_rowsetReady.wait(lock, [&] { return m_count > 0 || m_ended; });
    if (m_count == 0) {
        if (m_failure)
            std::rethrow_exception(m_failure);
        return false;
    }
    Table &filled = m_ready[m_first];
    std::swap(rows, filled);
    m_spare.push_back(std::move(filled));
    m_first = (m_first + 1) % m_ready.size();
    --m_count;
    lock.unlock();
    m_roomFree.notify_one();
    return true;
}

void RowsetHandover::stop()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        // Closing a result with rows left would read every one of them first.
        if (m_cancellable)
            mariadb_cancel(m_cancellable->handle());
    }
    m_roomFree.notify_one();
}

long long RowsetHandover::expectedRows() const { return m_expectedRows; }

} // namespace kestrune
