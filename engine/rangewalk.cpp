#include "engine/rangewalk.h"

#include "engine/keymerge.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <memory>
#include <thread>

namespace kestrune {

namespace {

// A stretch's first check takes about this many rows, then as many as keep both servers busy for
// about checkSeconds, growing at most fourfold a stretch, so that a sparse one misleads by little.
constexpr long long firstStretchRows = 65536;
constexpr long long mostStretchRows = 4 << 20;
constexpr double checkSeconds = 0.5;
// A stretch's ranges hold about this many of table 1's rows, and are at most this many.
constexpr long long bucketRows = 256;
constexpr long long mostBuckets = 4096;
// A range that differs is cut in about this many parts, until a part holds at most leafRows rows.
constexpr long long fanOut = 32;
constexpr long long leafRows = 64;
// In the pairing order, what differs is read once a stretch's end gathers this much.
constexpr long long readBatchRows = 50000;
constexpr std::size_t readBatchRanges = 1000;

// Runs `two` on a thread of its own while `one` runs here; rethrows the first's failure, else
// the second's.
template <typename One, typename Two> void atOnce(One &&one, Two &&two)
{
    std::exception_ptr failure;
    std::thread thread([&] {
        try {
            two();
        } catch (...) {
            failure = std::current_exception();
        }
    });
    try {
        one();
    } catch (...) {
        thread.join();
        throw;
    }
    thread.join();
    if (failure)
        std::rethrow_exception(failure);
}

// A range and where it stands among all ranges: the places it was cut at, stretch first, so that
// sorting by them sorts by key.
struct Placed {
    KeyRange range;
    long long rows = 0; // the more of the two tables' rows, as far as known
    std::vector<std::uint32_t> path;
};

template <typename Counted> long long rowsOf(const std::vector<Counted> &counted)
{
    long long rows = 0;
    for (const Counted &each : counted)
        rows += each.rows;
    return rows;
}

// Where a check finds most of its rows in ranges that differ, checks cost more than they save:
// the stretches after it are read unchecked, twice as many each time a check finds the same
// again, up to 64, and checked again after those.
class UncheckedStretches {
public:
    bool skip()
    {
        if (m_left == 0)
            return false;
        --m_left;
        return true;
    }
    void checked(long long differingRows, long long rows)
    {
        if (differingRows * 2 > rows) {
            m_left = m_next;
            m_next = std::min<long long>(m_next * 2, 64);
        } else {
            m_next = 1;
        }
    }

private:
    long long m_left = 0;
    long long m_next = 1;
};

double secondsSince(std::chrono::steady_clock::time_point started)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
}

long long nextStretchRows(long long stretchRows, long long rows, double seconds)
{
    const double pace = static_cast<double>(std::max(rows, 1LL)) / std::max(seconds, 1e-3);
    return std::clamp(static_cast<long long>(pace * checkSeconds), 4096LL,
        std::min(mostStretchRows, std::max(stretchRows, 1024LL) * 4));
}

class RangeWalk {
public:
    RangeWalk(RangeSource &one, RangeSource &two, RangeOrder order, const Comparison &comparison,
        FindingSink &findings, const ChecksumReport &report)
        : m_one(one)
        , m_two(two)
        , m_order(order)
        , m_merge(comparison, findings)
        , m_report(report)
    {
    }

