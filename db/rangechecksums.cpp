#include "db/rangechecksums.h"

#include "db/tablequery.h"

namespace kestrune {

RangeChecksums::RangeChecksums(ClientConnection &connection, std::string table,
    const std::string &keyColumn, std::string checksum, std::string condition)
    : m_connection(connection)
    , m_table(std::move(table))
    , m_key(quotedName(keyColumn))
    , m_checksum(std::move(checksum))
    , m_condition(std::move(condition))
{
}

std::optional<KeyRange> RangeChecksums::keys()
{
    const std::string sql = "select min(" + m_key + "),max(" + m_key + ") from "
        + quotedName(m_table) + conditionSql("where", m_condition);
    const auto rows = m_connection.textRows(sql);
    if (rows.size() != 1 || rows[0].size() != 2 || !rows[0][0])
        return std::nullopt;
    return KeyRange { ClientConnection::integerOf(rows[0][0]),
        ClientConnection::integerOf(rows[0][1]) + 1 };
}

std::vector<BucketFigures> RangeChecksums::buckets(
    const std::vector<KeyRange> &ranges, KeyNumber width)
{
    const std::string bucket = m_key + " div " + keyNumberText(width);
    const std::string sql = "select " + bucket + ",count(*),bit_xor(" + m_checksum + ") from "
        + quotedName(m_table) + " where " + rowsIn(ranges) + " group by " + bucket;
    std::vector<BucketFigures> figures;
    for (const auto &row : m_connection.textRows(sql)) {
        const KeyNumber checksum = ClientConnection::integerOf(row.at(2));
        figures.push_back({ ClientConnection::integerOf(row.at(0)),
            static_cast<long long>(ClientConnection::integerOf(row.at(1))),
            static_cast<std::uint64_t>(checksum) });
    }
    return figures;
}

std::string RangeChecksums::rowsIn(const std::vector<KeyRange> &ranges) const
{
    std::string sql = "(";
    for (std::size_t i = 0; i < ranges.size(); ++i) {
        if (i > 0)
            sql += " or ";
        sql += m_key + ">=" + keyNumberText(ranges[i].low) + " and " + m_key + "<"
            + keyNumberText(ranges[i].high);
    }
    return sql + ")" + conditionSql("and", m_condition);
}

} // namespace kestrune
