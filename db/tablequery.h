#pragma once

#include <string>
#include <string_view>

namespace kestrune {

// The query that reads a whole table. The name is quoted as an identifier, so a name with a blank,
// a reserved word or a backquote reads that table and nothing else.
inline std::string selectAllFrom(std::string_view table)
{
    std::string sql = "select * from `";
    for (char c : table) {
        sql += c;
        if (c == '`')
            sql += '`';
    }
    sql += '`';
    return sql;
}

} // namespace kestrune
