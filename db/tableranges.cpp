#include "db/tableranges.h"

#include "db/dialect.h"
#include "db/rowhash.h"
#include "db/streamedstatement.h"
#include "db/streamedtablereader.h"

#include <stdexcept>

namespace kestrune {

namespace {

// Every statement is kept this far inside the packet, and the ranges read at once this far
// inside that, so a statement is never near what the server refuses.
constexpr std::size_t packetMargin = 4096;
constexpr std::size_t mostStatementBytes = 8 << 20;

std::vector<std::size_t> keyPlaces(std::size_t first, std::size_t count)
{
    std::vector<std::size_t> places;
    for (std::size_t i = 0; i < count; ++i)
        places.push_back(first + i);
    return places;
}

} // namespace

TableRanges::TableRanges(ClientConnection &connection, TableQuery query,
    std::vector<KeyColumnSql> key, std::string figures, std::size_t packet)
    : m_connection(connection)
    , m_query(std::move(query))
    , m_key(std::move(key))
    , m_figures(std::move(figures))
    , m_packet(packet)
{
}

TableRanges::Buckets TableRanges::bucketsOf(const std::vector<KeyRange> &ranges)
{
    Buckets buckets;
    for (const KeyRange &range : ranges) {
        if (range.low && (buckets.bounds.empty() || !(*buckets.bounds.back() == *range.low)))
            buckets.bounds.push_back(&*range.low);
        buckets.ofRange.push_back(range.low ? static_cast<long long>(buckets.bounds.size()) : 0);
        if (range.high)
            buckets.bounds.push_back(&*range.high);
    }
    return buckets;
}

// The bucket, from `low` to `high`, of a key known to lie between those buckets: a search
// through the bounds, so each row costs the server a comparison a halving.
std::string TableRanges::bucketSql(const Buckets &buckets, std::size_t low, std::size_t high) const
{
    if (low == high)
        return std::to_string(low);
    const std::size_t middle = (low + high) / 2;
    return "case when " + keyOperand(m_key) + "<" + keyLiteral(m_key, *buckets.bounds[middle])
        + " then " + bucketSql(buckets, low, middle) + " else "
        + bucketSql(buckets, middle + 1, high) + " end";
}

std::string TableRanges::withinSql(const std::vector<KeyRange> &ranges) const
{
    std::string sql;
    for (std::size_t i = 0; i < ranges.size();) {
        // Neighbours as one.
        const KeyRange &first = ranges[i];
        std::size_t last = i;
        while (last + 1 < ranges.size() && ranges[last].high && ranges[last + 1].low
            && *ranges[last].high == *ranges[last + 1].low)
            ++last;
        std::string part;
        if (first.low)
            part = keyAtLeast(m_key, *first.low);
        if (ranges[last].high)
            part += (part.empty() ? "" : " and ") + keyBelow(m_key, *ranges[last].high);
        if (part.empty())
            return "(true)" + conditionSql("and", m_query.condition);
        sql += (sql.empty() ? "(" : " or (") + part + ")";
        i = last + 1;
    }
    return "(" + sql + ")" + conditionSql("and", m_query.condition);
}

std::string TableRanges::keyColumnsSql() const
{
    std::string sql;
    for (std::size_t i = 0; i < m_key.size(); ++i)
        sql += (i == 0 ? "" : ",") + m_key[i].column + " k" + std::to_string(i) + ","
            + m_key[i].compared + " o" + std::to_string(i);
    return sql;
}

std::string TableRanges::orderSql() const
{
    std::string sql;
    for (std::size_t i = 0; i < m_key.size(); ++i)
        sql += (i == 0 ? "" : ",") + std::string("o") + std::to_string(i);
    return sql;
}

void TableRanges::checkSize(const std::string &sql) const
{
    if (sql.size() + packetMargin > m_packet)
        throw std::runtime_error("A statement of " + std::to_string(sql.size())
            + " bytes would not fit the server's max_allowed_packet of " + std::to_string(m_packet)
            + " bytes");
}

Table TableRanges::rowsOf(const std::string &sql)
{
    checkSize(sql);
    StreamedStatement statement(m_connection);
    statement.execute(sql);
    Table rows;
    for (const ColumnShape &column : shapesOf(statement.columns()))
        rows.columns.emplace_back(column.name, column.kind, column.fractionDigits);
    while (statement.fill(rows)) { }
    return rows;
}

SampledKeys TableRanges::keysFrom(
    const std::optional<KeyValue> &from, long long step, long long limit)
{
    std::string keys = "select " + keyColumnsSql() + " from " + quotedName(m_query.table)
        + " where " + (from ? keyAtLeast(m_key, *from) : std::string("true"))
        + conditionSql("and", m_query.condition) + " order by " + orderSql() + " limit "
        + std::to_string(limit + 1);
    std::string columns;
    for (std::size_t i = 0; i < m_key.size(); ++i)
        columns += ",k" + std::to_string(i);
    const std::string sql = "select n" + columns + " from (select row_number() over (order by "
        + orderSql() + ") n" + columns + " from (" + keys + ") r) x where (n-1) mod "
        + std::to_string(step) + "=0 or n=" + std::to_string(limit + 1) + " order by n";
    const Table rows = rowsOf(sql);
    const std::vector<std::size_t> places = keyPlaces(1, m_key.size());
    SampledKeys sampled;
    for (std::size_t row = 0; row < rows.rowCount(); ++row) {
        if (rows.columns[0].cell(row).integer == limit + 1)
            sampled.next = keyValueOf(rows, row, places);
        else
            sampled.keys.push_back(keyValueOf(rows, row, places));
    }
    return sampled;
}

std::vector<std::pair<std::size_t, KeyValue>> TableRanges::keysWithin(
    const std::vector<KeyRange> &ranges, long long step)
{
    std::vector<std::pair<std::size_t, KeyValue>> keys;
    if (ranges.empty())
        return keys;
    const Buckets buckets = bucketsOf(ranges);
    std::string columns;
    for (std::size_t i = 0; i < m_key.size(); ++i)
        columns += ",k" + std::to_string(i);
    const std::string inner = "select " + bucketSql(buckets, 0, buckets.bounds.size()) + " b,"
        + keyColumnsSql() + " from " + quotedName(m_query.table) + " where " + withinSql(ranges);
    const std::string sql = "select b" + columns + " from (select b" + columns
        + ",row_number() over (partition by b order by " + orderSql() + ") n from (" + inner
        + ") r) x where (n-1) mod " + std::to_string(step) + "=0 order by b,n";
    if (sql.size() + packetMargin > m_packet && ranges.size() > 1) {
        const std::size_t half = ranges.size() / 2;
        keys = keysWithin({ ranges.begin(), ranges.begin() + half }, step);
        for (auto &[place, key] : keysWithin({ ranges.begin() + half, ranges.end() }, step))
            keys.emplace_back(place + half, std::move(key));
        return keys;
    }
    const Table rows = rowsOf(sql);
    std::vector<long long> rangeOf(buckets.bounds.size() + 1, -1);
    for (std::size_t i = 0; i < ranges.size(); ++i)
        rangeOf.at(static_cast<std::size_t>(buckets.ofRange[i])) = static_cast<long long>(i);
    const std::vector<std::size_t> places = keyPlaces(1, m_key.size());
    for (std::size_t row = 0; row < rows.rowCount(); ++row) {
        const long long range
            = rangeOf.at(static_cast<std::size_t>(rows.columns[0].cell(row).integer));
        if (range >= 0)
            keys.emplace_back(static_cast<std::size_t>(range), keyValueOf(rows, row, places));
    }
    return keys;
}

std::vector<RangeFigures> TableRanges::figures(const std::vector<KeyRange> &ranges)
{
    std::vector<RangeFigures> figures(ranges.size());
    if (ranges.empty())
        return figures;
    const Buckets buckets = bucketsOf(ranges);
    const std::string bucket = bucketSql(buckets, 0, buckets.bounds.size());
    // Grouped by place: a column of the table may be named as the bucket is.
    const std::string sql = "select " + m_figures + "," + bucket + " b from "
        + quotedName(m_query.table) + " where " + withinSql(ranges) + " group by 7";
    if (sql.size() + packetMargin > m_packet && ranges.size() > 1) {
        const std::size_t half = ranges.size() / 2;
        std::vector<RangeFigures> low = this->figures({ ranges.begin(), ranges.begin() + half });
        std::vector<RangeFigures> high = this->figures({ ranges.begin() + half, ranges.end() });
        std::move(high.begin(), high.end(), std::move(low.begin(), low.end(), figures.begin()));
        return figures;
    }
    checkSize(sql);
    std::vector<long long> rangeOf(buckets.bounds.size() + 1, -1);
    for (std::size_t i = 0; i < ranges.size(); ++i)
        rangeOf.at(static_cast<std::size_t>(buckets.ofRange[i])) = static_cast<long long>(i);
    for (const auto &row : m_connection.textRows(sql)) {
        const long long range
            = rangeOf.at(static_cast<std::size_t>(ClientConnection::integerOf(row.at(6))));
        if (range >= 0)
            figures[static_cast<std::size_t>(range)] = figuresOf(row, 0);
    }
    return figures;
}

std::size_t TableRanges::readCost(const KeyRange &range) const
{
    std::size_t cost = 16;
    if (range.low)
        cost += keyAtLeast(m_key, *range.low).size();
    if (range.high)
        cost += keyBelow(m_key, *range.high).size();
    return cost;
}

std::size_t TableRanges::statementRoom() const
{
    const std::size_t fixed = selectSql(m_query).size() + packetMargin;
    const std::size_t most = std::min(m_packet, mostStatementBytes);
    return most > fixed * 2 ? most - fixed * 2 : 1;
}

std::unique_ptr<TableReader> TableRanges::read(const std::vector<KeyRange> &ranges)
{
    TableQuery query = m_query;
    query.condition = withinSql(ranges);
    checkSize(selectSql(query));
    return std::make_unique<StreamedTableReader>(m_connection, std::move(query));
}

} // namespace kestrune
