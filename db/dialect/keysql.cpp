#include "db/dialect/keysql.h"

#include "db/dialect/sqltext.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace kestrune {

namespace {

bool oneOf(const ColumnDetails *column, std::initializer_list<std::string_view> types)
{
    return column && std::find(types.begin(), types.end(), column->dataType) != types.end();
}

// Texts that compare by their collation alone, as an index holds them; ENUM, SET and the like
// compare otherwise, or by something else in an index.
bool collatedText(const ColumnDetails *column)
{
    return oneOf(column, { "char", "varchar", "tinytext", "text", "mediumtext", "longtext" });
}

bool byteString(const ColumnDetails *column)
{
    return oneOf(column, { "binary", "varbinary", "tinyblob", "blob", "mediumblob", "longblob" });
}

// Kinds whose values compare alike on both sides.
int family(ColumnKind kind)
{
    if (kind == ColumnKind::Unsigned || kind == ColumnKind::Bit)
        return static_cast<int>(ColumnKind::Integer);
    return static_cast<int>(kind);
}

std::string valueLiteral(const KeyPart &part)
{
    std::array<char, 64> text {};
    switch (part.kind) {
    case ColumnKind::Integer:
        return std::to_string(static_cast<std::int64_t>(part.slot));
    case ColumnKind::Unsigned:
    case ColumnKind::Bit:
        return std::to_string(part.slot);
    case ColumnKind::Decimal:
        if (part.bytes.empty() || part.bytes.find_first_not_of("-0123456789.") != std::string::npos)
            throw std::runtime_error("The server gave \"" + part.bytes + "\" for a decimal key");
        return part.bytes;
    case ColumnKind::Float:
    case ColumnKind::Double:
        // Seventeen digits read back as the same double; the exponent keeps it a double.
        std::snprintf(text.data(), text.size(), "%.17e", std::bit_cast<double>(part.slot));
        return text.data();
    case ColumnKind::Date: {
        const DateTimeParts p = unpackDateTime(static_cast<std::int64_t>(part.slot));
        std::snprintf(text.data(), text.size(), "'%04d-%02d-%02d'", p.year, p.month, p.day);
        return text.data();
    }
    case ColumnKind::DateTime: {
        const DateTimeParts p = unpackDateTime(static_cast<std::int64_t>(part.slot));
        std::snprintf(text.data(), text.size(), "'%04d-%02d-%02d %02d:%02d:%02d.%06d'", p.year,
            p.month, p.day, p.hour, p.minute, p.second, p.microsecond);
        return text.data();
    }
    case ColumnKind::Time: {
        const auto micros = static_cast<std::int64_t>(part.slot);
        const long long whole = std::llabs(micros);
        std::snprintf(text.data(), text.size(), "'%s%lld:%02lld:%02lld.%06lld'",
            micros < 0 ? "-" : "", whole / 3600000000LL, whole / 60000000LL % 60,
            whole / 1000000LL % 60, whole % 1000000LL);
        return text.data();
    }
    case ColumnKind::Text:
    case ColumnKind::Bytes:
        return hexLiteral(part.bytes);
    }
    return {};
}

std::string literalOf(const KeyColumnSql &column, const KeyPart &part)
{
    switch (column.literal) {
    case KeyColumnSql::Literal::Collated: {
        // The server gave it in UTF-8 from this very character set, so it converts back whole.
        const std::string utf8 = "_utf8mb4 " + hexLiteral(part.bytes);
        if (column.characterSet == "utf8mb4")
            return "(" + utf8 + " collate " + column.collation + ")";
        return "(convert(" + utf8 + " using " + column.characterSet + ") collate "
            + column.collation + ")";
    }
    case KeyColumnSql::Literal::Utf8Bytes:
        return hexLiteral(part.bytes);
    case KeyColumnSql::Literal::Value:
        break;
    }
    return valueLiteral(part);
}

// "e1 OP1 l1 or (e1 = l1 and ...)", down to the last column's `last` comparison.
std::string lexicographic(const std::vector<KeyColumnSql> &key, const KeyValue &value,
    const char *before, const char *last)
{
    std::string sql;
    for (std::size_t i = key.size(); i-- > 0;) {
        const std::string e = key[i].compared;
        const std::string l = literalOf(key[i], value.at(i));
        std::string part = e;
        if (i + 1 == key.size()) {
            part += last;
            part += l;
        } else {
            part.insert(0, "(");
            part.append(before).append(l).append(" or (").append(e).append("=").append(l);
            part.append(" and ").append(sql).append("))");
        }
        sql = std::move(part);
    }
    return sql;
}

} // namespace

