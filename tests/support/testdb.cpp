#include "support/testdb.h"

#include "db/odbc/odbc.h"

#include <cstdlib>
#include <stdexcept>

namespace kestrune::testdb {

namespace {

std::string environment(const char *name)
{
    const char *value = std::getenv(name);
    if (!value)
        throw std::runtime_error(std::string(name)
            + " is not set: run the tests with scripts/test, which starts the test server");
    return value;
}

} // namespace

LoginDetails login() { return loginTo(environment("KESTRUNE_TEST_DATABASE")); }

LoginDetails loginTo(const std::string &database)
{
    LoginDetails l;
    l.server = environment("KESTRUNE_TEST_SERVER");
    l.port = environment("KESTRUNE_TEST_PORT");
    l.user = environment("KESTRUNE_TEST_USER");
    l.password = environment("KESTRUNE_TEST_PASSWORD");
    l.database = database;
    return l;
}

void run(const std::vector<std::string> &statements) { run(login(), statements); }

void run(const LoginDetails &login, const std::vector<std::string> &statements)
{
    odbc::Connection connection;
    connection.open(buildConnectionString(login));
    for (const std::string &sql : statements)
        connection.execute(sql);
}

void run(const std::string &statement) { run(std::vector<std::string> { statement }); }

LoginDetails freshDatabase(const std::string &database)
{
    run({ "DROP DATABASE IF EXISTS `" + database + "`", "CREATE DATABASE `" + database + "`" });
    return loginTo(database);
}

int openConnections()
{
    odbc::Connection connection;
    connection.open(buildConnectionString(login()));
    odbc::Result result = connection.execute(
        "SELECT COUNT(*) FROM information_schema.PROCESSLIST WHERE COMMAND <> 'Daemon' "
        "AND ID <> CONNECTION_ID()");
    return std::stoi(result.firstField());
}

int openConnections(const std::string &database)
{
    odbc::Connection connection;
    connection.open(buildConnectionString(login()));
    odbc::Result result
        = connection.execute("SELECT COUNT(*) FROM information_schema.PROCESSLIST WHERE DB = '"
            + database + "' AND ID <> CONNECTION_ID()");
    return std::stoi(result.firstField());
}

Table readWhole(odbc::Result &result)
{
    Table whole;
    Table rows;
    auto describe = [&] {
        if (whole.columns.empty())
            for (const Column &column : rows.columns)
                whole.columns.emplace_back(column.name(), column.kind(), column.fractionDigits());
    };
    while (result.readRowset(rows, result.rowsetRows())) {
        describe();
        for (std::size_t c = 0; c < rows.columns.size(); ++c) {
            Column &to = whole.columns[c];
            for (std::size_t r = 0; r < rows.rowCount(); ++r)
                to.appendCell(rows.columns[c].cell(r));
        }
    }
    describe();
    return whole;
}

} // namespace kestrune::testdb
