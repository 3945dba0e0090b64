#include "db/streamedtablereader.h"

#include "db/driverlogin.h"
#include "db/tablequery.h"

#include <mysql.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>
#include <mutex>
#include <string_view>
#include <vector>

namespace kestrune {

namespace {

// A rowset ends at this many rows, or once its texts take this many bytes. Measured on 1M-row
// tables, a thousand rows read fastest: the few rowsets in flight stay in the processors' caches,
// and handing one over costs next to nothing beside its rows. A wide table's rowsets hold fewer
// rows, so that its numbers too take about this many bytes.
constexpr std::size_t mostRowsetRows = 1024;
constexpr std::size_t rowsetBytes = std::size_t(1) << 20;
// Filled rowsets waiting for the consumer; the reading thread fills one more meanwhile.
constexpr std::size_t rowsetsReady = 2;
// Texts, decimals and byte strings are bound at most this wide; a longer value is fetched whole on
// its own.
constexpr unsigned long widestBoundText = 4096;
// As the ODBC connection has them.
constexpr unsigned connectTimeoutSeconds = 5000;
// While a result streams, the server waits on this client whenever the consumer pauses; the
// server's default of 60 seconds would cut a paused read.
constexpr const char *sessionSetup = "SET SESSION net_write_timeout = 5000";

std::once_flag libraryStarted;

void startLibrary()
{
    std::call_once(libraryStarted, [] {
        if (mysql_library_init(0, nullptr, nullptr) != 0)
            throw ClientLibraryError("MariaDB's client library could not be initialised");
    });
}

// How a bound cell becomes a stored value.
enum class Copy : std::uint8_t {
    Signed8,
    Signed16,
    Signed32,
    Signed64,
    Unsigned8,
    Unsigned16,
    Unsigned32,
    Unsigned64,
    Float,
    Double,
    Bits,
    Bytes,
    Moment, // a date or date-time
    Time,
};

struct ColumnPlan {
    std::string name;
    ColumnKind kind = ColumnKind::Text;
    int fractionDigits = 0;
    Copy copy = Copy::Bytes;
    enum_field_types bindType = MYSQL_TYPE_STRING;
    bool isUnsigned = false;
    unsigned long width = 0; // bytes bound
};

// Each kind as the ODBC driver describes the same column (see db/columns.cpp).
ColumnPlan planColumn(const MYSQL_FIELD &field)
{
    ColumnPlan plan;
    plan.name.assign(field.name, field.name_length);
    plan.isUnsigned = (field.flags & UNSIGNED_FLAG) != 0;
    auto integer
        = [&](enum_field_types bindType, Copy signedCopy, Copy unsignedCopy, unsigned long width) {
              plan.kind = plan.isUnsigned ? ColumnKind::Unsigned : ColumnKind::Integer;
              plan.copy = plan.isUnsigned ? unsignedCopy : signedCopy;
              plan.bindType = bindType;
              plan.width = width;
          };
    auto fixed = [&](ColumnKind kind, Copy copy, enum_field_types bindType, unsigned long width) {
        plan.kind = kind;
        plan.copy = copy;
        plan.bindType = bindType;
        plan.width = width;
    };
    switch (field.type) {
    case MYSQL_TYPE_TINY:
        integer(MYSQL_TYPE_TINY, Copy::Signed8, Copy::Unsigned8, 1);
        break;
    case MYSQL_TYPE_SHORT:
    case MYSQL_TYPE_YEAR: // unsigned, as the driver has it
        integer(MYSQL_TYPE_SHORT, Copy::Signed16, Copy::Unsigned16, 2);
        break;
    case MYSQL_TYPE_INT24:
    case MYSQL_TYPE_LONG:
        integer(MYSQL_TYPE_LONG, Copy::Signed32, Copy::Unsigned32, 4);
        break;
    case MYSQL_TYPE_LONGLONG:
        integer(MYSQL_TYPE_LONGLONG, Copy::Signed64, Copy::Unsigned64, 8);
        break;
    case MYSQL_TYPE_FLOAT:
        // The driver gives the float's exact value widened to double.
        fixed(ColumnKind::Float, Copy::Float, MYSQL_TYPE_FLOAT, sizeof(float));
        break;
    case MYSQL_TYPE_DOUBLE:
        fixed(ColumnKind::Double, Copy::Double, MYSQL_TYPE_DOUBLE, sizeof(double));
        break;
    case MYSQL_TYPE_BIT:
        // Up to 8 big-endian bytes, as they come.
        fixed(ColumnKind::Bit, Copy::Bits, MYSQL_TYPE_BLOB, 8);
        break;
    case MYSQL_TYPE_DATE:
    case MYSQL_TYPE_NEWDATE:
        fixed(ColumnKind::Date, Copy::Moment, MYSQL_TYPE_DATE, sizeof(MYSQL_TIME));
        break;
    case MYSQL_TYPE_TIME:
    case MYSQL_TYPE_TIME2:
        fixed(ColumnKind::Time, Copy::Time, MYSQL_TYPE_TIME, sizeof(MYSQL_TIME));
        plan.fractionDigits = static_cast<int>(field.decimals);
        break;
    case MYSQL_TYPE_DATETIME:
    case MYSQL_TYPE_DATETIME2:
    case MYSQL_TYPE_TIMESTAMP:
    case MYSQL_TYPE_TIMESTAMP2:
        fixed(ColumnKind::DateTime, Copy::Moment, MYSQL_TYPE_DATETIME, sizeof(MYSQL_TIME));
        plan.fractionDigits = static_cast<int>(field.decimals);
        break;
    case MYSQL_TYPE_DECIMAL:
    case MYSQL_TYPE_NEWDECIMAL:
        // Exact, as the text the server sends.
        fixed(ColumnKind::Decimal, Copy::Bytes, MYSQL_TYPE_STRING,
            std::clamp<unsigned long>(field.length, 8, widestBoundText));
        break;
    case MYSQL_TYPE_STRING:
    case MYSQL_TYPE_VAR_STRING:
    case MYSQL_TYPE_VARCHAR:
    case MYSQL_TYPE_TINY_BLOB:
    case MYSQL_TYPE_BLOB:
    case MYSQL_TYPE_MEDIUM_BLOB:
    case MYSQL_TYPE_LONG_BLOB:
    case MYSQL_TYPE_ENUM:
    case MYSQL_TYPE_SET:
    case MYSQL_TYPE_GEOMETRY: {
        // Character and binary strings, ENUM, SET, JSON, INET6 and the like among them: bytes in
        // the binary character set, else text.
        const bool binary = field.charsetnr == 63;
        fixed(binary ? ColumnKind::Bytes : ColumnKind::Text, Copy::Bytes,
            binary ? MYSQL_TYPE_BLOB : MYSQL_TYPE_STRING,
            std::clamp<unsigned long>(field.length, 8, widestBoundText));
        break;
    }
    default:
        // Any other kind (JSON as a MySQL server sends it, a view's column of NULLs) as text, as
        // the driver has it.
        fixed(ColumnKind::Text, Copy::Bytes, MYSQL_TYPE_STRING,
            std::clamp<unsigned long>(field.length, 8, widestBoundText));
        break;
    }
    return plan;
}

template <typename T> T load(const char *cell)
{
    T value;
    std::memcpy(&value, cell, sizeof value);
    return value;
}

// One connection and its table's statement, used by the reading thread alone.
class Fetch {
public:
    Fetch() = default;
    Fetch(const Fetch &) = delete;
    Fetch &operator=(const Fetch &) = delete;
    ~Fetch()
    {
        if (m_statement)
            mysql_stmt_close(m_statement);
        if (m_connection)
            mysql_close(m_connection);
    }

