#include "db/mariadb/streamedstatement.h"

#include <algorithm>
#include <cstring>

namespace kestrune {

namespace {

// A rowset ends at this many rows, or once its texts take this many bytes. Measured on 1M-row
// tables, a thousand rows read fastest: the few rowsets in flight stay in the processors' caches,
// and handing one over costs next to nothing beside its rows. A wide table's rowsets hold fewer
// rows, so that its numbers too take about this many bytes.
constexpr std::size_t mostRowsetRows = 1024;
constexpr std::size_t rowsetBytes = std::size_t(1) << 20;

} // namespace

StreamedStatement::StreamedStatement(ClientConnection &connection)
    : m_connection(connection)
    , m_rowsetRows(mostRowsetRows)
{
}

void StreamedStatement::execute(const std::string &sql)
{
    m_statement = m_connection.prepare(sql);
    if (mysql_stmt_execute(m_statement.get()) != 0)
        m_connection.failStatement(m_statement.get());
    m_columns = m_connection.resultColumns(m_statement.get());
    const auto count = static_cast<unsigned>(m_columns.size());

    std::size_t words = 0;
    std::vector<std::size_t> offsets;
    for (const ColumnPlan &column : m_columns) {
        offsets.push_back(words);
        words += (column.width + 7) / 8;
    }
    m_row = std::make_unique<std::uint64_t[]>(std::max<std::size_t>(words, 1));
    m_binds.assign(count, MYSQL_BIND {});
    m_lengths.assign(count, 0);
    m_nulls.assign(count, 0);
    m_truncated.assign(count, 0);
    for (unsigned c = 0; c < count; ++c) {
        MYSQL_BIND &bind = m_binds[c];
        bind.buffer_type = m_columns[c].bindType;
        bind.buffer = m_row.get() + offsets[c];
        bind.buffer_length = m_columns[c].width;
        bind.is_unsigned = static_cast<my_bool>(m_columns[c].isUnsigned);
        bind.length = &m_lengths[c];
        bind.is_null = &m_nulls[c];
        bind.error = &m_truncated[c];
    }
    if (count > 0 && mysql_stmt_bind_result(m_statement.get(), m_binds.data()) != 0)
        m_connection.failStatement(m_statement.get());

    const auto staged = static_cast<std::size_t>(std::count_if(m_columns.begin(), m_columns.end(),
        [](const ColumnPlan &column) { return column.copy != Copy::Bytes; }));
    m_rowsetRows = std::clamp<std::size_t>(
        rowsetBytes / (std::max<std::size_t>(staged, 1) * 9), 16, mostRowsetRows);
    m_stagedSlots = std::make_unique_for_overwrite<std::uint64_t[]>(
        std::max<std::size_t>(staged, 1) * m_rowsetRows);
    m_stagedNulls = std::make_unique_for_overwrite<std::uint8_t[]>(
        std::max<std::size_t>(staged, 1) * m_rowsetRows);
    m_bound.clear();
    std::size_t next = 0;
    for (unsigned c = 0; c < count; ++c) {
        const bool bytes = m_columns[c].copy == Copy::Bytes;
        m_bound.push_back({ m_columns[c].copy, static_cast<const char *>(m_binds[c].buffer),
            m_columns[c].width, &m_nulls[c], &m_lengths[c],
            bytes ? nullptr : m_stagedSlots.get() + next * m_rowsetRows,
            bytes ? nullptr : m_stagedNulls.get() + next * m_rowsetRows });
        next += bytes ? 0 : 1;
    }
}

bool StreamedStatement::fill(Table &rows)
{
    MYSQL_STMT *statement = m_statement.get();
    std::size_t count = 0;
    std::size_t textBytes = 0;
    bool more = true;
    while (count < m_rowsetRows && textBytes < rowsetBytes) {
        const int rc = mysql_stmt_fetch(statement);
        if (rc == MYSQL_NO_DATA) {
            more = false;
            break;
        }
        // Anything else is a failure, a lost connection among them: never the end of the table.
        if (rc != 0 && rc != MYSQL_DATA_TRUNCATED)
            m_connection.failStatement(statement);
        textBytes += appendRow(rows, count, rc == MYSQL_DATA_TRUNCATED);
        ++count;
    }
    for (std::size_t c = 0; c < m_bound.size(); ++c) {
        const Bound &bound = m_bound[c];
        if (!bound.slots || count == 0)
            continue;
        const Column::Room room = rows.columns[c].extend(count);
        std::memcpy(room.slotValues, bound.slots, count * sizeof *bound.slots);
        std::memcpy(room.nullFlags, bound.nulls, count);
    }
    return more;
}

// Takes the fetched row from the bound cells: texts, decimals and byte strings into their columns,
// the rest into row `row` of the staged slots; returns its bytes of text.
std::size_t StreamedStatement::appendRow(Table &rows, std::size_t row, bool truncated)
{
    std::size_t textBytes = 0;
    Column *out = rows.columns.data();
    for (const Bound &bound : m_bound) {
        Column &column = *out++;
        const bool null = *bound.null != 0;
        if (bound.slots) {
            bound.nulls[row] = null;
            bound.slots[row] = null ? 0 : slotOf(bound.copy, bound.cell, *bound.length);
        } else if (null) {
            column.appendNull();
        } else {
            const unsigned long length = *bound.length;
            column.appendBytes(length <= bound.width
                    ? std::string_view(bound.cell, length)
                    : wholeValue(static_cast<std::size_t>(&bound - m_bound.data()), length));
            textBytes += length;
        }
    }
    if (truncated) {
        // Only a long text may be cut short, and wholeValue() has fetched it whole.
        for (std::size_t c = 0; c < m_columns.size(); ++c) {
            if (m_truncated[c] && m_columns[c].copy != Copy::Bytes)
                throw ClientLibraryError("A value of column " + m_columns[c].name
                    + " did not fit the room bound for it");
        }
    }
    return textBytes;
}

std::string_view StreamedStatement::wholeValue(std::size_t column, unsigned long length)
{
    if (m_longValue.size() < length)
        m_longValue.resize(length);
    unsigned long fetched = 0;
    MYSQL_BIND bind {};
    bind.buffer_type = m_binds[column].buffer_type;
    bind.buffer = m_longValue.data();
    bind.buffer_length = length;
    bind.length = &fetched;
    if (mysql_stmt_fetch_column(m_statement.get(), &bind, static_cast<unsigned>(column), 0) != 0)
        m_connection.failStatement(m_statement.get());
    return std::string_view(m_longValue.data(), length);
}

} // namespace kestrune
