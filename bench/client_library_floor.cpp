// The client library floor of scripts/bench: how fast MariaDB's own client library (Connector/C)
// alone hands over whole tables when every table is read at once, each on a connection and a
// thread of its own.
//   kestrune_client_library_floor SERVER PORT USER PASSWORD DATABASE TABLE...
// Each table is an unbuffered prepared statement "select * from `TABLE`" over the binary
// protocol, fetched a row at a time into bound buffers it reuses, keeping nothing; prints
// rows_TABLE=COUNT for each table. Doubles come as double, integers as long long, dates and times
// as MYSQL_TIME, the rest as text, as the program reads them. A text longer than its buffer (the
// column's reported length, capped at 64 KiB) fails the run rather than being cut.
// Only Connector/C: no Qt, nothing of the program.

#include <mysql.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr unsigned long maxTextWidth = 64ul * 1024;

struct Login {
    const char *server;
    unsigned port;
    const char *user;
    const char *password;
    const char *database;
};

struct Table {
    std::string name;
    long long rows = 0;
    std::string error; // empty when the table was read to its end
};

struct Cell {
    std::unique_ptr<char[]> data;
    unsigned long length = 0;
    my_bool isNull = 0;
    my_bool truncated = 0;
};

// Binds a column of the result as the program reads it.
void bindColumn(const MYSQL_FIELD &field, MYSQL_BIND &bind, Cell &cell)
{
    unsigned long width = 0;
    switch (field.type) {
    case MYSQL_TYPE_DOUBLE:
    case MYSQL_TYPE_FLOAT:
        bind.buffer_type = MYSQL_TYPE_DOUBLE;
        width = sizeof(double);
        break;
    case MYSQL_TYPE_TINY:
    case MYSQL_TYPE_SHORT:
    case MYSQL_TYPE_INT24:
    case MYSQL_TYPE_LONG:
    case MYSQL_TYPE_LONGLONG:
    case MYSQL_TYPE_YEAR:
        bind.buffer_type = MYSQL_TYPE_LONGLONG;
        width = sizeof(long long);
        break;
    case MYSQL_TYPE_DATE:
    case MYSQL_TYPE_TIME:
    case MYSQL_TYPE_DATETIME:
    case MYSQL_TYPE_TIMESTAMP:
        bind.buffer_type = field.type;
        width = sizeof(MYSQL_TIME);
        break;
    default:
        bind.buffer_type = MYSQL_TYPE_STRING;
        width = std::clamp(field.length, 1ul, maxTextWidth);
        break;
    }
    cell.data.reset(new char[width]);
    bind.buffer = cell.data.get();
    bind.buffer_length = width;
    bind.length = &cell.length;
    bind.is_null = &cell.isNull;
    bind.error = &cell.truncated;
}

std::string quoted(const std::string &name)
{
    std::string out = "`";
    for (char c : name) {
        out += c;
        if (c == '`')
            out += '`';
    }
    return out + "`";
}

// Reads one table to its end on the connection; returns why it could not, or nothing.
std::string readTable(MYSQL *connection, const Login &login, Table &table)
{
    if (!mysql_real_connect(connection, login.server, login.user, login.password, login.database,
            login.port, nullptr, 0))
        return std::string("connecting: ") + mysql_error(connection);
    const std::unique_ptr<MYSQL_STMT, decltype(&mysql_stmt_close)> statement(
        mysql_stmt_init(connection), mysql_stmt_close);
    if (!statement)
        return std::string("mysql_stmt_init: ") + mysql_error(connection);
    const std::string sql = "select * from " + quoted(table.name);
    if (mysql_stmt_prepare(statement.get(), sql.c_str(), sql.size())
        || mysql_stmt_execute(statement.get()))
        return sql + ": " + mysql_stmt_error(statement.get());
    const std::unique_ptr<MYSQL_RES, decltype(&mysql_free_result)> metadata(
        mysql_stmt_result_metadata(statement.get()), mysql_free_result);
    if (!metadata)
        return std::string("mysql_stmt_result_metadata: ") + mysql_stmt_error(statement.get());

    const unsigned count = mysql_num_fields(metadata.get());
    const MYSQL_FIELD *fields = mysql_fetch_fields(metadata.get());
    std::vector<MYSQL_BIND> binds(count);
    std::vector<Cell> cells(count);
    for (unsigned c = 0; c < count; ++c)
        bindColumn(fields[c], binds[c], cells[c]);
    if (mysql_stmt_bind_result(statement.get(), binds.data()))
        return std::string("mysql_stmt_bind_result: ") + mysql_stmt_error(statement.get());
    int rc = 0;
    while ((rc = mysql_stmt_fetch(statement.get())) == 0)
        ++table.rows;
    if (rc == MYSQL_DATA_TRUNCATED)
        return "a text does not fit its buffer";
    if (rc != MYSQL_NO_DATA)
        return std::string("fetching: ") + mysql_stmt_error(statement.get());
    return {};
}

void readOnItsOwnConnection(const Login &login, Table &table)
{
    mysql_thread_init();
    MYSQL *connection = mysql_init(nullptr);
    if (connection) {
        table.error = readTable(connection, login, table);
        mysql_close(connection);
    } else {
        table.error = "mysql_init failed";
    }
    mysql_thread_end();
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc < 7) {
        std::fprintf(stderr,
            "usage: kestrune_client_library_floor SERVER PORT USER PASSWORD DATABASE TABLE...\n");
        return 2;
    }
    const Login login { argv[1], static_cast<unsigned>(std::atoi(argv[2])), argv[3], argv[4],
        argv[5] };
    if (mysql_library_init(0, nullptr, nullptr)) {
        std::fprintf(stderr, "kestrune_client_library_floor: the client library did not start\n");
        return 1;
    }
    std::vector<Table> tables(static_cast<std::size_t>(argc - 6));
    for (std::size_t t = 0; t < tables.size(); ++t)
        tables[t].name = argv[6 + t];
    std::vector<std::thread> readers;
    readers.reserve(tables.size());
    for (Table &table : tables)
        readers.emplace_back(readOnItsOwnConnection, std::cref(login), std::ref(table));
    for (std::thread &reader : readers)
        reader.join();
    mysql_library_end();

    int status = 0;
    for (const Table &table : tables) {
        if (!table.error.empty()) {
            std::fprintf(stderr, "kestrune_client_library_floor: %s: %s\n", table.name.c_str(),
                table.error.c_str());
            status = 1;
        }
        std::printf("rows_%s=%lld\n", table.name.c_str(), table.rows);
    }
    return status;
}
