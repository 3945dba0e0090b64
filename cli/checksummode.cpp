#include "cli/checksummode.h"

#include "cli/commanderror.h"
#include "core/keymerge.h"
#include "core/keyranges.h"
#include "db/atonce.h"
#include "db/boundarychecksums.h"
#include "db/rangechecksums.h"
#include "db/rowchecksum.h"
#include "db/streamedtablereader.h"
#include "db/tablequery.h"

#include <algorithm>
#include <chrono>
#include <limits>
#include <new>
#include <optional>

namespace kestrune {

namespace {

// A bucket of the first check of a stretch holds about this many rows; a range that differs is
// split in this many buckets at the next check, until a part holds at most leafRows rows.
constexpr long long bucketRows = 256;
constexpr long long fanOut = 32;
constexpr long long leafRows = 64;
// Each first check is sized to keep its server busy for about this long; no query reads a whole
// large table in one go.
constexpr double checkSeconds = 0.5;
constexpr long long firstStretchRows = 65536;
constexpr long long mostStretchRows = 4 << 20;
// Ranges to read are gathered until they hold about this many rows, or are this many.
constexpr long long readBatchRows = 50000;
constexpr std::size_t readBatchRanges = 1000;

// One table as the ranging sees it.
struct Side {
    ClientConnection &connection;
    const std::string &table;
    const std::vector<ColumnShape> &columns;
    std::size_t keyPlace; // of the key's first column
    const TableQuery &query;
    // Each column's name, character set and collation (columnCollations()).
    std::vector<std::vector<std::string>> collations = connection.columnCollations(table);
    std::vector<ChecksumColumn> compared = {}; // the key's columns first

    const std::vector<std::string> *collationOf(const std::string &name) const
    {
        for (const std::vector<std::string> &column : collations) {
            if (column[0] == name)
                return &column;
        }
        return nullptr;
    }
};

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
void checkNoNullKey(const Side &side, const std::vector<KeyColumn> &key, bool first)
{
    std::string anyNull;
    std::string which;
    for (const KeyColumn &column : key) {
        const std::string name
            = quotedName(side.columns[first ? column.first : column.second].name);
        anyNull += (anyNull.empty() ? "" : " or ") + name + " is null";
        which += (which.empty() ? "" : ",") + name + " is null";
    }
    std::string sql
        = "select " + which + " from " + quotedName(side.table) + " where (" + anyNull + ")";
    if (!side.query.condition.empty())
        sql += " and (" + side.query.condition + "\n)";
    sql += " limit 1";
    const auto rows = side.connection.textRows(sql);
    if (rows.empty())
        return;
    for (std::size_t k = 0; k < key.size(); ++k) {
        if (rows[0].at(k) == "1")
            throw PairingError(side.table + ": key column " + key[k].name + " holds NULL");
    }
}

class RangeWalk {
public:
    RangeWalk(const Side &one, const Side &two, const Comparison &comparison, LineSink &lines,
        const ChecksumReport &report)
        : m_one(one)
        , m_two(two)
        , m_checksums1(one.connection, one.table, one.compared.front().name,
              rowChecksumSql(one.compared), one.query.condition)
        , m_checksums2(two.connection, two.table, two.compared.front().name,
              rowChecksumSql(two.compared), two.query.condition)
        , m_merge(comparison, lines)
        , m_report(report)
    {
    }

    void run()
    {
        std::optional<KeyRange> keys1;
        std::optional<KeyRange> keys2;
        atOnce([&] { keys1 = m_checksums1.keys(); }, [&] { keys2 = m_checksums2.keys(); });
        if (!keys1 && !keys2)
            return;
        const KeyRange keys = !keys1 ? *keys2
            : !keys2
            ? *keys1
            : KeyRange { std::min(keys1->low, keys2->low), std::max(keys1->high, keys2->high) };
        const long long expected = std::max(
            m_one.connection.estimateRows(m_one.table), m_two.connection.estimateRows(m_two.table));
        // Rows a key, as far as is known; each stretch checked tells it better.
        double density = expected > 0
            ? static_cast<double>(expected) / static_cast<double>(keys.high - keys.low)
            : 1.0;
        long long stretchRows = firstStretchRows;
        for (KeyNumber at = keys.low; at < keys.high;) {
            const long long buckets = std::clamp<long long>(stretchRows / bucketRows, 1, 4096);
            const KeyNumber width = std::max<KeyNumber>(1,
                static_cast<KeyNumber>(
                    static_cast<double>(stretchRows) / density / static_cast<double>(buckets)));
            const KeyRange stretch { at, std::min(keys.high, at + width * buckets) };
            const auto started = std::chrono::steady_clock::now();
            long long rows = 0;
            std::vector<DifferingRange> differing = check({ stretch }, width, rows);
            const double seconds
                = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
            narrow(std::move(differing), width, rows);
            at = stretch.high;

            // The next stretch as long as this one's pace gives for the time a check may take,
            // but growing at most fourfold, so a sparse stretch does not mislead by much.
            const double span = static_cast<double>(stretch.high - stretch.low);
            density = rows > 0 ? static_cast<double>(rows) / span : density / 16;
            const double pace = static_cast<double>(std::max(rows, 1LL)) / std::max(seconds, 1e-3);
            stretchRows = std::clamp(static_cast<long long>(pace * checkSeconds), 4096LL,
                std::min(mostStretchRows, std::max(stretchRows, 1024LL) * 4));
            if (m_toRead.size() >= readBatchRanges || m_rowsToRead >= readBatchRows)
                readRanges();
        }
        readRanges();
    }