    MYSQL *connection() const { return m_connection; }
    const std::vector<ColumnPlan> &columns() const { return m_columns; }

    void connect(const LoginDetails &login);
    long long estimateRows(const std::string &table);
    void execute(const std::string &sql); // prepares, runs and binds the result
    std::size_t rowsetRows() const { return m_rowsetRows; }
    // Appends rows to `rows` until the rowset is full; false once no rows are left.
    bool fill(Table &rows);

private:
    [[noreturn]] void failConnection() const { fail(mysql_error(m_connection)); }
    [[noreturn]] void failStatement(MYSQL_STMT *statement) const
    {
        const char *text = mysql_stmt_error(statement);
        fail(*text ? text : mysql_error(m_connection));
    }
    [[noreturn]] static void fail(const char *text)
    {
        throw ClientLibraryError(*text ? text : "The client library failed without saying why");
    }
    template <typename T> void setOption(mysql_option option, const T *value)
    {
        if (mysql_options(m_connection, option, value) != 0)
            failConnection();
    }
    std::size_t appendRow(Table &rows, std::size_t row, bool truncated);
    std::string_view wholeValue(std::size_t column, unsigned long length);

    // What appendRow() reads of a column's bound cell, and where it puts the slots and null flags
    // of a fixed-width kind until the rowset is full: they then go into the column with a copy
    // each instead of a call a cell.
    struct Bound {
        Copy copy;
        const char *cell;
        unsigned long width;
        const my_bool *null;
        const unsigned long *length;
        std::uint64_t *slots; // none for texts, decimals and byte strings
        std::uint8_t *nulls;
    };

