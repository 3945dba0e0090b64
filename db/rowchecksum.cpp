#include "db/rowchecksum.h"

#include "db/tablequery.h"

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
// widened (its own text rounds to six digits), a text in UTF-8 and a byte string as it is, both
// led by their length in bytes so that no value's bytes can pass for the end of a column. NULL is a
// letter no value's text is.
std::string valueSql(const ChecksumColumn &column)
{
    const std::string name = quotedName(column.name);
    std::string value;
    switch (column.kind) {
    case ColumnKind::Bit:
        value = name + "+0";
        break;
    case ColumnKind::Float:
        value = "cast(" + name + " as double)";
        break;
    case ColumnKind::Text: {
        // Converting costs the server more than the rest of the checksum; a column already in
        // utf8mb4 only takes the binary collation every text here has. The length is of the
        // UTF-8 bytes, which the server knows without counting characters.
        const std::string text
            = (column.characterSet == "utf8mb4" ? name : "convert(" + name + " using utf8mb4)")
            + " collate utf8mb4_bin";
        value = "concat(length(" + text + "),':'," + text + ")";
        break;
    }
    case ColumnKind::Bytes:
        value = "concat(length(" + name + "),':'," + name + ")";
        break;
    default:
        value = name;
        break;
    }
    if (column.tagged)
        value
            = "concat('" + std::to_string(static_cast<int>(form(column.kind))) + "'," + value + ")";
    return "ifnull(" + value + ",'N')";
}

} // namespace

bool sameChecksumForm(ColumnKind a, ColumnKind b) { return form(a) == form(b); }

std::string rowChecksumSql(const std::vector<ChecksumColumn> &columns)
{
    std::string row = "concat_ws('#'";
    for (const ChecksumColumn &column : columns)
        row += "," + valueSql(column);
    row += ")";
    // Two CRCs of the row's text make 64 bits, but an exclusive or of CRCs is itself a CRC of the
    // texts' exclusive or: two rows that swap a value would cancel out. Multiplying each by an odd
    // constant (within 64 bits, which the server does not let overflow) carries bits across and
    // breaks that.
    return "((crc32(" + row + ")*2654435761)^(crc32c(" + row + ")*2246822519))";
}

} // namespace kestrune
