#pragma once

#include "core/keypairing.h"
#include "engine/catalog.h"
#include "engine/tablequery.h"

#include <string>
#include <vector>

namespace kestrune {

// A comparison by key, planned before any row is read: how the records and columns pair, and
// what each table is read with, so that both servers give their rows in the order the merge
// compares keys in.
struct KeyMode {
    KeyPairing pairing;
    TableQuery query1;
    TableQuery query2;
};

// Plans it from both tables' columns. The key names match either table's columns whatever their
// case; "PRIMARY" alone names table 1's primary key. Throws PairingError for a key the tables do
// not share, and what the servers throw.
KeyMode planKeyMode(Catalog &catalog1, const std::string &table1, Catalog &catalog2,
    const std::string &table2, const std::vector<std::string> &keyNames);

// Throws PairingError unless one of the table's unique indexes is made of the key's columns, as
// what `needs` names (an option) needs: a key that repeats would be told in ranges that are read
// and missed in those that are not, and a statement by it would touch several records.
void checkKeyIsUnique(Catalog &catalog, const std::string &table, const std::vector<KeyColumn> &key,
    const std::string &needs);

} // namespace kestrune
