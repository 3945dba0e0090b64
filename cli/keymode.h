#pragma once

#include "core/keypairing.h"
#include "db/clientconnection.h"
#include "db/tablequery.h"

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
KeyMode planKeyMode(ClientConnection &connection1, const std::string &table1,
    ClientConnection &connection2, const std::string &table2,
    const std::vector<std::string> &keyNames);

} // namespace kestrune
