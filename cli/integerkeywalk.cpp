#include "cli/integerkeywalk.h"

#include "core/keyranges.h"
#include "db/atonce.h"
#include "db/rangechecksums.h"

#include <algorithm>
#include <chrono>
#include <optional>

namespace kestrune::checksumwalk {

namespace {

// Ranges to read are gathered until they hold about this many rows, or are this many.
constexpr long long readBatchRows = 50000;
constexpr std::size_t readBatchRanges = 1000;

class IntegerKeyWalk {
public:
    IntegerKeyWalk(const Side &one, const Side &two, const Comparison &comparison, LineSink &lines,
        const ChecksumReport &report)
        : m_one(one)
        , m_two(two)
        , m_checksums1(one.connection, one.table, one.compared.front().name,
              rowChecksumSql(one.compared), one.query.condition)
        , m_checksums2(two.connection, two.table, two.compared.front().name,
              rowChecksumSql(two.compared), two.query.condition)
        , m_walked { KeyMerge(comparison, lines), report }
    {
    }

    ComparisonOutcome run()
    {
        std::optional<KeyRange> keys1;
        std::optional<KeyRange> keys2;
        atOnce([&] { keys1 = m_checksums1.keys(); }, [&] { keys2 = m_checksums2.keys(); });
        if (!keys1 && !keys2)
            return m_walked.outcome();
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
            at = stretch.high;
            if (m_unchecked.skip()) {
                toRead({ stretch, stretchRows });
            } else {
                const auto started = std::chrono::steady_clock::now();
                long long rows = 0;
                std::vector<DifferingRange> differing = check({ stretch }, width, rows);
                const double seconds = secondsSince(started);
                m_unchecked.checked(differing, rows);
                narrow(std::move(differing), width, rows);
                const double span = static_cast<double>(stretch.high - stretch.low);
                density = rows > 0 ? static_cast<double>(rows) / span : density / 16;
                stretchRows = nextStretchRows(stretchRows, rows, seconds);
            }
            if (m_toRead.size() >= readBatchRanges || m_rowsToRead >= readBatchRows)
                readRanges();
        }
        readRanges();
        return m_walked.outcome();
    }

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
        rows = std::max(rowsOf(figures1), rowsOf(figures2));
        m_walked.progress.checked
            += static_cast<long long>(std::max(figures1.size(), figures2.size()));
        std::vector<DifferingRange> differing
            = differingRanges(ranges, width, std::move(figures1), std::move(figures2));
        m_walked.progress.differing += static_cast<long long>(differing.size());
        m_walked.tell();
        return differing;
    }

    // Splits the ranges that differ until each is small enough to read, and gathers those.
    void narrow(std::vector<DifferingRange> differing, KeyNumber width, long long checkedRows)
    {
        while (!differing.empty()) {
            std::vector<DifferingRange> large;
            for (const DifferingRange &range : differing) {
                if (range.rows <= leafRows || width == 1)
                    toRead(range);
                else
                    large.push_back(range);
            }
            if (large.empty())
                return;
            // Where most rows differ, checking again costs more than reading them.
            if (rowsOf(large) * 2 > checkedRows) {
                for (const DifferingRange &range : large)
                    toRead(range);
                return;
            }
            std::vector<KeyRange> finer;
            finer.reserve(large.size());
            for (const DifferingRange &range : large)
                finer.push_back(range.range);
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
        readInto(
            m_walked, m_one, m_checksums1.rowsIn(m_toRead), m_two, m_checksums2.rowsIn(m_toRead));
        m_toRead.clear();
        m_rowsToRead = 0;
    }

    const Side &m_one;
    const Side &m_two;
    RangeChecksums m_checksums1;
    RangeChecksums m_checksums2;
    Walked m_walked;
    UncheckedStretches m_unchecked;
    // Apart; a stretch's in any order, all after the stretches' before (one query reads them in
    // the key's order).
    std::vector<KeyRange> m_toRead;
    long long m_rowsToRead = 0;
};

} // namespace

ComparisonOutcome walkIntegerKey(const Side &one, const Side &two, const Comparison &comparison,
    LineSink &lines, const ChecksumReport &report)
{
    return IntegerKeyWalk(one, two, comparison, lines, report).run();
}

} // namespace kestrune::checksumwalk
