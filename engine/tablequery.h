#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kestrune {

// How the server is to order a table by one of its columns so that its order is the program's.
enum class KeyOrder : std::uint8_t {
    AsStored, // numbers, dates, times and byte strings: by value, so an index serves
    Utf8Bytes, // texts: by the bytes of their UTF-8 form, whatever the column's collation
};

struct OrderColumn {
    std::string name;
    KeyOrder order = KeyOrder::AsStored;
};

// What a reader reads: every column of one table, its rows all or those the condition selects
// (SQL as the user wrote it), ordered by the given columns, or in whatever order the server
// returns them when none are given.
struct TableQuery {
    std::string table;
    std::vector<OrderColumn> orderBy = {};
    std::string condition = {}; // empty: every row
};

} // namespace kestrune
