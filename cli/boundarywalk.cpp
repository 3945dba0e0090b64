#include "cli/boundarywalk.h"

#include "db/atonce.h"
#include "db/boundarychecksums.h"

#include <algorithm>
#include <chrono>
#include <limits>
#include <optional>

namespace kestrune::checksumwalk {

namespace {

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
        , m_walked { KeyMerge(comparison, lines), report }
    {
    }

    ComparisonOutcome run()
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
            if (m_unchecked.skip()) {
                toRead({ bounds.front(), bounds.back() });
                continue;
            }

            long long rows = 0;
            std::vector<Differing> differing = check(ranges, rows);
            const double seconds = secondsSince(started);
            m_unchecked.checked(differing, rows);
            narrow(std::move(differing), rows);
            stretchRows = nextStretchRows(stretchRows, rows, seconds);
        }
        readRanges();
        return m_walked.outcome();
    }

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
        m_walked.progress.checked += static_cast<long long>(ranges.size());
        m_walked.progress.differing += static_cast<long long>(differing.size());
        m_walked.tell();
        return differing;
    }

    // Splits the ranges that differ at values table 1 holds in them until each is small enough
    // to read, and gathers those.
    void narrow(std::vector<Differing> differing, long long checkedRows)
    {
        while (!differing.empty()) {
            std::vector<Differing> large;
            for (Differing &range : differing) {
                if (range.rows <= leafRows)
                    toRead(std::move(range.range));
                else
                    large.push_back(std::move(range));
            }
            // Where most rows differ, checking again costs more than reading them.
            if (rowsOf(large) * 2 > checkedRows) {
                for (Differing &range : large)
                    toRead(std::move(range.range));
                return;
            }
            std::vector<BoundedRange> finer;
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
        readInto(
            m_walked, m_one, m_checksums1.rowsIn(m_toRead), m_two, m_checksums2.rowsIn(m_toRead));
    }

    const Side &m_one;
    const Side &m_two;
    BoundaryChecksums m_checksums1;
    BoundaryChecksums m_checksums2;
    bool m_ordersAlike;
    Walked m_walked;
    UncheckedStretches m_unchecked;
    std::vector<BoundedRange> m_toRead;
};

} // namespace

ComparisonOutcome walkBoundedKey(const Side &one, const Side &two, const Comparison &comparison,
    LineSink &lines, const ChecksumReport &report)
{
    return BoundaryWalk(one, two, comparison, lines, report).run();
}

} // namespace kestrune::checksumwalk
