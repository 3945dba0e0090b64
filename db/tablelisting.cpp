#include "db/tablelisting.h"

#include "db/odbc.h"

#include <climits>
#include <optional>

namespace kestrune {

namespace {

template <typename T> T &need(T *object)
{
    if (!object)
        throw std::runtime_error("Object variable not set: the connection could not be created.");
    return *object;
}

template <typename T> T &need(std::optional<T> &object)
{
    if (!object)
        throw std::runtime_error("Object variable not set: the table list was not read.");
    return *object;
}

} // namespace

void ListTables(
    Trap &trap, odbc::Connection *connection, const LoginDetails &login, const TableListSink &sink)
{
    std::optional<odbc::Result> tables;
    int count = 0;
    // [106] A client-side cursor is the only kind the driver offers: nothing to set.
    trap.step(108, [&] { need(connection).open(BuildConnectionString(login)); });
    trap.step(110, [&] { tables.emplace(need(connection).execute("SHOW TABLES;")); });
    trap.step(112, [&] {
        long long records = need(tables).recordCount();
        if (records > INT_MAX)
            throw std::overflow_error("Overflow");
        count = static_cast<int>(records);
    });
    for (int i = 1; i <= count; ++i) {
        trap.step(114, [&] { sink.passEvents(); });
        trap.step(116, [&] { sink.appendLeft(need(tables).firstField()); });
        trap.step(118, [&] { sink.appendRight(need(tables).firstField()); });
        trap.step(120, [&] { need(tables).moveNext(); });
    }
    trap.step(124, [&] { need(tables).close(); });
    trap.step(126, [&] { need(connection).close(); });
}

} // namespace kestrune
