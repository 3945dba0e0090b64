#include "db/mariadb/clientconnection.h"

#include "db/dialect/catalogsql.h"
#include "db/dialect/sqltext.h"
#include "db/driverlogin.h"

#include <array>
#include <mutex>
#include <utility>

namespace kestrune {

namespace {

// As the ODBC connection has them.
constexpr unsigned connectTimeoutSeconds = 5000;

std::once_flag libraryStarted;

void startLibrary()
{
    std::call_once(libraryStarted, [] {
        if (mysql_library_init(0, nullptr, nullptr) != 0)
            throw ClientLibraryError("MariaDB's client library could not be initialised");
    });
}

[[noreturn]] void fail(const char *text)
{
    throw ClientLibraryError(*text ? text : "The client library failed without saying why");
}

using ResultMetadata = std::unique_ptr<MYSQL_RES, decltype(&mysql_free_result)>;

} // namespace

template <typename T> void ClientConnection::setOption(mysql_option option, const T *value)
{
    if (mysql_options(m_handle, option, value) != 0)
        failConnection();
}

void ClientConnection::setTlsOptions(const TlsOptions &tls)
{
    // Without this the library speaks plain text unless a certificate file is named.
    const my_bool encrypt = tls.use != TlsOptions::Use::Never ? 1 : 0;
    setOption(MYSQL_OPT_SSL_ENFORCE, &encrypt);
    if (!encrypt)
        return;
    const my_bool verify = tls.verifyServerCert ? 1 : 0;
    setOption(MYSQL_OPT_SSL_VERIFY_SERVER_CERT, &verify);
    const std::pair<mysql_option, const std::string *> files[] = {
        { MYSQL_OPT_SSL_CA, &tls.ca },
        { MYSQL_OPT_SSL_CAPATH, &tls.caPath },
        { MYSQL_OPT_SSL_CERT, &tls.cert },
        { MYSQL_OPT_SSL_KEY, &tls.key },
    };
    for (const auto &[option, file] : files) {
        if (!file->empty())
            setOption(option, file->c_str());
    }
}

ClientConnection::ClientConnection(const LoginDetails &login, const TlsOptions &tls)
{
    startLibrary();
    m_handle = mysql_init(nullptr);
    if (!m_handle)
        throw ClientLibraryError("Out of memory");
    try {
        const unsigned timeout = connectTimeoutSeconds;
        // The ODBC driver reaches "localhost" over TCP too, never through the server's socket.
        const unsigned protocol = MYSQL_PROTOCOL_TCP;
        const my_bool reportTruncation = 1;
        setOption(MYSQL_SET_CHARSET_NAME, "utf8mb4");
        setOption(MYSQL_OPT_CONNECT_TIMEOUT, &timeout);
        setOption(MYSQL_OPT_PROTOCOL, &protocol);
        setOption(MYSQL_REPORT_DATA_TRUNCATION, &reportTruncation);
        setOption(MYSQL_INIT_COMMAND, catalogsql::sessionSetup);
        setTlsOptions(tls);

        const DriverLogin driver = driverLogin(login);
        if (!mysql_real_connect(m_handle, driver.server.c_str(), driver.user.c_str(),
                driver.password.c_str(),
                driver.database.empty() ? nullptr : driver.database.c_str(), driver.port, nullptr,
                0))
            failConnection();
        // The library refuses a server without TLS only when it verifies, and falls back to plain
        // text otherwise; its own words for the refusal serve here too.
        if (tls.use == TlsOptions::Use::Required && !mysql_get_ssl_cipher(m_handle))
            fail("TLS/SSL error: SSL is required, but the server does not support it");
    } catch (...) {
        mysql_close(m_handle);
        throw;
    }
}

ClientConnection::~ClientConnection() { mysql_close(m_handle); }

std::vector<ColumnShape> ClientConnection::describe(const std::string &table)
{
    // Prepared, not run: the server sends the result's columns with the statement.
    const StatementHandle statement = prepare(selectSql(TableQuery { table }));
    return shapesOf(resultColumns(statement.get()));
}

std::vector<std::string> ClientConnection::primaryKey(const std::string &table)
{
    std::vector<std::string> key;
    for (std::vector<std::string> &row : namesAboutTable(catalogsql::primaryKey, table, 1))
        key.push_back(std::move(row[0]));
    return key;
}

std::vector<std::vector<std::string>> ClientConnection::uniqueIndexes(const std::string &table)
{
    std::vector<std::vector<std::string>> indexes;
    std::string index;
    for (std::vector<std::string> &row : namesAboutTable(catalogsql::uniqueIndexes, table, 2)) {
        if (indexes.empty() || row[0] != index)
            indexes.emplace_back();
        index = row[0];
        indexes.back().push_back(std::move(row[1]));
    }
    return indexes;
}

const ColumnDetails *detailsNamed(
    const std::vector<ColumnDetails> &columns, const std::string &name)
{
    for (const ColumnDetails &column : columns) {
        if (column.name == name)
            return &column;
    }
    return nullptr;
}

std::vector<ColumnDetails> ClientConnection::columnDetails(const std::string &table)
{
    std::vector<ColumnDetails> columns;
    for (std::vector<std::string> &row : namesAboutTable(catalogsql::columnDetails, table, 8)) {
        ColumnDetails &column = columns.emplace_back();
        column.name = std::move(row[0]);
        column.dataType = std::move(row[1]);
        column.columnType = std::move(row[2]);
        column.characterSet = std::move(row[3]);
        column.collation = std::move(row[4]);
        column.octetLength = static_cast<long long>(integerOf(row[5]));
        column.generated = row[6] == "1";
        column.setOnUpdate = row[7] == "1";
    }
    return columns;
}

std::size_t ClientConnection::maxAllowedPacket()
{
    return static_cast<std::size_t>(integerOf(textRows(catalogsql::maxAllowedPacket).at(0).at(0)));
}

std::vector<std::vector<std::string>> ClientConnection::namesAboutTable(
    std::string_view sql, const std::string &table, unsigned columns)
{
    const StatementHandle statement = runAboutTable(sql, table);
    MYSQL_STMT *s = statement.get();
    // An index's or a column's name is at most 64 characters.
    std::vector<std::array<char, 256>> names(columns);
    std::vector<unsigned long> lengths(columns);
    std::vector<MYSQL_BIND> binds(columns);
    for (unsigned c = 0; c < columns; ++c) {
        binds[c] = MYSQL_BIND {};
        binds[c].buffer_type = MYSQL_TYPE_STRING;
        binds[c].buffer = names[c].data();
        binds[c].buffer_length = names[c].size();
        binds[c].length = &lengths[c];
    }
    if (mysql_stmt_bind_result(s, binds.data()) != 0)
        failStatement(s);
    std::vector<std::vector<std::string>> rows;
    for (int rc; (rc = mysql_stmt_fetch(s)) != MYSQL_NO_DATA;) {
        if (rc != 0)
            failStatement(s);
        std::vector<std::string> &row = rows.emplace_back();
        for (unsigned c = 0; c < columns; ++c)
            row.emplace_back(names[c].data(), lengths[c]);
    }
    return rows;
}

long long ClientConnection::estimateRows(const std::string &table)
{
    const StatementHandle statement = runAboutTable(catalogsql::estimateRows, table);
    MYSQL_STMT *s = statement.get();
    unsigned long long rows = 0;
    my_bool none = 0;
    MYSQL_BIND count {};
    count.buffer_type = MYSQL_TYPE_LONGLONG;
    count.buffer = &rows;
    count.is_unsigned = 1;
    count.is_null = &none;
    if (mysql_stmt_bind_result(s, &count) != 0)
        failStatement(s);
    const int rc = mysql_stmt_fetch(s);
    if (rc == MYSQL_NO_DATA) // no such table: its query will say so
        return -1;
    if (rc != 0)
        failStatement(s);
    // A view has no count.
    return none ? -1 : static_cast<long long>(rows);
}

void ClientConnection::run(std::string_view sql)
{
    if (mysql_real_query(m_handle, sql.data(), sql.size()) != 0)
        failConnection();
    // A statement that gives rows anyway has them read and dropped.
    if (MYSQL_RES *result = mysql_store_result(m_handle))
        mysql_free_result(result);
    else if (mysql_errno(m_handle) != 0)
        failConnection();
}

std::vector<std::vector<std::optional<std::string>>> ClientConnection::textRows(
    std::string_view sql)
{
    if (mysql_real_query(m_handle, sql.data(), sql.size()) != 0)
        failConnection();
    const ResultMetadata result(mysql_store_result(m_handle), &mysql_free_result);
    if (!result)
        failConnection();
    const unsigned columns = mysql_num_fields(result.get());
    std::vector<std::vector<std::optional<std::string>>> rows;
    rows.reserve(mysql_num_rows(result.get()));
    while (MYSQL_ROW row = mysql_fetch_row(result.get())) {
        const unsigned long *lengths = mysql_fetch_lengths(result.get());
        std::vector<std::optional<std::string>> &values = rows.emplace_back();
        for (unsigned c = 0; c < columns; ++c) {
            if (row[c])
                values.emplace_back(std::string(row[c], lengths[c]));
            else
                values.emplace_back();
        }
    }
    return rows;
}

KeyNumber ClientConnection::integerOf(const std::optional<std::string> &value)
{
    try {
        return parseKeyNumber(value.value_or(std::string()));
    } catch (const std::invalid_argument &) {
        throw ClientLibraryError(
            "The server gave \"" + value.value_or("NULL") + "\" where an integer was expected");
    }
}

StatementHandle ClientConnection::prepare(std::string_view sql)
{
    StatementHandle statement(mysql_stmt_init(m_handle));
    if (!statement)
        failConnection();
    if (mysql_stmt_prepare(statement.get(), sql.data(), sql.size()) != 0)
        failStatement(statement.get());
    return statement;
}

std::vector<ColumnPlan> ClientConnection::resultColumns(MYSQL_STMT *statement)
{
    const ResultMetadata metadata(mysql_stmt_result_metadata(statement), &mysql_free_result);
    if (!metadata)
        failStatement(statement);
    const unsigned count = mysql_num_fields(metadata.get());
    const MYSQL_FIELD *fields = mysql_fetch_fields(metadata.get());
    std::vector<ColumnPlan> columns;
    columns.reserve(count);
    for (unsigned c = 0; c < count; ++c)
        columns.push_back(planColumn(fields[c]));
    return columns;
}

void ClientConnection::failStatement(MYSQL_STMT *statement) const
{
    const char *text = mysql_stmt_error(statement);
    fail(*text ? text : mysql_error(m_handle));
}

void ClientConnection::failConnection() const { fail(mysql_error(m_handle)); }

StatementHandle ClientConnection::runAboutTable(std::string_view sql, const std::string &table)
{
    StatementHandle statement = prepare(sql);
    unsigned long nameLength = table.size();
    MYSQL_BIND name {};
    name.buffer_type = MYSQL_TYPE_STRING;
    name.buffer = const_cast<char *>(table.data());
    name.buffer_length = nameLength;
    name.length = &nameLength;
    if (mysql_stmt_bind_param(statement.get(), &name) != 0
        || mysql_stmt_execute(statement.get()) != 0)
        failStatement(statement.get());
    return statement;
}

} // namespace kestrune