    DifferenceCounts counts() const { return m_merge.counts(); }
    long long rows1() const { return m_merge.rows1(); }
    long long rows2() const { return m_merge.rows2(); }

private:
    // Both servers' figures for the ranges, in buckets of `width`; `rows` becomes the more rows
    // the two servers counted.
    std::vector<DifferingRange> check(
        const std::vector<KeyRange> &ranges, KeyNumber width, long long &rows)
    {
        std::vector<BucketFigures> figures1;
        std::vector<BucketFigures> figures2;
        atOnce([&] { figures1 = m_checksums1.buckets(ranges, width); },
            [&] { figures2 = m_checksums2.buckets(ranges, width); });
        long long rows1 = 0;
        long long rows2 = 0;
        for (const BucketFigures &bucket : figures1)
            rows1 += bucket.rows;
        for (const BucketFigures &bucket : figures2)
            rows2 += bucket.rows;
        rows = std::max(rows1, rows2);
        m_progress.checked += static_cast<long long>(std::max(figures1.size(), figures2.size()));
        std::vector<DifferingRange> differing
            = differingRanges(ranges, width, std::move(figures1), std::move(figures2));
        m_progress.differing += static_cast<long long>(differing.size());
        tell();
        return differing;
    }

    // Splits the ranges that differ until each is small enough to read, and gathers those.
    void narrow(std::vector<DifferingRange> differing, KeyNumber width, long long checkedRows)
    {
        while (!differing.empty()) {
            std::vector<KeyRange> finer;
            long long finerRows = 0;
            for (const DifferingRange &range : differing) {
                if (range.rows <= leafRows || width == 1) {
                    toRead(range);
                } else {
                    finer.push_back(range.range);
                    finerRows += range.rows;
                }
            }
            if (finer.empty())
                return;
            // Where most rows differ, checking again costs more than reading them.
            if (finerRows * 2 > checkedRows) {
                for (const KeyRange &range : finer)
                    toRead({ range, leafRows });
                return;
            }
            width = std::max<KeyNumber>(1, width / fanOut);
            differing = check(finer, width, checkedRows);
        }
    }

    void toRead(const DifferingRange &range)
    {
        // Neighbours are read as one.
        if (!m_toRead.empty() && m_toRead.back().high == range.range.low)
            m_toRead.back().high = range.range.high;
        else
            m_toRead.push_back(range.range);
        m_rowsToRead += range.rows;
    }

    // Reads the gathered ranges of both tables, in the key's order, and compares their records.
    void readRanges()
    {
        if (m_toRead.empty())
            return;
        TableQuery query1 = m_one.query;
        TableQuery query2 = m_two.query;
        query1.condition = m_checksums1.rowsIn(m_toRead);
        query2.condition = m_checksums2.rowsIn(m_toRead);
        StreamedTableReader reader1(m_one.connection, std::move(query1));
        StreamedTableReader reader2(m_two.connection, std::move(query2));
        reader1.open();
        reader2.open();
        m_merge.merge(reader1, reader2);
        m_toRead.clear();
        m_rowsToRead = 0;
        m_progress.read1 = m_merge.rows1();
        m_progress.read2 = m_merge.rows2();
        tell();
    }

    void tell()
    {
        if (m_report)
            m_report(m_progress);
    }