    ComparisonOutcome run()
    {
        std::optional<KeyValue> at; // none: from the lowest key
        long long stretchRows = firstStretchRows;
        for (std::uint32_t stretch = 0;; ++stretch) {
            const auto started = std::chrono::steady_clock::now();
            const long long step = std::max(bucketRows, stretchRows / mostBuckets);
            SampledKeys sampled = m_one.keysFrom(at, step, stretchRows);
            // The first key sampled is where the stretch begins; the first stretch reaches below
            // it, the last one up to the highest key of either table.
            std::vector<Placed> ranges;
            std::optional<KeyValue> low = at;
            for (std::size_t i = 1; i < sampled.keys.size(); ++i) {
                ranges.push_back({ { low, sampled.keys[i] }, 0, { stretch, std::uint32_t(i) } });
                low = std::move(sampled.keys[i]);
            }
            ranges.push_back({ { std::move(low), sampled.next }, 0, { stretch, 0xffffffffU } });
            at = std::move(sampled.next);
            if (m_unchecked.skip()) {
                toRead({ { ranges.front().range.low, ranges.back().range.high }, stretchRows,
                    { stretch } });
            } else {
                long long rows = 0;
                std::vector<Placed> differing = check(ranges, rows);
                const double seconds = secondsSince(started);
                m_unchecked.checked(rowsOf(differing), rows);
                narrow(std::move(differing), rows);
                stretchRows = nextStretchRows(stretchRows, rows, seconds);
            }
            if (!at)
                break;
            if (m_order == RangeOrder::Pairing
                && (m_toRead.size() >= readBatchRanges || m_rowsToRead >= readBatchRows))
                readGathered();
        }
        readGathered();
        ComparisonOutcome outcome;
        outcome.counts = m_merge.counts();
        outcome.rows1 = m_merge.rows1();
        outcome.rows2 = m_merge.rows2();
        return outcome;
    }

private:
    void tell() const
    {
        if (m_report)
            m_report(m_progress);
    }

    // The ranges whose figures differ between the servers, or that a server could not figure
    // whole; `rows` becomes the more rows the two counted.
    std::vector<Placed> check(std::vector<Placed> &ranges, long long &rows)
    {
        std::vector<KeyRange> asked;
        asked.reserve(ranges.size());
        for (const Placed &placed : ranges)
            asked.push_back(placed.range);
        std::vector<RangeFigures> figures1;
        std::vector<RangeFigures> figures2;
        atOnce([&] { figures1 = m_one.figures(asked); }, [&] { figures2 = m_two.figures(asked); });
        std::vector<Placed> differing;
        long long rows1 = 0;
        long long rows2 = 0;
        for (std::size_t i = 0; i < ranges.size(); ++i) {
            const RangeFigures &one = figures1.at(i);
            const RangeFigures &two = figures2.at(i);
            rows1 += one.rows;
            rows2 += two.rows;
            if (one != two || one.figured != one.rows || two.figured != two.rows) {
                ranges[i].rows = std::max(one.rows, two.rows);
                differing.push_back(std::move(ranges[i]));
            }
        }
        rows = std::max(rows1, rows2);
        m_progress.checked += static_cast<long long>(ranges.size());
        m_progress.differing += static_cast<long long>(differing.size());
        tell();
        return differing;
    }

    // Cuts the ranges that differ at table 1's keys inside them until each is small enough to
    // read, and gathers those.
    void narrow(std::vector<Placed> differing, long long checkedRows)
    {
        while (!differing.empty()) {
            std::vector<Placed> large;
            for (Placed &placed : differing) {
                if (placed.rows <= leafRows)
                    toRead(std::move(placed));
                else
                    large.push_back(std::move(placed));
            }
            if (large.empty())
                return;
            // Where most rows differ, checking again costs more than reading them.
            if (rowsOf(large) * 2 > checkedRows) {
                for (Placed &placed : large)
                    toRead(std::move(placed));
                return;
            }
            long long most = 0;
            std::vector<KeyRange> asked;
            for (const Placed &placed : large) {
                most = std::max(most, placed.rows);
                asked.push_back(placed.range);
            }
            const std::vector<std::vector<KeyValue>> inside
                = m_one.keysWithin(asked, std::max(leafRows / 4, most / fanOut));
            std::vector<Placed> finer;
            for (std::size_t i = 0; i < large.size(); ++i) {
                // The first key sampled is the range's own first; one alone cannot cut it.
                if (inside.at(i).size() < 2) {
                    toRead(std::move(large[i]));
                    continue;
                }
                std::optional<KeyValue> low = large[i].range.low;
                for (std::size_t k = 1; k <= inside[i].size(); ++k) {
                    Placed part { { low, std::nullopt }, 0, large[i].path };
                    part.path.push_back(static_cast<std::uint32_t>(k));
                    if (k < inside[i].size())
                        part.range.high = inside[i][k];
                    else
                        part.range.high = large[i].range.high;
                    low = part.range.high;
                    finer.push_back(std::move(part));
                }
            }
            if (finer.empty())
                return;
            differing = check(finer, checkedRows);
        }
    }

