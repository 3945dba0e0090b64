#include "db/mariadb/streamedtablereader.h"

#include "db/dialect/sqltext.h"
#include "db/mariadb/rowsethandover.h"
#include "db/mariadb/streamedstatement.h"

#include <mysql.h>

#include <exception>
#include <utility>

namespace kestrune {

namespace {

bool hasShape(const Table &rows, const std::vector<ColumnShape> &shape)
{
    if (rows.columns.size() != shape.size())
        return false;
    for (std::size_t c = 0; c < shape.size(); ++c) {
        const Column &column = rows.columns[c];
        if (column.kind() != shape[c].kind || column.fractionDigits() != shape[c].fractionDigits
            || column.name() != shape[c].name)
            return false;
    }
    return true;
}

// Empties `rows` for reuse, or gives it the table's columns when it has others.
void reset(Table &rows, const std::vector<ColumnShape> &shape, std::size_t reserveRows)
{
    if (hasShape(rows, shape)) {
        for (Column &column : rows.columns)
            column.clear();
        return;
    }
    rows.columns.clear();
    rows.columns.reserve(shape.size());
    for (const ColumnShape &column : shape) {
        rows.columns.emplace_back(column.name, column.kind, column.fractionDigits);
        rows.columns.back().reserve(reserveRows);
    }
}

void stream(ClientConnection &connection, StreamedStatement &statement, const TableQuery &query,
    bool estimateRows, RowsetHandover &handover)
{
    if (estimateRows)
        handover.setExpectedRows(connection.estimateRows(query.table));
    statement.execute(selectSql(query));
    const std::vector<ColumnShape> shape = shapesOf(statement.columns());
    handover.queryRan(shape);
    Table rows;
    for (bool more = true; more;) {
        reset(rows, shape, statement.rowsetRows());
        more = statement.fill(rows);
        if (rows.rowCount() > 0 && !handover.handOver(rows))
            return;
    }
}

// The reading thread's whole life; an owned connection is closed at its end.
void readTable(RowsetHandover *handover, ClientConnection *connection,
    std::unique_ptr<ClientConnection> owned, const TableQuery &query, bool estimateRows)
{
    mysql_thread_init();
    {
        StreamedStatement statement(*connection);
        try {
            stream(*connection, statement, query, estimateRows, *handover);
            handover->finish(nullptr);
        } catch (...) {
            // Handed to the consumer, which rethrows it from open() or next().
            handover->finish(std::current_exception());
        }
        // Closing is quick now: the result is read to its end, or the consumer has cut the
        // connection.
    }
    owned.reset();
    mysql_thread_end();
}

} // namespace

StreamedTableReader::StreamedTableReader(
    std::unique_ptr<ClientConnection> connection, TableQuery query, bool estimateRows)
    : m_handover(std::make_unique<RowsetHandover>(*connection))
{
    ClientConnection *reading = connection.get();
    m_thread = std::thread(readTable, m_handover.get(), reading, std::move(connection),
        std::move(query), estimateRows);
}

StreamedTableReader::StreamedTableReader(ClientConnection &connection, TableQuery query)
    : m_handover(std::make_unique<RowsetHandover>(connection))
{
    m_thread
        = std::thread(readTable, m_handover.get(), &connection, nullptr, std::move(query), false);
}

StreamedTableReader::~StreamedTableReader()
{
    m_handover->stop();
    m_thread.join();
}

void StreamedTableReader::open() { m_columns = m_handover->waitForQuery(); }

bool StreamedTableReader::next(Table &rows)
{
    if (m_handover->take(rows))
        return true;
    reset(rows, m_columns, 0);
    return false;
}

long long StreamedTableReader::expectedRows() const { return m_handover->expectedRows(); }

} // namespace kestrune
