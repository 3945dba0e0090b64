#include "cli/checksummode.h"

#include "cli/commanderror.h"
#include "core/keymerge.h"
#include "core/keyranges.h"
#include "db/atonce.h"
#include "db/rangechecksums.h"
#include "db/rowchecksum.h"
#include "db/streamedtablereader.h"
#include "db/tablequery.h"

#include <algorithm>
#include <chrono>
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
    std::vector<std::size_t> compared; // the key's places, then the compared columns'
    const TableQuery &query;
};

bool isInteger(ColumnKind kind) { return kind == ColumnKind::Integer || kind == ColumnKind::Unsigned; }

void checkKey(const Side &side, const std::vector<KeyColumn> &key)
{
    const ColumnShape &first = side.columns[side.keyPlace];
    if (!isInteger(first.kind))
        throw PairingError("--checksum needs a key whose first column is an integer; "
            + side.table + "." + first.name + " is not");
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
        const std::string name = quotedName(side.columns[first ? column.first : column.second].name);
        anyNull += (anyNull.empty() ? "" : " or ") + name + " is null";
        which += (which.empty() ? "" : ",") + name + " is null";
    }
    std::string sql = "select " + which + " from " + quotedName(side.table) + " where (" + anyNull
        + ")";
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
        , m_checksums1(one.connection, one.table, one.columns[one.keyPlace].name,
              rowChecksumSql(one.columns, one.compared), one.query.condition)
        , m_checksums2(two.connection, two.table, two.columns[two.keyPlace].name,
              rowChecksumSql(two.columns, two.compared), two.query.condition)
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
            : !keys2                 ? *keys1
                                     : KeyRange { std::min(keys1->low, keys2->low),
                                           std::max(keys1->high, keys2->high) };
        const long long expected = std::max(m_one.connection.estimateRows(m_one.table),
            m_two.connection.estimateRows(m_two.table));
        // Rows a key, as far as is known; each stretch checked tells it better.
        double density = expected > 0
            ? static_cast<double>(expected) / static_cast<double>(keys.high - keys.low)
            : 1.0;
        long long stretchRows = firstStretchRows;
        for (KeyNumber at = keys.low; at < keys.high;) {
            const long long buckets = std::clamp<long long>(stretchRows / bucketRows, 1, 4096);
            const KeyNumber width = std::max<KeyNumber>(1,
                static_cast<KeyNumber>(static_cast<double>(stretchRows) / density
                    / static_cast<double>(buckets)));
            const KeyRange stretch { at, std::min(keys.high, at + width * buckets) };
            const auto started = std::chrono::steady_clock::now();
            long long rows = 0;
            std::vector<DifferingRange> differing = check({ stretch }, width, rows);
            const double seconds = std::chrono::duration<double>(
                std::chrono::steady_clock::now() - started)
                                       .count();
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

std::vector<std::size_t> comparedPlaces(
    const KeyPairing &pairing, const ColumnChoice &choice, bool first)
{
    std::vector<std::size_t> places;
    for (const KeyColumn &column : pairing.key)
        places.push_back(first ? column.first : column.second);
    for (const ColumnPair &pair : chosenColumns(pairing, choice))
        places.push_back(first ? pair.first : pair.second);
    return places;
}

} // namespace

ComparisonOutcome compareByChecksum(ClientConnection &connection1, const TableQuery &query1,
    ClientConnection &connection2, const TableQuery &query2, const Comparison &comparison,
    LineSink &lines,
    const ChecksumReport &report)
{
    const KeyPairing &pairing = *comparison.byKey;
    const Side one { connection1, comparison.table1, pairing.columns1, pairing.key[0].first,
        comparedPlaces(pairing, comparison.columns, true), query1 };
    const Side two { connection2, comparison.table2, pairing.columns2, pairing.key[0].second,
        comparedPlaces(pairing, comparison.columns, false), query2 };
    checkKey(one, pairing.key);
    checkKey(two, pairing.key);
    checkFunctions(one);
    checkFunctions(two);
    takeSnapshot(connection1);
    takeSnapshot(connection2);
    checkNoNullKey(one, pairing.key, true);
    checkNoNullKey(two, pairing.key, false);
    try {
        RangeWalk walk(one, two, comparison, lines, report);
        walk.run();
        ComparisonOutcome outcome;
        outcome.counts = walk.counts();
        outcome.rows1 = walk.rows1();
        outcome.rows2 = walk.rows2();
        return outcome;
    } catch (const std::bad_alloc &) {
        throw std::runtime_error("Out of memory");
    }
}

} // namespace kestrune
