#pragma once

#include "core/comparetables.h"
#include "db/clientconnection.h"
#include "db/tablequery.h"

#include <functional>

namespace kestrune {

// How far a comparison by checksums has got: the ranges the servers have checked, those whose
// figures differed, and the rows read of each table.
struct ChecksumProgress {
    long long checked = 0;
    long long differing = 0;
    long long read1 = 0;
    long long read2 = 0;
};
using ChecksumReport = std::function<void(const ChecksumProgress &)>;

// Compares two tables paired by key as compareTables() does reading both whole, and gives the
// same lines, but reads only the ranges of the key whose row counts or checksums differ between
// the two servers: each server works out its figures, both at once, and a range that differs is
// split and checked again until what is left is small enough to read. From here on each
// connection runs in a read-only snapshot of its own, taken as this begins. The queries are
// those of a comparison by key (planKeyMode()); their conditions hold inside every range.
//
// Throws PairingError for a key that a table holds unique by no index, or holds NULL, and where
// compareTables() would; CommandError for a server without the functions the checksum needs; and
// what the servers throw.
ComparisonOutcome compareByChecksum(ClientConnection &connection1, const TableQuery &query1,
    ClientConnection &connection2, const TableQuery &query2, const Comparison &comparison,
    LineSink &lines, const ChecksumReport &report = {});

} // namespace kestrune
