#include "engine/keyplan.h"

#include <algorithm>

namespace kestrune {

namespace {

// Texts are sorted by their UTF-8 bytes, which no collation does; every other kind by value, the
// order the program compares it in, so an index on the key serves.
TableQuery orderedQuery(const std::string &table, const std::vector<ColumnShape> &columns,
    const std::vector<KeyColumn> &key, bool first)
{
    TableQuery query { table };
    for (const KeyColumn &column : key) {
        const ColumnShape &shape = columns[first ? column.first : column.second];
        query.orderBy.push_back({ shape.name,
            shape.kind == ColumnKind::Text ? KeyOrder::Utf8Bytes : KeyOrder::AsStored });
    }
    return query;
}

} // namespace

KeyMode planKeyMode(Catalog &catalog1, const std::string &table1, Catalog &catalog2,
    const std::string &table2, const std::vector<std::string> &keyNames)
{
    // A missing table is told as reading it would tell it, before anything about its key.
    const std::vector<ColumnShape> columns1 = catalog1.describe(table1);
    const std::vector<ColumnShape> columns2 = catalog2.describe(table2);
    std::vector<std::string> names = keyNames;
    if (names == std::vector<std::string> { "PRIMARY" }) {
        names = catalog1.primaryKey(table1);
        if (names.empty())
            throw PairingError(table1 + ": no primary key");
    }
    KeyMode mode { planKeyPairing(table1, columns1, table2, columns2, names), {}, {} };
    mode.query1 = orderedQuery(table1, columns1, mode.pairing.key, true);
    mode.query2 = orderedQuery(table2, columns2, mode.pairing.key, false);
    return mode;
}

void checkKeyIsUnique(Catalog &catalog, const std::string &table, const std::vector<KeyColumn> &key,
    const std::string &needs)
{
    const auto isKey = [&](const std::string &name) {
        return std::any_of(key.begin(), key.end(),
            [&](const KeyColumn &column) { return sameColumnName(column.name, name); });
    };
    for (const std::vector<std::string> &index : catalog.uniqueIndexes(table)) {
        if (std::all_of(index.begin(), index.end(), isKey))
            return;
    }
    throw PairingError(needs + " needs a key that " + table
        + " holds unique: no primary key or unique index of it is made of the key's columns");
}

} // namespace kestrune
