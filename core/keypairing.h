#pragma once

#include "core/columnpairing.h"
#include "core/value.h"

#include <stdexcept>
#include <string>
#include <vector>

namespace kestrune {

// Records that cannot be paired by their key: a key the tables do not share, a key that repeats
// or is NULL, rows that arrive out of the key's order. what() names the table and the key.
class PairingError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A key column: table 1's name for it, and its place in each table.
struct KeyColumn {
    std::string name;
    std::size_t first;
    std::size_t second;
};

// How records pair by key: the key's columns in the order given, and the other columns the two
// tables share by name, in table 1's order. Columns only one table has are not compared.
struct KeyPairing {
    std::vector<KeyColumn> key;
    std::vector<ColumnPair> compared;
    std::vector<std::string> onlyInFirst;
    std::vector<std::string> onlyInSecond;
    std::vector<ColumnShape> columns1; // as described before reading, to hold the rows to
    std::vector<ColumnShape> columns2;
};

// Pairs two tables' columns by name around the key columns named (matched case-insensitively).
// Throws PairingError for a key column either table lacks, one named twice, or one whose kinds
// order differently in the two tables (a number against a text or a date).
KeyPairing planKeyPairing(const std::string &table1, const std::vector<ColumnShape> &columns1,
    const std::string &table2, const std::vector<ColumnShape> &columns2,
    const std::vector<std::string> &keyNames);

} // namespace kestrune