    const Side &m_one;
    const Side &m_two;
    RangeChecksums m_checksums1;
    RangeChecksums m_checksums2;
    KeyMerge m_merge;
    const ChecksumReport &m_report;
    ChecksumProgress m_progress;
    std::vector<KeyRange> m_toRead; // ascending, apart
    long long m_rowsToRead = 0;
};

// The same for a key whose first column is not an integer in both tables: ranges are bounded by
// values of table 1's column read through its index, every range's figures are worked out by a
// query of their own, and the rows of the ranges that differ are read at the end, in one query a
// table, so that each server sorts them in the key's order. Table 2's column may order texts
// otherwise (another character set or collation): a bound out of order there is left out, so
// each table's ranges still hold each of its rows once.
class BoundaryWalk {
public:
    BoundaryWalk(const Side &one, const Side &two, const Comparison &comparison, LineSink &lines,
        const ChecksumReport &report)
        : m_one(one)
        , m_two(two)
        , m_checksums1(one.connection, one.table, one.compared.front().name,
              one.columns[one.keyPlace].kind, rowChecksumSql(one.compared), one.query.condition,
              one.collationOf(one.compared.front().name))
        , m_checksums2(two.connection, two.table, two.compared.front().name,
              one.columns[one.keyPlace].kind, rowChecksumSql(two.compared), two.query.condition,
              two.collationOf(two.compared.front().name))
        , m_ordersAlike(m_checksums1.comparesAs(m_checksums2))
        , m_merge(comparison, lines)
        , m_report(report)
    {
    }

    void run()
    {
        std::optional<std::string> at; // none: from the lowest key
        long long stretchRows = firstStretchRows;
        for (bool more = true; more;) {
            const auto started = std::chrono::steady_clock::now();
            stretchRows = stretchRows / bucketRows * bucketRows;
            std::vector<std::string> values
                = m_checksums1.boundaries({ at, std::nullopt }, bucketRows, stretchRows);
            more = static_cast<long long>(values.size()) > stretchRows / bucketRows;
            // The first range reaches down to where the last one ended, the last of all up to
            // the highest key of either table.
            std::vector<std::optional<std::string>> bounds { at };
            for (std::size_t i = 1; i < values.size(); ++i)
                bounds.emplace_back(std::move(values[i]));
            bounds = inOrder(std::move(bounds), std::nullopt);
            if (bounds.size() == 1)
                more = false;
            if (!more)
                bounds.emplace_back();
            std::vector<BoundedRange> ranges;
            for (std::size_t i = 0; i + 1 < bounds.size(); ++i)
                ranges.push_back({ bounds[i], bounds[i + 1] });
            at = bounds.back();

            long long rows = 0;
            std::vector<Differing> differing = check(ranges, rows);
            const double seconds
                = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
            narrow(std::move(differing), rows);
            const double pace = static_cast<double>(std::max(rows, 1LL)) / std::max(seconds, 1e-3);
            stretchRows = std::clamp(static_cast<long long>(pace * checkSeconds), 4096LL,
                std::min(mostStretchRows, stretchRows * 4));
        }
        readRanges();
    }

    DifferenceCounts counts() const { return m_merge.counts(); }
    long long rows1() const { return m_merge.rows1(); }
    long long rows2() const { return m_merge.rows2(); }

private:
    struct Differing {
        BoundedRange range;
        long long rows;
    };

    // The bounds, the first kept, without repeats (a composite key's first column repeats its
    // values) and without those table 2's column orders before the bound kept last or after
    // `high`.
    std::vector<std::optional<std::string>> inOrder(
        std::vector<std::optional<std::string>> bounds, const std::optional<std::string> &high)
    {
        std::vector<std::optional<std::string>> distinct { std::move(bounds.front()) };
        for (std::size_t i = 1; i < bounds.size(); ++i) {
            if (bounds[i] != distinct.back() && bounds[i] != high)
                distinct.push_back(std::move(bounds[i]));
        }
        bounds = std::move(distinct);
        if (m_ordersAlike || bounds.size() < 2)
            return bounds;
        std::vector<std::string> values;
        const std::size_t first = bounds.front() ? 0 : 1; // no bound is below every value
        for (std::size_t i = first; i < bounds.size(); ++i)
            values.push_back(*bounds[i]);
        if (high)
            values.push_back(*high);
        const std::vector<long long> ranks = m_checksums2.ranks(values);
        const long long highest = high ? ranks.back() : std::numeric_limits<long long>::max();
        std::vector<std::optional<std::string>> kept { std::move(bounds.front()) };
        long long last = first == 0 ? ranks.front() : std::numeric_limits<long long>::min();
        for (std::size_t i = 1; i < bounds.size(); ++i) {
            const long long rank = ranks[i - first];
            if (rank >= last && rank <= highest) {
                kept.emplace_back(std::move(bounds[i]));
                last = rank;
            }
        }
        return kept;
    }

    std::vector<Differing> check(const std::vector<BoundedRange> &ranges, long long &rows)
    {
        std::vector<RangeFigures> figures1;
        std::vector<RangeFigures> figures2;
        atOnce([&] { figures1 = m_checksums1.figures(ranges); },
            [&] { figures2 = m_checksums2.figures(ranges); });
        std::vector<Differing> differing;
        long long rows1 = 0;
        long long rows2 = 0;
        for (std::size_t i = 0; i < ranges.size(); ++i) {
            const RangeFigures &one = figures1[i];
            const RangeFigures &two = figures2[i];
            rows1 += one.rows;
            rows2 += two.rows;
            if (one.rows != two.rows || one.checksum != two.checksum)
                differing.push_back({ ranges[i], std::max(one.rows, two.rows) });
        }
        rows = std::max(rows1, rows2);
        m_progress.checked += static_cast<long long>(ranges.size());
        m_progress.differing += static_cast<long long>(differing.size());
        tell();
        return differing;
    }

