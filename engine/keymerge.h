#pragma once

#include "core/recordcomparer.h"

#include "engine/comparetables.h"

namespace kestrune {

// The columns a pairing by key compares, beside its key: those the two tables share by name and
// the choice takes.
std::vector<ColumnPair> chosenColumns(const KeyPairing &pairing, const ColumnChoice &choice);

// Two tables' records paired by key, merged one stretch after another: each stretch is a reader
// of each table, and every key of a stretch comes after every key of the stretches before it. The
// lines are those one merge of the whole tables would give.
class KeyMerge {
public:
    // `comparison` pairs by key.
    KeyMerge(const Comparison &comparison, FindingSink &findings);

    // Reads both opened readers to their end. A key that repeats, is NULL or arrives out of order
    // throws PairingError.
    void merge(TableReader &table1, TableReader &table2, const ReadProgress &progress = {});

    const DifferenceCounts &counts() const { return m_comparer.counts(); }
    long long rows1() const { return m_rows1; }
    long long rows2() const { return m_rows2; }

private:
    const Comparison &m_comparison;
    RecordComparer m_comparer;
    long long m_rows1 = 0;
    long long m_rows2 = 0;
};

} // namespace kestrune
