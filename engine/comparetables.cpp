#include "engine/comparetables.h"

#include "core/recordcomparer.h"
#include "engine/keymerge.h"
#include "engine/tablecursor.h"

#include <algorithm>
#include <new>
#include <stdexcept>
#include <string_view>
#include <vector>

namespace kestrune {

namespace {

DifferenceCounts compareByPosition(Cursor &one, Cursor &two, const Comparison &comparison,
    FindingSink &findings, ProgressReport &report)
{
    const Table &first = one.rows;
    RecordComparer comparer(
        chosenPairs(pairByPosition(first.columns.size(), two.rows.columns.size()),
            comparison.columns,
            [&](std::size_t c) -> std::string_view { return first.columns[c].name(); }),
        findings);
    // Rowsets of the two tables need not be of one size: each is compared as far as the other
    // reaches.
    while (one.refill() && two.refill()) {
        const std::size_t count
            = std::min(one.rows.rowCount() - one.at, two.rows.rowCount() - two.at);
        comparer.compare(one.rows, one.at, two.rows, two.at, count);
        one.at += count;
        two.at += count;
        report();
    }
    // The rest of the longer table is only counted.
    for (Cursor *rest : { &one, &two }) {
        while (rest->refill()) {
            rest->at = rest->rows.rowCount();
            report();
        }
    }
    report(true);
    comparer.finish(static_cast<std::size_t>(one.read), static_cast<std::size_t>(two.read));
    return comparer.counts();
}

} // namespace

ComparisonOutcome compareTables(TableReader &table1, TableReader &table2,
    const Comparison &comparison, LineSink &lines, const ReadProgress &progress)
{
    const std::unique_ptr<FindingSink> writer = lineWriter(comparison.format,
        comparison.byKey ? comparison.byKey->key : std::vector<KeyColumn> {}, comparison.table2,
        lines);
    return compareTables(table1, table2, comparison, *writer, progress);
}

ComparisonOutcome compareTables(TableReader &table1, TableReader &table2,
    const Comparison &comparison, FindingSink &findings, const ReadProgress &progress)
{
    try {
        table1.open();
        table2.open();
        ComparisonOutcome outcome;
        if (!comparison.byKey) {
            Cursor one { table1, {} };
            Cursor two { table2, {} };
            ProgressReport report(progress, one, two);
            if (!one.refill())
                outcome.empty = EmptyTable::First;
            else if (!two.refill())
                outcome.empty = EmptyTable::Second;
            else
                outcome.counts = compareByPosition(one, two, comparison, findings, report);
            outcome.rows1 = one.read;
            outcome.rows2 = two.read;
        } else {
            KeyMerge merge(comparison, findings);
            merge.merge(table1, table2, progress);
            outcome.counts = merge.counts();
            outcome.rows1 = merge.rows1();
            outcome.rows2 = merge.rows2();
        }
        return outcome;
    } catch (const std::bad_alloc &) {
        // Unwinding has freed what the run held, so the program carries on; say it in words.
        throw std::runtime_error("Out of memory");
    }
}

} // namespace kestrune
