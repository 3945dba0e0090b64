#include "db/mariadb/tableranges.h"

#include "db/dialect/rangesql.h"
#include "db/dialect/rowhash.h"
#include "db/dialect/sqltext.h"
#include "db/mariadb/streamedstatement.h"
#include "db/mariadb/streamedtablereader.h"

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
    if (std::optional<SampledKeys> dense = denseKeysFrom(from, step, limit))
        return std::move(*dense);
    const std::string sql = rangesql::keysFrom(
        m_query.table, m_key, from ? &*from : nullptr, step, limit, m_query.condition);
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

// Numbering the rows costs the server far more than reading them. Where `limit` rows of a whole
// number key span at most twice as many values (a key deleted here and there), bounds spread
// evenly over the span hold each at most as many rows as values, about `step`; where the span
// is `limit`, every value is there and they are every step-th key.
std::optional<SampledKeys> TableRanges::denseKeysFrom(
    const std::optional<KeyValue> &from, long long step, long long limit)
{
    if (m_key.size() != 1 || !m_key.front().wholeNumber)
        return std::nullopt;
    const Table rows = rowsOf(
        rangesql::keysAt(m_query.table, m_key, from ? &*from : nullptr, limit, m_query.condition));
    std::optional<KeyValue> first;
    std::optional<KeyValue> next;
    for (std::size_t row = 0; row < rows.rowCount(); ++row)
        (rows.columns[0].cell(row).integer == 0 ? first : next) = keyValueOf(rows, row, { 1 });
    if (!first || !next)
        return std::nullopt;
    const std::uint64_t span = next->front().slot - first->front().slot;
    const auto count = static_cast<std::uint64_t>(limit);
    if (span > 2 * count)
        return std::nullopt;
    SampledKeys sampled;
    for (std::uint64_t n = 0; n < count; n += static_cast<std::uint64_t>(step)) {
        KeyValue key = *first;
        key.front().slot += n * span / count;
        sampled.keys.push_back(std::move(key));
    }
    sampled.next = std::move(next);
    return sampled;
}

std::vector<std::vector<KeyValue>> TableRanges::keysWithin(
    const std::vector<KeyRange> &ranges, long long step)
{
    return inHalvesWhereTooLong<std::vector<KeyValue>>(
        ranges,
        [&](const std::vector<KeyRange> &part, const rangesql::Buckets &buckets) {
            return rangesql::keysWithin(
                m_query.table, m_key, part, buckets, step, m_query.condition);
        },
        [&](const std::string &sql, const std::vector<long long> &rangeOf,
            std::vector<std::vector<KeyValue>> &keys) {
            const Table rows = rowsOf(sql);
            const std::vector<std::size_t> places = keyPlaces(1, m_key.size());
            for (std::size_t row = 0; row < rows.rowCount(); ++row) {
                const long long range
                    = rangeOf.at(static_cast<std::size_t>(rows.columns[0].cell(row).integer));
                if (range >= 0)
                    keys[static_cast<std::size_t>(range)].push_back(keyValueOf(rows, row, places));
            }
        });
}

std::vector<RangeFigures> TableRanges::figures(const std::vector<KeyRange> &ranges)
{
    return inHalvesWhereTooLong<RangeFigures>(
        ranges,
        [&](const std::vector<KeyRange> &part, const rangesql::Buckets &buckets) {
            return rangesql::figures(
                m_query.table, m_key, part, buckets, m_figures, m_query.condition);
        },
        [&](const std::string &sql, const std::vector<long long> &rangeOf,
            std::vector<RangeFigures> &figures) {
            checkSize(sql);
            for (const auto &row : m_connection.textRows(sql)) {
                const long long range = rangeOf.at(static_cast<std::size_t>(
                    ClientConnection::integerOf(row.at(rangeFigureCount))));
                if (range >= 0)
                    figures[static_cast<std::size_t>(range)] = figuresOf(row, 0);
            }
        });
}

// Builds a statement of the ranges' buckets and runs it, each answer in the place of its range;
// or, where the statement would not fit the packet, does so for each half of the ranges.
template <typename Answer, typename Build, typename Run>
std::vector<Answer> TableRanges::inHalvesWhereTooLong(
    const std::vector<KeyRange> &ranges, const Build &build, const Run &run)
{
    std::vector<Answer> answers(ranges.size());
    if (ranges.empty())
        return answers;
    const rangesql::Buckets buckets = rangesql::bucketsOf(ranges);
    const std::string sql = build(ranges, buckets);
    if (sql.size() + packetMargin > m_packet && ranges.size() > 1) {
        const auto half = ranges.begin() + static_cast<std::ptrdiff_t>(ranges.size() / 2);
        std::vector<Answer> low
            = inHalvesWhereTooLong<Answer>({ ranges.begin(), half }, build, run);
        std::vector<Answer> high = inHalvesWhereTooLong<Answer>({ half, ranges.end() }, build, run);
        std::move(high.begin(), high.end(), std::move(low.begin(), low.end(), answers.begin()));
        return answers;
    }
    run(sql, rangesql::rangeOfBuckets(buckets), answers);
    return answers;
}

std::size_t TableRanges::readCost(const KeyRange &range) const
{
    return rangesql::rangeBytes(m_key, range);
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
    query.condition = rangesql::within(m_key, ranges, m_query.condition);
    checkSize(selectSql(query));
    return std::make_unique<StreamedTableReader>(m_connection, std::move(query));
}

} // namespace kestrune
