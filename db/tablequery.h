#pragma once

#include <cstdint>
#include <string>
#include <string_view>
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

// A name quoted as an identifier, so a name with a blank, a reserved word or a backquote names
// that table or column and nothing else.
inline std::string quotedName(std::string_view name)
{
    std::string quoted = "`";
    for (char c : name) {
        quoted += c;
        if (c == '`')
            quoted += '`';
    }
    quoted += '`';
    return quoted;
}

// The user's condition after `keyword` ("where", "and"), or nothing when there is none. It ends
// on a line of its own, so a comment that ends the condition leaves the rest of the query be.
inline std::string conditionSql(std::string_view keyword, const std::string &condition)
{
    if (condition.empty())
        return {};
    return " " + std::string(keyword) + " (" + condition + "\n)";
}

// The query's SQL: "select * from `table`", then its condition and its order.
inline std::string selectSql(const TableQuery &query)
{
    std::string sql
        = "select * from " + quotedName(query.table) + conditionSql("where", query.condition);
    for (std::size_t i = 0; i < query.orderBy.size(); ++i) {
        const OrderColumn &column = query.orderBy[i];
        sql += i == 0 ? " order by " : ", ";
        if (column.order == KeyOrder::Utf8Bytes)
            sql += "cast(convert(" + quotedName(column.name) + " using utf8mb4) as binary)";
        else
            sql += quotedName(column.name);
    }
    return sql;
}

} // namespace kestrune
