#pragma once

#include "core/keynumber.h"
#include "core/value.h"
#include "db/connectionstring.h"
#include "db/mariadb/columnplan.h"
#include "db/mariadb/tlsoptions.h"
#include "engine/catalog.h"

#include <mysql.h>

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace kestrune {

// A failure as MariaDB's client library words it.
class ClientLibraryError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct StatementCloser {
    void operator()(MYSQL_STMT *statement) const { mysql_stmt_close(statement); }
};
using StatementHandle = std::unique_ptr<MYSQL_STMT, StatementCloser>;

// A column as information_schema tells it.
struct ColumnDetails {
    std::string name;
    std::string dataType; // "int", "varchar", "enum", "year", ...
    std::string columnType; // "int(11)", "year(2)", ...: its first 64 characters
    std::string characterSet; // of a text column, else empty
    std::string collation; // of a text column, else empty
    long long octetLength = -1; // the most bytes a text or byte string holds; -1 for another kind
    bool generated = false;
    bool setOnUpdate = false; // ON UPDATE CURRENT_TIMESTAMP: any change to its row sets it
};

// The details of the column so named; none when there is none.
const ColumnDetails *detailsNamed(
    const std::vector<ColumnDetails> &columns, const std::string &name);

// One connection through MariaDB's client library, reaching the server the ODBC driver reaches
// with the same login. It runs one statement at a time, as many as wanted one after another.
// Its session reads TIMESTAMPs in UTC, so that two servers in any zones give one instant alike.
class ClientConnection final : public Catalog {
public:
    // Connects at once; throws ClientLibraryError when the login fails, or when TLS is required
    // and the server offers none.
    explicit ClientConnection(const LoginDetails &login, const TlsOptions &tls = {});
    ~ClientConnection() override;
    ClientConnection(const ClientConnection &) = delete;
    ClientConnection &operator=(const ClientConnection &) = delete;

    MYSQL *handle() const { return m_handle; }

    // Without reading a row.
    std::vector<ColumnShape> describe(const std::string &table) override;
    std::vector<std::string> primaryKey(const std::string &table) override;
    std::vector<std::vector<std::string>> uniqueIndexes(const std::string &table) override;
    // The server's estimate of the table's rows; -1 for a view or a table it does not know.
    long long estimateRows(const std::string &table);
    std::vector<ColumnDetails> columnDetails(const std::string &table);
    // The longest statement or value the server takes, in bytes.
    std::size_t maxAllowedPacket();

    // Runs a statement that gives no rows.
    void run(std::string_view sql);
    // Runs a query of small results and gives its rows, every value as the server's text
    // (nullopt for NULL).
    std::vector<std::vector<std::optional<std::string>>> textRows(std::string_view sql);
    // An integer such a row gives; throws ClientLibraryError for another value.
    static KeyNumber integerOf(const std::optional<std::string> &value);

    StatementHandle prepare(std::string_view sql);
    // The planned columns of a prepared statement's result.
    std::vector<ColumnPlan> resultColumns(MYSQL_STMT *statement);
    // Throws what the statement failed with, or the connection when the statement says nothing.
    [[noreturn]] void failStatement(MYSQL_STMT *statement) const;

private:
    [[noreturn]] void failConnection() const;
    template <typename T> void setOption(mysql_option option, const T *value);
    void setTlsOptions(const TlsOptions &tls);
    // A query of information_schema with the table's name for its one parameter, run.
    StatementHandle runAboutTable(std::string_view sql, const std::string &table);
    // The rows of such a query, its columns all names.
    std::vector<std::vector<std::string>> namesAboutTable(
        std::string_view sql, const std::string &table, unsigned columns);

    MYSQL *m_handle = nullptr;
};

} // namespace kestrune
