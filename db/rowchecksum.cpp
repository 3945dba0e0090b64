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
// widened (its own text rounds to six digits), a text in UTF-8 and a byte string as it is.
std::string valueText(const ChecksumColumn &column)
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
    case ColumnKind::Text:
        // Converting costs the server more than the rest of the checksum: a column already in
        // utf8mb4 is taken as it is.
        value = column.characterSet == "utf8mb4" ? name : "convert(" + name + " using utf8mb4)";
        break;
    default:
        value = name;
        break;
    }
    return value;
}

bool holdsBytes(const ChecksumColumn &column)
{
    return column.kind == ColumnKind::Text || column.kind == ColumnKind::Bytes;
}

} // namespace

std::string rowChecksumSql(const std::vector<ChecksumColumn> &columns)
{
    // First a letter a column for the form of its values, so that a column paired with one of
    // another form (whose text "5" the comparison may tell from an INT 5) makes every row differ.
    // Then the values joined by '#', then the length in bytes of each text and byte string, whose
    // own bytes may hold a '#': read from the end, the lengths (digits, or N for NULL) tell where
    // each value ends, so no two rows have one text.
    std::string forms;
    for (const ChecksumColumn &column : columns)
        forms += static_cast<char>('a' + static_cast<int>(form(column.kind)));
    std::string row = "concat_ws('#','" + forms + "'";
    for (const ChecksumColumn &column : columns)
        row += ",ifnull(" + valueText(column) + ",'N')";
    for (const ChecksumColumn &column : columns) {
        if (holdsBytes(column))
            row += ",ifnull(length(" + valueText(column) + "),'N')";
    }
    row += ")";
    // Two CRCs of the row's text make 64 bits, but an exclusive or of CRCs is itself a CRC of the
    // texts' exclusive or: two rows that swap a value would cancel out. Multiplying each by an odd
    // constant (within 64 bits, which the server does not let overflow) carries bits across and
    // breaks that.
    // Building the text is most of the server's work, so it is built once, into a session
    // variable that both CRCs read. The order is CASE's own: its condition, which sets the
    // variable, is evaluated before its result (the operands of '^' have no order the server
    // keeps). The text is never '' (it starts with the forms), so the condition always holds.
    const std::string rowText = "@kestrune_row";
    return "case when (" + rowText + ":=" + row + ")<>'' then ((crc32(" + rowText
        + ")*2654435761)^(crc32c(" + rowText + ")*2246822519)) end";
}

} // namespace kestrune