KeySql keySql(const std::vector<KeyColumn> &key, const std::vector<ColumnShape> &shapes1,
    const std::vector<ColumnDetails> &details1, const std::vector<ColumnShape> &shapes2,
    const std::vector<ColumnDetails> &details2)
{
    KeySql sql;
    for (const KeyColumn &column : key) {
        const ColumnShape &shape1 = shapes1.at(column.first);
        const ColumnShape &shape2 = shapes2.at(column.second);
        const ColumnDetails *one = detailsNamed(details1, shape1.name);
        const ColumnDetails *two = detailsNamed(details2, shape2.name);
        KeyColumnSql column1 { quotedName(shape1.name), quotedName(shape1.name) };
        KeyColumnSql column2 { quotedName(shape2.name), quotedName(shape2.name) };
        const bool texts = shape1.kind == ColumnKind::Text || shape2.kind == ColumnKind::Text
            || shape1.kind == ColumnKind::Bytes || shape2.kind == ColumnKind::Bytes;
        if (texts) {
            if (collatedText(one) && collatedText(two) && one->characterSet == two->characterSet
                && one->collation == two->collation) {
                for (KeyColumnSql *c : { &column1, &column2 }) {
                    c->literal = KeyColumnSql::Literal::Collated;
                    c->characterSet = one->characterSet;
                    c->collation = one->collation;
                }
                // Ranges in the collation's order, which is not the UTF-8 bytes'.
                sql.pairingOrder = false;
            } else if (!(byteString(one) && byteString(two))) {
                auto bytes = [](KeyColumnSql &c, ColumnKind kind) {
                    c.literal = KeyColumnSql::Literal::Utf8Bytes;
                    c.compared = kind == ColumnKind::Text
                        ? "cast(convert(" + c.column + " using utf8mb4) as binary)"
                        : "cast(" + c.column + " as binary)";
                };
                bytes(column1, shape1.kind);
                bytes(column2, shape2.kind);
            }
        } else {
            // YEAR(2) compares wrongly with four-digit years (and through its index, with any).
            if (one && one->columnType == "year(2)")
                column1.compared = "year(" + column1.column + ")";
            if (two && two->columnType == "year(2)")
                column2.compared = "year(" + column2.column + ")";
            if (family(shape1.kind) != family(shape2.kind))
                sql.pairingOrder = false;
            for (auto [c, kind] :
                { std::pair { &column1, shape1.kind }, { &column2, shape2.kind } })
                c->wholeNumber = (kind == ColumnKind::Integer || kind == ColumnKind::Unsigned)
                    && c->compared == c->column;
        }
        sql.one.push_back(std::move(column1));
        sql.two.push_back(std::move(column2));
    }
    return sql;
}

std::string keyOperand(const std::vector<KeyColumnSql> &key)
{
    if (key.size() == 1)
        return key.front().compared;
    std::string sql = "(";
    for (std::size_t i = 0; i < key.size(); ++i)
        sql += (i == 0 ? "" : ",") + key[i].compared;
    return sql + ")";
}

std::string keyLiteral(const std::vector<KeyColumnSql> &key, const KeyValue &value)
{
    if (key.size() == 1)
        return literalOf(key.front(), value.at(0));
    std::string sql = "(";
    for (std::size_t i = 0; i < key.size(); ++i)
        sql += (i == 0 ? "" : ",") + literalOf(key[i], value.at(i));
    return sql + ")";
}

std::string keyAtLeast(const std::vector<KeyColumnSql> &key, const KeyValue &value)
{
    return lexicographic(key, value, ">", ">=");
}

std::string keyBelow(const std::vector<KeyColumnSql> &key, const KeyValue &value)
{
    return lexicographic(key, value, "<", "<");
}

} // namespace kestrune
