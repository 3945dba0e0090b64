#include "db/mariadb/checksumsides.h"

#include "db/dialect/catalogsql.h"
#include "db/dialect/keysql.h"
#include "db/dialect/rowhash.h"
#include "db/dialect/sqltext.h"
#include "engine/keymerge.h"
#include "engine/keyplan.h"

#include <algorithm>
#include <random>

namespace kestrune {

namespace {

// A row's text no longer than this far inside the packet is built whole.
constexpr long long rowTextMargin = 4096;

struct Side {
    ClientConnection &connection;
    const TableQuery &query;
    const std::vector<ColumnShape> &shapes;
    std::vector<ColumnDetails> details;
    std::size_t packet;
};

void checkFunctions(const Side &side)
{
    try {
        side.connection.textRows(catalogsql::rangeFunctions);
    } catch (const ClientLibraryError &error) {
        throw ChecksumRefused("--checksum needs CRC32C(), which the server of " + side.query.table
            + " does not have (MariaDB 10.8 and later have it): " + error.what());
    }
}

// Every later query of this connection reads the tables as they stood now.
void takeSnapshot(ClientConnection &connection)
{
    for (std::string_view statement : catalogsql::snapshot)
        connection.run(statement);
}

// Ranges leave out a NULL key; reading the whole table would have told it.
void checkNoNullKey(const Side &side, const std::vector<KeyColumn> &key, bool first)
{
    std::vector<std::string> names;
    names.reserve(key.size());
    for (const KeyColumn &column : key)
        names.push_back(quotedName(side.shapes[first ? column.first : column.second].name));
    const std::string sql = catalogsql::nullKeySql(side.query.table, names, side.query.condition);
    const auto rows = side.connection.textRows(sql);
    if (rows.empty())
        return;
    for (std::size_t k = 0; k < key.size(); ++k) {
        if (rows[0].at(k) == "1")
            throw PairingError(side.query.table + ": key column " + key[k].name + " holds NULL");
    }
}

// Whether the server evaluates a row's aggregates in the order given, which the figures' session
// variable needs and MariaDB does not promise.
bool keepsOrder(ClientConnection &connection)
{
    const auto rows = connection.textRows(variableCheckSql());
    return rows.size() == 1 && rows[0].size() == 12
        && std::equal(rows[0].begin(), rows[0].begin() + 6, rows[0].begin() + 6);
}

std::string drawSecret()
{
    std::random_device device;
    static constexpr char digits[] = "0123456789abcdef";
    std::string secret;
    for (int i = 0; i < 32; ++i)
        secret += digits[device() % 16];
    return secret;
}

// The most bytes a column's value takes in a row's text.
long long textBound(const ColumnDetails *column, ColumnKind kind)
{
    constexpr long long unknown = 1LL << 40;
    if (kind == ColumnKind::Text)
        return column && column->octetLength >= 0 ? column->octetLength * 4 : unknown;
    if (kind == ColumnKind::Bytes)
        return column && column->octetLength >= 0 ? column->octetLength : unknown;
    return 100;
}

// Both tables' compared columns, the key's first, as their hashes read them: the longest texts
// and byte strings hashed alone, in both tables alike, until a row's text fits the smaller
// packet.
std::pair<std::vector<HashedColumn>, std::vector<HashedColumn>> hashedColumns(
    const Side &one, const Side &two, const KeyPairing &pairing, const ColumnChoice &choice)
{
    std::vector<std::pair<std::size_t, std::size_t>> pairs;
    for (const KeyColumn &column : pairing.key)
        pairs.emplace_back(column.first, column.second);
    for (const ColumnPair &pair : chosenColumns(pairing, choice))
        pairs.emplace_back(pair.first, pair.second);
    std::vector<HashedColumn> hashed1;
    std::vector<HashedColumn> hashed2;
    std::vector<long long> bounds;
    long long rowBound = 64;
    for (const auto &[first, second] : pairs) {
        const ColumnShape &shape1 = one.shapes[first];
        const ColumnShape &shape2 = two.shapes[second];
        const ColumnDetails *details1 = detailsNamed(one.details, shape1.name);
        const ColumnDetails *details2 = detailsNamed(two.details, shape2.name);
        hashed1.push_back(
            { shape1.name, shape1.kind, details1 ? details1->characterSet : std::string() });
        hashed2.push_back(
            { shape2.name, shape2.kind, details2 ? details2->characterSet : std::string() });
        bounds.push_back(
            std::max(textBound(details1, shape1.kind), textBound(details2, shape2.kind)) + 24);
        rowBound += bounds.back();
    }
    const long long room = static_cast<long long>(std::min(one.packet, two.packet)) - rowTextMargin;
    while (rowBound > room) {
        const auto longest = std::max_element(bounds.begin(), bounds.end());
        if (*longest <= 100)
            break;
        const auto place = static_cast<std::size_t>(longest - bounds.begin());
        hashed1[place].hashedAlone = true;
        hashed2[place].hashedAlone = true;
        rowBound -= *longest - 100;
        *longest = 100;
    }
    return { hashed1, hashed2 };
}

} // namespace

ChecksumSides prepareChecksums(ClientConnection &connection1, const TableQuery &query1,
    ClientConnection &connection2, const TableQuery &query2, const Comparison &comparison,
    bool fast)
{
    const KeyPairing &pairing = *comparison.byKey;
    checkKeyIsUnique(connection1, query1.table, pairing.key, "--checksum");
    checkKeyIsUnique(connection2, query2.table, pairing.key, "--checksum");
    Side one { connection1, query1, pairing.columns1, connection1.columnDetails(query1.table),
        connection1.maxAllowedPacket() };
    Side two { connection2, query2, pairing.columns2, connection2.columnDetails(query2.table),
        connection2.maxAllowedPacket() };
    checkFunctions(one);
    checkFunctions(two);
    const KeySql key
        = keySql(pairing.key, pairing.columns1, one.details, pairing.columns2, two.details);
    takeSnapshot(connection1);
    takeSnapshot(connection2);
    checkNoNullKey(one, pairing.key, true);
    checkNoNullKey(two, pairing.key, false);
    const std::string secret = drawSecret();
    const bool throughVariable = keepsOrder(connection1) && keepsOrder(connection2);
    const auto [hashed1, hashed2] = hashedColumns(one, two, pairing, comparison.columns);
    ChecksumSides sides;
    auto figures = [&](const std::vector<HashedColumn> &hashed) {
        return fast ? fastRangeFiguresSql(rowTextSql(hashed, secret), throughVariable)
                    : rangeFiguresSql(rowHashSql(hashed, secret), throughVariable);
    };
    sides.one
        = std::make_unique<TableRanges>(connection1, query1, key.one, figures(hashed1), one.packet);
    sides.two
        = std::make_unique<TableRanges>(connection2, query2, key.two, figures(hashed2), two.packet);
    sides.order = key.pairingOrder ? RangeOrder::Pairing : RangeOrder::Other;
    return sides;
}

} // namespace kestrune
