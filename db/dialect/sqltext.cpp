#include "db/dialect/sqltext.h"

namespace kestrune {

std::string quotedName(std::string_view name)
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

std::string conditionSql(std::string_view keyword, const std::string &condition)
{
    if (condition.empty())
        return {};
    return " " + std::string(keyword) + " (" + condition + "\n)";
}

namespace {

std::string orderedColumnSql(const OrderColumn &column)
{
    if (column.order == KeyOrder::Utf8Bytes)
        return "cast(convert(" + quotedName(column.name) + " using utf8mb4) as binary)";
    return quotedName(column.name);
}

} // namespace

std::string selectSql(const TableQuery &query)
{
    std::string sql
        = "select * from " + quotedName(query.table) + conditionSql("where", query.condition);
    for (std::size_t i = 0; i < query.orderBy.size(); ++i)
        sql += (i == 0 ? " order by " : ", ") + orderedColumnSql(query.orderBy[i]);
    return sql;
}

std::string hexLiteral(std::string_view bytes)
{
    static constexpr char digits[] = "0123456789abcdef";
    std::string hex = "x'";
    hex.reserve(bytes.size() * 2 + 3);
    for (unsigned char c : bytes) {
        hex += digits[c >> 4];
        hex += digits[c & 15];
    }
    return hex + "'";
}

} // namespace kestrune
