#include "db/boundarychecksums.h"

#include "core/keyranges.h"
#include "db/tablequery.h"

namespace kestrune {

namespace {

std::string hexOf(const std::string &bytes)
{
    static constexpr char digits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(bytes.size() * 2);
    for (unsigned char c : bytes) {
        hex += digits[c >> 4];
        hex += digits[c & 15];
    }
    return hex;
}

} // namespace

BoundaryChecksums::BoundaryChecksums(ClientConnection &connection, std::string table,
    const std::string &keyColumn, ColumnKind kind, std::string checksum, std::string condition,
    const ColumnCollation *collation)
    : m_connection(connection)
    , m_table(std::move(table))
    , m_key(quotedName(keyColumn))
    , m_kind(kind)
    , m_checksum(std::move(checksum))
    , m_condition(std::move(condition))
    , m_characterSet(collation ? collation->characterSet : "")
    , m_collation(collation ? collation->collation : "")
{
}

bool BoundaryChecksums::comparesAs(const BoundaryChecksums &other) const
{
    return m_characterSet == other.m_characterSet && m_collation == other.m_collation;
}

// A value of table 1's column as this column compares it: a text in this column's character set
// and collation (a character it lacks becomes what the server makes of it, still a bound), a
// byte string by its bytes, a number, date or time as its text.
std::string BoundaryChecksums::literal(const std::string &value) const
{
    switch (m_kind) {
    case ColumnKind::Text:
        if (m_characterSet.empty())
            return "_utf8mb4 x'" + hexOf(value) + "'";
        return "convert(_utf8mb4 x'" + hexOf(value) + "' using " + m_characterSet + ") collate "
            + m_collation;
    case ColumnKind::Bytes:
        return "x'" + hexOf(value) + "'";
    case ColumnKind::Date:
    case ColumnKind::Time:
    case ColumnKind::DateTime:
        return "'" + value + "'";
    default:
        return value;
    }
}

std::string BoundaryChecksums::within(const BoundedRange &range) const
{
    std::string sql;
    if (range.low)
        sql += m_key + ">=" + literal(*range.low);
    if (range.high)
        sql += (sql.empty() ? "" : " and ") + m_key + "<" + literal(*range.high);
    return sql.empty() ? "true" : sql;
}

std::vector<std::string> BoundaryChecksums::boundaries(
    const BoundedRange &range, long long step, long long limit)
{
    // A FLOAT's own text is rounded; widened, it is a value of the column.
    const std::string value = m_kind == ColumnKind::Float ? "cast(" + m_key + " as double)" : m_key;
    std::string rows
        = "select " + value + " k from " + quotedName(m_table) + " where " + within(range);
    rows += conditionSql("and", m_condition) + " order by " + m_key + " limit "
        + std::to_string(limit + 1);
    const std::string sql = "select k from (select k, row_number() over (order by k) n from ("
        + rows + ") r) x where n mod " + std::to_string(step)
        + " = 1 or n = " + std::to_string(limit + 1) + " order by n";
    std::vector<std::string> values;
    for (const auto &row : m_connection.textRows(sql))
        values.push_back(row.at(0).value_or(std::string()));
    return values;
}

std::vector<long long> BoundaryChecksums::ranks(const std::vector<std::string> &values)
{
    std::string sql = "select dense_rank() over (order by v) from (";
    for (std::size_t i = 0; i < values.size(); ++i)
        sql += (i == 0 ? "select " : " union all select ") + std::to_string(i) + " i,"
            + literal(values[i]) + " v";
    sql += ") t order by i";
    std::vector<long long> places;
    for (const auto &row : m_connection.textRows(sql))
        places.push_back(static_cast<long long>(ClientConnection::integerOf(row.at(0))));
    return places;
}

std::vector<RangeFigures> BoundaryChecksums::figures(const std::vector<BoundedRange> &ranges)
{
    std::string sql;
    for (std::size_t i = 0; i < ranges.size(); ++i) {
        if (i > 0)
            sql += " union all ";
        sql += "select " + std::to_string(i) + ",count(*),bit_xor(" + m_checksum + ") from "
            + quotedName(m_table) + " where " + within(ranges[i]);
        sql += conditionSql("and", m_condition);
    }
    std::vector<RangeFigures> figures(ranges.size());
    for (const auto &row : m_connection.textRows(sql)) {
        RangeFigures &range
            = figures.at(static_cast<std::size_t>(ClientConnection::integerOf(row.at(0))));
        range.rows = static_cast<long long>(ClientConnection::integerOf(row.at(1)));
        range.checksum = static_cast<std::uint64_t>(ClientConnection::integerOf(row.at(2)));
    }
    return figures;
}

std::string BoundaryChecksums::rowsIn(const std::vector<BoundedRange> &ranges) const
{
    std::string sql = "(";
    for (std::size_t i = 0; i < ranges.size(); ++i)
        sql += (i == 0 ? "(" : " or (") + within(ranges[i]) + ")";
    return sql + ")" + conditionSql("and", m_condition);
}

} // namespace kestrune
