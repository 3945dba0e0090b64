#include "db/dialect/rowhash.h"

#include "db/dialect/sqltext.h"
#include "db/mariadb/clientconnection.h"

namespace kestrune {

namespace {

ColumnKind form(ColumnKind kind)
{
    if (kind == ColumnKind::Unsigned)
        return ColumnKind::Integer;
    if (kind == ColumnKind::Float)
        return ColumnKind::Double;
    return kind;
}

// A value's text in bytes: an integer, decimal, date or time as the server writes it, a FLOAT
// widened (its own text rounds to six digits), a text in UTF-8 and a byte string as it is.
std::string valueText(const HashedColumn &column)
{
    std::string name = quotedName(column.name);
    switch (column.kind) {
    case ColumnKind::Bit:
        return name + "+0";
    case ColumnKind::Float:
        return "cast(" + name + " as double)";
    case ColumnKind::Text:
        // Converting costs the server more than the rest of the hash: a column already in
        // utf8mb4 is taken as it is.
        return column.characterSet == "utf8mb4" ? name : "convert(" + name + " using utf8mb4)";
    default:
        return name;
    }
}

bool holdsBytes(const HashedColumn &column)
{
    return !column.hashedAlone
        && (column.kind == ColumnKind::Text || column.kind == ColumnKind::Bytes);
}

constexpr std::string_view variable = "@kestrune_row";

} // namespace

std::string rowHashSql(const std::vector<HashedColumn> &columns, std::string_view secret)
{
    // SHA-256 costs the server less than its MD5 (measured: a third of the figures' time).
    return "unhex(left(sha2(" + rowTextSql(columns, secret) + ",256),32))";
}

std::string rowTextSql(const std::vector<HashedColumn> &columns, std::string_view secret)
{
    // The secret first; then a letter a column for the form of its values, so that a column
    // paired with one of another form (whose text "5" the comparison may tell from an INT 5)
    // makes every row differ; then the values, each after a '#'; then the length in bytes of
    // each text and byte string, whose own bytes may hold a '#': read from the end, the lengths
    // (digits, or N for NULL) tell where each value ends, so no two rows have one text. CONCAT,
    // not CONCAT_WS: a part the server cannot build (longer than its packet) makes the whole
    // text NULL, which the figures count, where CONCAT_WS would leave the part out.
    std::string forms;
    for (const HashedColumn &column : columns) {
        const char letter = static_cast<char>('a' + static_cast<int>(form(column.kind)));
        forms += column.hashedAlone ? static_cast<char>(letter - 'a' + 'A') : letter;
    }
    std::string row = "concat('" + std::string(secret) + forms + "'";
    for (const HashedColumn &column : columns) {
        const std::string name = quotedName(column.name);
        const std::string value
            = column.hashedAlone ? "sha2(" + valueText(column) + ",256)" : valueText(column);
        row.append(",'#',if(").append(name).append(" is null,'N',").append(value).append(")");
    }
    for (const HashedColumn &column : columns) {
        if (holdsBytes(column))
            row += ",'#',if(" + quotedName(column.name) + " is null,'N',length(" + valueText(column)
                + "))";
    }
    return row + ")";
}

std::string rangeFiguresSql(const std::string &rowHash, bool throughVariable)
{
    // The hash's 128 bits in four CRCs of its halves: a CRC32 and a CRC32C of 8 bytes together
    // tell those bytes apart (their polynomials share no factor), and they cost the server less
    // than turning hexadecimal into numbers.
    const std::string hash = throughVariable ? std::string(variable) : rowHash;
    std::string sql = "count(*),count(";
    sql += throughVariable ? "case when (" + hash + ":=" + rowHash + ") is not null then 1 end"
                           : rowHash;
    sql += ")";
    for (const char *half : { "left", "right" }) {
        for (const char *crc : { "crc32", "crc32c" })
            sql += std::string(",bit_xor(") + crc + "(" + half + "(" + hash + ",8)))";
    }
    return sql;
}

std::string fastRangeFiguresSql(const std::string &rowText, bool throughVariable)
{
    // An exclusive or of CRCs is itself a CRC of the texts' exclusive or: two rows that swap a
    // value would cancel out. Multiplying each by an odd constant (within 64 bits, which the
    // server does not let overflow) carries bits across and breaks that.
    const std::string text = throughVariable ? std::string(variable) : rowText;
    std::string sql = "count(*),count(";
    sql += throughVariable ? "case when (" + text + ":=" + rowText + ") is not null then 1 end"
                           : rowText;
    return sql + "),0,bit_xor((crc32(" + text + ")*2654435761)^(crc32c(" + text
        + ")*2246822519)),0,0";
}

RangeFigures figuresOf(const std::vector<std::optional<std::string>> &row, std::size_t first)
{
    auto number = [&](std::size_t i) {
        return static_cast<std::uint64_t>(ClientConnection::integerOf(row.at(first + i)));
    };
    RangeFigures figures;
    figures.rows = static_cast<long long>(number(0));
    figures.figured = static_cast<long long>(number(1));
    figures.figure = { number(2) << 32 | number(3), number(4) << 32 | number(5) };
    return figures;
}

std::string variableCheckSql()
{
    const std::string hash = "unhex(left(sha2(concat('kestrune',v),256),32))";
    return "select " + rangeFiguresSql(hash, false) + "," + rangeFiguresSql(hash, true)
        + " from (select 'a' v union all select 'b') t group by v<>''";
}

} // namespace kestrune