    MYSQL *m_connection = nullptr;
    MYSQL_STMT *m_statement = nullptr;
    std::vector<ColumnPlan> m_columns;
    std::vector<MYSQL_BIND> m_binds;
    std::unique_ptr<std::uint64_t[]> m_row; // every bound cell, 8-byte aligned
    std::vector<unsigned long> m_lengths;
    std::vector<my_bool> m_nulls;
    std::vector<my_bool> m_truncated;
    std::vector<Bound> m_bound;
    std::unique_ptr<std::uint64_t[]> m_stagedSlots;
    std::unique_ptr<std::uint8_t[]> m_stagedNulls;
    std::size_t m_rowsetRows = mostRowsetRows;
    std::vector<char> m_longValue;
};

void Fetch::connect(const LoginDetails &login)
{
    m_connection = mysql_init(nullptr);
    if (!m_connection)
        throw ClientLibraryError("Out of memory");
    const unsigned timeout = connectTimeoutSeconds;
    // The ODBC driver reaches "localhost" over TCP too, never through the server's socket.
    const unsigned protocol = MYSQL_PROTOCOL_TCP;
    const my_bool reportTruncation = 1;
    setOption(MYSQL_SET_CHARSET_NAME, "utf8mb4");
    setOption(MYSQL_OPT_CONNECT_TIMEOUT, &timeout);
    setOption(MYSQL_OPT_PROTOCOL, &protocol);
    setOption(MYSQL_REPORT_DATA_TRUNCATION, &reportTruncation);
    setOption(MYSQL_INIT_COMMAND, sessionSetup);

    const DriverLogin driver = driverLogin(login);
    if (!mysql_real_connect(m_connection, driver.server.c_str(), driver.user.c_str(),
            driver.password.c_str(), driver.database.empty() ? nullptr : driver.database.c_str(),
            driver.port, nullptr, 0))
        failConnection();
}

long long Fetch::estimateRows(const std::string &table)
{
    static constexpr std::string_view sql = "SELECT TABLE_ROWS FROM information_schema.TABLES "
                                            "WHERE TABLE_SCHEMA = DATABASE() AND TABLE_NAME = ?";
    std::unique_ptr<MYSQL_STMT, decltype(&mysql_stmt_close)> statement(
        mysql_stmt_init(m_connection), &mysql_stmt_close);
    if (!statement)
        failConnection();
    MYSQL_STMT *s = statement.get();
    if (mysql_stmt_prepare(s, sql.data(), sql.size()) != 0)
        failStatement(s);
    unsigned long nameLength = table.size();
    MYSQL_BIND name {};
    name.buffer_type = MYSQL_TYPE_STRING;
    name.buffer = const_cast<char *>(table.data());
    name.buffer_length = nameLength;
    name.length = &nameLength;
    unsigned long long rows = 0;
    my_bool none = 0;
    MYSQL_BIND count {};
    count.buffer_type = MYSQL_TYPE_LONGLONG;
    count.buffer = &rows;
    count.is_unsigned = 1;
    count.is_null = &none;
    if (mysql_stmt_bind_param(s, &name) != 0 || mysql_stmt_execute(s) != 0
        || mysql_stmt_bind_result(s, &count) != 0)
        failStatement(s);
    const int rc = mysql_stmt_fetch(s);
    if (rc == MYSQL_NO_DATA) // no such table: its query will say so
        return -1;
    if (rc != 0)
        failStatement(s);
    // A view has no count.
    return none ? -1 : static_cast<long long>(rows);
}

void Fetch::execute(const std::string &sql)
{
    m_statement = mysql_stmt_init(m_connection);
    if (!m_statement)
        failConnection();
    if (mysql_stmt_prepare(m_statement, sql.data(), sql.size()) != 0
        || mysql_stmt_execute(m_statement) != 0)
        failStatement(m_statement);
    std::unique_ptr<MYSQL_RES, decltype(&mysql_free_result)> metadata(
        mysql_stmt_result_metadata(m_statement), &mysql_free_result);
    if (!metadata)
        failStatement(m_statement);
    const unsigned count = mysql_num_fields(metadata.get());
    const MYSQL_FIELD *fields = mysql_fetch_fields(metadata.get());

    m_columns.clear();
    std::size_t words = 0;
    std::vector<std::size_t> offsets;
    for (unsigned c = 0; c < count; ++c) {
        m_columns.push_back(planColumn(fields[c]));
        offsets.push_back(words);
        words += (m_columns.back().width + 7) / 8;
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
    if (count > 0 && mysql_stmt_bind_result(m_statement, m_binds.data()) != 0)
        failStatement(m_statement);

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

bool Fetch::fill(Table &rows)
{
    std::size_t count = 0;
    std::size_t textBytes = 0;
    bool more = true;
    while (count < m_rowsetRows && textBytes < rowsetBytes) {
        const int rc = mysql_stmt_fetch(m_statement);
        if (rc == MYSQL_NO_DATA) {
            more = false;
            break;
        }
        // Anything else is a failure, a lost connection among them: never the end of the table.
        if (rc != 0 && rc != MYSQL_DATA_TRUNCATED)
            failStatement(m_statement);
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

// The slot of a fixed-width cell, as Column::appendInteger, appendUnsigned or appendFloating
// stores it.
std::uint64_t slotOf(Copy copy, const char *cell, unsigned long length)
{
    auto integer = [](std::int64_t value) { return static_cast<std::uint64_t>(value); };
    switch (copy) {
    case Copy::Signed8:
        return integer(load<std::int8_t>(cell));
    case Copy::Signed16:
        return integer(load<std::int16_t>(cell));
    case Copy::Signed32:
        return integer(load<std::int32_t>(cell));
    case Copy::Signed64:
        return integer(load<std::int64_t>(cell));
    case Copy::Unsigned8:
        return load<std::uint8_t>(cell);
    case Copy::Unsigned16:
        return load<std::uint16_t>(cell);
    case Copy::Unsigned32:
        return load<std::uint32_t>(cell);
    case Copy::Unsigned64:
        return load<std::uint64_t>(cell);
    case Copy::Float:
        return std::bit_cast<std::uint64_t>(static_cast<double>(load<float>(cell)));
    case Copy::Double:
        return std::bit_cast<std::uint64_t>(load<double>(cell));
    case Copy::Bits:
        return bitsValue(cell, std::min<unsigned long>(length, 8));
    case Copy::Moment: {
        const auto t = load<MYSQL_TIME>(cell);
        return integer(
            packDateTime(DateTimeParts { static_cast<int>(t.year), static_cast<int>(t.month),
                static_cast<int>(t.day), static_cast<int>(t.hour), static_cast<int>(t.minute),
                static_cast<int>(t.second), static_cast<int>(t.second_part) }));
    }
    case Copy::Time: {
        const auto t = load<MYSQL_TIME>(cell);
        // Hours beyond a day may come as days.
        return integer(
            packTime(t.neg != 0, static_cast<int>(t.day * 24 + t.hour), static_cast<int>(t.minute),
                static_cast<int>(t.second), static_cast<int>(t.second_part)));
    }
    case Copy::Bytes:
        break;
    }
    return 0;
}

// Takes the fetched row from the bound cells: texts, decimals and byte strings into their columns,
// the rest into row `row` of the staged slots; returns its bytes of text.
std::size_t Fetch::appendRow(Table &rows, std::size_t row, bool truncated)
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

std::string_view Fetch::wholeValue(std::size_t column, unsigned long length)
{
    if (m_longValue.size() < length)
        m_longValue.resize(length);
    unsigned long fetched = 0;
    MYSQL_BIND bind {};
    bind.buffer_type = m_binds[column].buffer_type;
    bind.buffer = m_longValue.data();
    bind.buffer_length = length;
    bind.length = &fetched;
    if (mysql_stmt_fetch_column(m_statement, &bind, static_cast<unsigned>(column), 0) != 0)
        failStatement(m_statement);
    return std::string_view(m_longValue.data(), length);
}

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

} // namespace

struct StreamedTableReader::Shared {
    std::mutex mutex;
    std::condition_variable rowsetReady; // also when the query has run, or reading has ended
    std::condition_variable roomFree; // also when the consumer stops
    bool queryRan = false;
    bool ended = false;
    std::exception_ptr failure;
    bool stopping = false;
    // The connection while it may be cut from the consumer's side.
    MYSQL *cancellable = nullptr;
    std::atomic<long long> expectedRows { -1 };
    std::vector<ColumnShape> shape; // set before queryRan
    std::array<Table, rowsetsReady> ready; // a ring: `count` from `first`
    std::size_t first = 0;
    std::size_t count = 0;
    std::vector<Table> spare; // rowsets the consumer is done with

    void read(const LoginDetails &login, const std::string &table, bool estimateRows);
    void stream(
        Fetch &fetch, const LoginDetails &login, const std::string &table, bool estimateRows);
    bool handOver(Table &rows);
    void finish(std::exception_ptr failed);
};

void StreamedTableReader::Shared::read(
    const LoginDetails &login, const std::string &table, bool estimateRows)
{
    mysql_thread_init();
    {
        Fetch fetch;
        try {
            stream(fetch, login, table, estimateRows);
            finish(nullptr);
        } catch (...) {
            // Handed to the consumer, which rethrows it from open() or next().
            finish(std::current_exception());
        }
        // Closing is quick now: the result is read to its end, or the consumer has cut the
        // connection.
    }
    mysql_thread_end();
}

void StreamedTableReader::Shared::stream(
    Fetch &fetch, const LoginDetails &login, const std::string &table, bool estimateRows)
{
    fetch.connect(login);
    {
        std::lock_guard lock(mutex);
        // Stopped while connecting: nothing was asked of the server yet.
        if (stopping)
            return;
        cancellable = fetch.connection();
    }
    if (estimateRows)
        expectedRows = fetch.estimateRows(table);
    fetch.execute(selectSql({ table }));
    {
        std::lock_guard lock(mutex);
        for (const ColumnPlan &column : fetch.columns())
            shape.push_back({ column.name, column.kind, column.fractionDigits });
        queryRan = true;
    }
    rowsetReady.notify_one();
    Table rows;
    for (bool more = true; more;) {
        reset(rows, shape, fetch.rowsetRows());
        more = fetch.fill(rows);
        if (rows.rowCount() > 0 && !handOver(rows))
            return;
    }
}

// Queues a filled rowset and takes a spent one in its place; false when the consumer stops.
bool StreamedTableReader::Shared::handOver(Table &rows)
{
    std::unique_lock lock(mutex);
    roomFree.wait(lock, [&] { return count < ready.size() || stopping; });
    if (stopping)
        return false;
    ready[(first + count) % ready.size()] = std::move(rows);
    ++count;
    if (!spare.empty()) {
        rows = std::move(spare.back());
        spare.pop_back();
    } else {
        rows = Table();
    }
    lock.unlock();
    rowsetReady.notify_one();
    return true;
}

void StreamedTableReader::Shared::finish(std::exception_ptr failed)
{
    {
        std::lock_guard lock(mutex);
        ended = true;
        failure = std::move(failed);
        cancellable = nullptr;
    }
    rowsetReady.notify_one();
}

StreamedTableReader::StreamedTableReader(
    const LoginDetails &login, const std::string &table, bool estimateRows)
    : m_shared(std::make_unique<Shared>())
{
    startLibrary();
    m_shared->spare.reserve(rowsetsReady + 4);
    m_thread = std::thread([shared = m_shared.get(), login, table, estimateRows] {
        shared->read(login, table, estimateRows);
    });
}

StreamedTableReader::~StreamedTableReader()
{
    {
        std::lock_guard lock(m_shared->mutex);
        m_shared->stopping = true;
        // Closing a result with rows left would read every one of them first.
        if (m_shared->cancellable)
            mariadb_cancel(m_shared->cancellable);
    }
    m_shared->roomFree.notify_one();
    m_thread.join();
}

void StreamedTableReader::open()
{
    std::unique_lock lock(m_shared->mutex);
    m_shared->rowsetReady.wait(lock, [&] { return m_shared->queryRan || m_shared->ended; });
    if (!m_shared->queryRan)
        std::rethrow_exception(m_shared->failure);
}

bool StreamedTableReader::next(Table &rows)
{
    Shared &s = *m_shared;
    std::unique_lock lock(s.mutex);
    s.rowsetReady.wait(lock, [&] { return s.count > 0 || s.ended; });
    if (s.count == 0) {
        if (s.failure)
            std::rethrow_exception(s.failure);
        reset(rows, s.shape, 0);
        return false;
    }
    Table &filled = s.ready[s.first];
    std::swap(rows, filled);
    s.spare.push_back(std::move(filled));
    s.first = (s.first + 1) % s.ready.size();
    --s.count;
    lock.unlock();
    s.roomFree.notify_one();
    return true;
}

long long StreamedTableReader::expectedRows() const { return m_shared->expectedRows; }

} // namespace kestrune
