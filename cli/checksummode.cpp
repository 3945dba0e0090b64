#include "cli/checksummode.h"

#include "cli/boundarywalk.h"
#include "cli/checksumwalk.h"
#include "cli/commanderror.h"
#include "cli/integerkeywalk.h"

#include <algorithm>
#include <new>

namespace kestrune {

namespace {

using checksumwalk::Side;

bool isInteger(ColumnKind kind)
{
    return kind == ColumnKind::Integer || kind == ColumnKind::Unsigned;
}

void checkKey(const Side &side, const std::vector<KeyColumn> &key)
{
    // A key that repeats would be told in ranges that are read and missed in those that are not.
    const auto isKey = [&](const std::string &name) {
        return std::any_of(key.begin(), key.end(),
            [&](const KeyColumn &column) { return sameColumnName(column.name, name); });
    };
    for (const std::vector<std::string> &index : side.connection.uniqueIndexes(side.table)) {
        if (std::all_of(index.begin(), index.end(), isKey))
            return;
    }
    throw PairingError("--checksum needs a key that " + side.table
        + " holds unique: no primary key or unique index of it is made of the key's columns");
}

void checkFunctions(const Side &side)
{
    try {
        side.connection.textRows("select crc32c('')");
    } catch (const ClientLibraryError &error) {
        throw CommandError("--checksum needs CRC32C(), which the server of " + side.table
            + " does not have (MariaDB 10.8 and later have it): " + error.what());
    }
}

// Every later query of this connection reads the tables as they stood now.
void takeSnapshot(ClientConnection &connection)
{
    connection.run("set session transaction isolation level repeatable read");
    connection.run("start transaction read only, with consistent snapshot");
}

// Ranges leave out a NULL key; reading the whole table would have told it.
void checkNoNullKey(const Side &side, const std::vector<KeyColumn> &key)
{
    std::string anyNull;
    std::string which;
    for (std::size_t k = 0; k < key.size(); ++k) {
        const std::string name = quotedName(side.compared[k].name);
        anyNull += (anyNull.empty() ? "" : " or ") + name + " is null";
        which += (which.empty() ? "" : ",") + name + " is null";
    }
    const std::string sql = "select " + which + " from " + quotedName(side.table) + " where ("
        + anyNull + ")" + conditionSql("and", side.query.condition) + " limit 1";
    const auto rows = side.connection.textRows(sql);
    if (rows.empty())
        return;
    for (std::size_t k = 0; k < key.size(); ++k) {
        if (rows[0].at(k) == "1")
            throw PairingError(side.table + ": key column " + key[k].name + " holds NULL");
    }
}

// Both tables' compared columns, the key's first, as their checksums read them.
void chooseCompared(Side &one, Side &two, const KeyPairing &pairing, const ColumnChoice &choice)
{
    auto add = [&](std::size_t first, std::size_t second) {
        const ColumnShape &column1 = one.columns[first];
        const ColumnShape &column2 = two.columns[second];
        for (auto [side, column] : { std::pair { &one, &column1 }, std::pair { &two, &column2 } }) {
            const ColumnCollation *collation = side->collationOf(column->name);
            side->compared.push_back(
                { column->name, column->kind, collation ? collation->characterSet : "" });
        }
    };
    for (const KeyColumn &column : pairing.key)
        add(column.first, column.second);
    for (const ColumnPair &pair : chosenColumns(pairing, choice))
        add(pair.first, pair.second);
}

} // namespace

ComparisonOutcome compareByChecksum(ClientConnection &connection1, const TableQuery &query1,
    ClientConnection &connection2, const TableQuery &query2, const Comparison &comparison,
    LineSink &lines, const ChecksumReport &report)
{
    const KeyPairing &pairing = *comparison.byKey;
    Side one { connection1, comparison.table1, pairing.columns1, pairing.key[0].first, query1 };
    Side two { connection2, comparison.table2, pairing.columns2, pairing.key[0].second, query2 };
    chooseCompared(one, two, pairing, comparison.columns);
    checkKey(one, pairing.key);
    checkKey(two, pairing.key);
    checkFunctions(one);
    checkFunctions(two);
    takeSnapshot(connection1);
    takeSnapshot(connection2);
    checkNoNullKey(one, pairing.key);
    checkNoNullKey(two, pairing.key);
    try {
        if (isInteger(one.columns[one.keyPlace].kind) && isInteger(two.columns[two.keyPlace].kind))
            return checksumwalk::walkIntegerKey(one, two, comparison, lines, report);
        return checksumwalk::walkBoundedKey(one, two, comparison, lines, report);
    } catch (const std::bad_alloc &) {
        throw std::runtime_error("Out of memory");
    }
}

} // namespace kestrune