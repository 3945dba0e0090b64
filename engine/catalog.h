#pragma once

#include "core/value.h"

#include <string>
#include <vector>

namespace kestrune {

// What a server tells of a table before any of its rows is read.
class Catalog {
public:
    virtual ~Catalog() = default;

    // The columns reading the whole table gives.
    virtual std::vector<ColumnShape> describe(const std::string &table) = 0;
    // The primary key's columns in the key's order; none when the table has no primary key.
    virtual std::vector<std::string> primaryKey(const std::string &table) = 0;
    // The columns of each unique index, the primary key among them.
    virtual std::vector<std::vector<std::string>> uniqueIndexes(const std::string &table) = 0;
};

} // namespace kestrune
