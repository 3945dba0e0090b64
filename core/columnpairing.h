#pragma once

#include "core/value.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrune {

// A column of table 1 and the column of table 2 it is compared with, by their places.
struct ColumnPair {
    std::size_t first;
    std::size_t second;
};

// Whether two column names are one, as the server matches names: whatever their case.
bool sameColumnName(std::string_view a, std::string_view b);

// The place of the column with that name, if the columns have one.
std::optional<std::size_t> findColumn(
    const std::vector<ColumnShape> &columns, std::string_view name);

// Which of the paired columns are compared: every one, only those named, or all but those named.
// Names are table 1's, matched as sameColumnName() matches them.
struct ColumnChoice {
    enum class Rule : std::uint8_t { Every, Only, AllBut };
    Rule rule = Rule::Every;
    std::vector<std::string> names = {};

    bool takes(std::string_view name) const;
};

// The pairs whose column of table 1 the choice takes, in their order.
template <typename NameOf>
std::vector<ColumnPair> chosenPairs(
    std::vector<ColumnPair> pairs, const ColumnChoice &choice, NameOf nameInTable1)
{
    std::erase_if(
        pairs, [&](const ColumnPair &pair) { return !choice.takes(nameInTable1(pair.first)); });
    return pairs;
}

// The first name the choice gives that neither table's columns have.
std::optional<std::string> unknownColumn(const ColumnChoice &choice,
    const std::vector<ColumnShape> &columns1, const std::vector<ColumnShape> &columns2);

// The columns of both tables paired by position, as many as the narrower table has.
std::vector<ColumnPair> pairByPosition(std::size_t columns1, std::size_t columns2);

// The columns of both tables paired by name, in table 1's order, and those only one table has.
struct NamedPairs {
    std::vector<ColumnPair> pairs;
    std::vector<std::size_t> onlyInFirst;
    std::vector<std::size_t> onlyInSecond;
};
NamedPairs pairByName(
    const std::vector<ColumnShape> &columns1, const std::vector<ColumnShape> &columns2);

} // namespace kestrune
