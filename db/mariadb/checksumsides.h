#pragma once

#include "db/mariadb/clientconnection.h"
#include "db/mariadb/tableranges.h"
#include "engine/comparetables.h"
#include "engine/rangewalk.h"

#include <memory>
#include <stdexcept>

namespace kestrune {

// --checksum cannot work on these tables or servers; what() says why.
class ChecksumRefused : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Two tables paired by key, ready to be walked by ranges.
struct ChecksumSides {
    std::unique_ptr<TableRanges> one;
    std::unique_ptr<TableRanges> two;
    RangeOrder order = RangeOrder::Pairing;
};

// Readies them on their connections, each of which from then on reads in a read-only snapshot
// of its own, taken here: the queries are those of a comparison by key, their conditions the
// user's. The rows' hashes are keyed by a secret drawn after both snapshots are taken, so no row
// they read can have been made to match another's hash. Throws PairingError for a key that a
// table holds unique by no index, or holds NULL; ChecksumRefused for a server without the
// functions the figures need; and what the servers throw.
// With `fast`, the figures are CRCs of the rows' texts (fastRangeFiguresSql()).
ChecksumSides prepareChecksums(ClientConnection &connection1, const TableQuery &query1,
    ClientConnection &connection2, const TableQuery &query2, const Comparison &comparison,
    bool fast = false);

} // namespace kestrune