    std::size_t costOf(const KeyRange &range) const
    {
        return std::max(m_one.readCost(range), m_two.readCost(range));
    }

    void toRead(Placed placed)
    {
        m_rowsToRead += placed.rows;
        m_cost += costOf(placed.range);
        m_toRead.push_back(std::move(placed));
        if (m_cost > std::min(m_one.statementRoom(), m_two.statementRoom()))
            coalesce();
    }

    // The gathered ranges in key order, neighbours as one.
    void sortGathered()
    {
        std::sort(m_toRead.begin(), m_toRead.end(),
            [](const Placed &a, const Placed &b) { return a.path < b.path; });
        std::vector<Placed> joined;
        for (Placed &placed : m_toRead) {
            if (!joined.empty() && joined.back().range.high && placed.range.low
                && *joined.back().range.high == *placed.range.low)
                joined.back().range.high = std::move(placed.range.high);
            else
                joined.push_back(std::move(placed));
        }
        m_toRead = std::move(joined);
        recount();
    }

    void recount()
    {
        m_cost = 0;
        for (const Placed &placed : m_toRead)
            m_cost += costOf(placed.range);
    }

    // Too many ranges for one statement: each two become one, with the equal ranges between
    // them, until they fit.
    void coalesce()
    {
        sortGathered();
        const std::size_t room = std::min(m_one.statementRoom(), m_two.statementRoom());
        while (m_cost > room && m_toRead.size() > 1) {
            std::vector<Placed> halved;
            for (std::size_t i = 0; i < m_toRead.size(); i += 2) {
                Placed &first = m_toRead[i];
                if (i + 1 < m_toRead.size())
                    first.range.high = std::move(m_toRead[i + 1].range.high);
                halved.push_back(std::move(first));
            }
            m_toRead = std::move(halved);
            recount();
        }
    }

    // Reads the gathered ranges of both tables, in the order records pair in, and compares their
    // records.
    void readGathered()
    {
        if (m_toRead.empty())
            return;
        sortGathered();
        std::vector<KeyRange> ranges;
        ranges.reserve(m_toRead.size());
        for (Placed &placed : m_toRead)
            ranges.push_back(std::move(placed.range));
        m_toRead.clear();
        m_rowsToRead = 0;
        m_cost = 0;
        const std::unique_ptr<TableReader> reader1 = m_one.read(ranges);
        const std::unique_ptr<TableReader> reader2 = m_two.read(ranges);
        reader1->open();
        reader2->open();
        m_merge.merge(*reader1, *reader2);
        m_progress.read1 = m_merge.rows1();
        m_progress.read2 = m_merge.rows2();
        tell();
    }

    RangeSource &m_one;
    RangeSource &m_two;
    RangeOrder m_order;
    KeyMerge m_merge;
    const ChecksumReport &m_report;
    ChecksumProgress m_progress;
    UncheckedStretches m_unchecked;
    std::vector<Placed> m_toRead;
    long long m_rowsToRead = 0;
    std::size_t m_cost = 0;
};

} // namespace

ComparisonOutcome walkRanges(RangeSource &one, RangeSource &two, RangeOrder order,
    const Comparison &comparison, FindingSink &findings, const ChecksumReport &report)
{
    return RangeWalk(one, two, order, comparison, findings, report).run();
}

ComparisonOutcome walkRanges(RangeSource &one, RangeSource &two, RangeOrder order,
    const Comparison &comparison, LineSink &lines, const ChecksumReport &report)
{
    const std::unique_ptr<FindingSink> writer
        = lineWriter(comparison.format, comparison.byKey->key, comparison.table2, lines);
    return walkRanges(one, two, order, comparison, *writer, report);
}

} // namespace kestrune