    // Splits the ranges that differ at values table 1 holds in them until each is small enough
    // to read, and gathers those.
    void narrow(std::vector<Differing> differing, long long checkedRows)
    {
        while (!differing.empty()) {
            std::vector<BoundedRange> finer;
            long long finerRows = 0;
            std::vector<Differing> large;
            for (Differing &range : differing) {
                if (range.rows <= leafRows)
                    toRead(std::move(range.range));
                else
                    large.push_back(std::move(range));
            }
            if (large.empty())
                return;
            // Where most rows differ, checking again costs more than reading them.
            for (const Differing &range : large)
                finerRows += range.rows;
            if (finerRows * 2 > checkedRows) {
                for (Differing &range : large)
                    toRead(std::move(range.range));
                return;
            }
            for (Differing &range : large) {
                const long long step = std::max(1LL, range.rows / fanOut);
                std::vector<std::string> values
                    = m_checksums1.boundaries(range.range, step, range.rows);
                std::vector<std::optional<std::string>> bounds { range.range.low };
                for (std::size_t i = 1; i < values.size(); ++i)
                    bounds.emplace_back(std::move(values[i]));
                bounds = inOrder(std::move(bounds), range.range.high);
                // One value of the column all through, as a composite key may hold: read it.
                if (bounds.size() == 1) {
                    toRead(std::move(range.range));
                    continue;
                }
                bounds.push_back(range.range.high);
                for (std::size_t i = 0; i + 1 < bounds.size(); ++i)
                    finer.push_back({ bounds[i], bounds[i + 1] });
            }
            if (finer.empty())
                return;
            differing = check(finer, checkedRows);
        }
    }

    void toRead(BoundedRange range)
    {
        // Neighbours are read as one.
        if (!m_toRead.empty() && m_toRead.back().high && range.low
            && *m_toRead.back().high == *range.low)
            m_toRead.back().high = std::move(range.high);
        else
            m_toRead.push_back(std::move(range));
    }

    void readRanges()
    {
        if (m_toRead.empty())
            return;
        TableQuery query1 = m_one.query;
        TableQuery query2 = m_two.query;
        query1.condition = m_checksums1.rowsIn(m_toRead);
        query2.condition = m_checksums2.rowsIn(m_toRead);
        StreamedTableReader reader1(m_one.connection, std::move(query1));
        StreamedTableReader reader2(m_two.connection, std::move(query2));
        reader1.open();
        reader2.open();
        m_merge.merge(reader1, reader2);
        m_progress.read1 = m_merge.rows1();
        m_progress.read2 = m_merge.rows2();
        tell();
    }

    void tell()
    {
        if (m_report)
            m_report(m_progress);
    }

    const Side &m_one;
    const Side &m_two;
    BoundaryChecksums m_checksums1;
    BoundaryChecksums m_checksums2;
    bool m_ordersAlike;
    KeyMerge m_merge;
    const ChecksumReport &m_report;
    ChecksumProgress m_progress;
    std::vector<BoundedRange> m_toRead;
};

// Both tables' compared columns, the key's first, as their checksums read them.
void chooseCompared(Side &one, Side &two, const KeyPairing &pairing, const ColumnChoice &choice)
{
    auto add = [&](std::size_t first, std::size_t second) {
        const ColumnShape &column1 = one.columns[first];
        const ColumnShape &column2 = two.columns[second];
        const bool tagged = !sameChecksumForm(column1.kind, column2.kind);
        for (auto [side, column] : { std::pair { &one, &column1 }, std::pair { &two, &column2 } }) {
            const std::vector<std::string> *collation = side->collationOf(column->name);
            side->compared.push_back(
                { column->name, column->kind, collation ? (*collation)[1] : "", tagged });
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
    checkNoNullKey(one, pairing.key, true);
    checkNoNullKey(two, pairing.key, false);
    try {
        auto walked = [](auto &&walk) {
            walk.run();
            ComparisonOutcome outcome;
            outcome.counts = walk.counts();
            outcome.rows1 = walk.rows1();
            outcome.rows2 = walk.rows2();
            return outcome;
        };
        if (isInteger(one.columns[one.keyPlace].kind) && isInteger(two.columns[two.keyPlace].kind))
            return walked(RangeWalk(one, two, comparison, lines, report));
        return walked(BoundaryWalk(one, two, comparison, lines, report));
    } catch (const std::bad_alloc &) {
        throw std::runtime_error("Out of memory");
    }
}

} // namespace kestrune
