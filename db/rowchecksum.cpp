#include "db/rowchecksum.h"

#include "db/tablequery.h"

namespace kestrune {

namespace {

// A value's text, in bytes, led by a letter for the kinds whose texts the comparison reads alike;
// NULL is a letter no value starts with. Texts and byte strings give their length first, so no
// value's bytes can pass for a column boundary.
std::string valueSql(const ColumnShape &column)
{
    const std::string name = quotedName(column.name);
    std::string value;
    switch (column.kind) {
    case ColumnKind::Integer:
    case ColumnKind::Unsigned:
        value = "concat('i'," + name + ")";
        break;
    case ColumnKind::Bit:
        value = "concat('b'," + name + "+0)";
        break;
    case ColumnKind::Decimal:
        value = "concat('d'," + name + ")";
        break;
    case ColumnKind::Float:
        // A FLOAT's own text rounds to six digits; widened, its text keeps every bit.
        value = "concat('f',cast(" + name + " as double))";
        break;
    case ColumnKind::Double:
        value = "concat('f'," + name + ")";
        break;
    case ColumnKind::Text:
        value = "concat('t',char_length(" + name + "),':',cast(convert(" + name
            + " using utf8mb4) as binary))";
        break;
    case ColumnKind::Bytes:
        value = "concat('x',length(" + name + "),':'," + name + ")";
        break;
    case ColumnKind::Date:
        value = "concat('D'," + name + ")";
        break;
    case ColumnKind::Time:
        value = "concat('T'," + name + ")";
        break;
    case ColumnKind::DateTime:
        value = "concat('S'," + name + ")";
        break;
    }
    return "ifnull(" + value + ",'N')";
}

} // namespace

std::string rowChecksumSql(
    const std::vector<ColumnShape> &columns, const std::vector<std::size_t> &places)
{
    std::string row = "concat_ws('#'";
    for (std::size_t place : places)
        row += "," + valueSql(columns[place]);
    row += ")";
    // Two CRCs of the row's text make 64 bits, but an exclusive or of CRCs is itself a CRC of the
    // texts' exclusive or: two rows that swap a value would cancel out. Multiplying each by an odd
    // constant (within 64 bits, which the server does not let overflow) carries bits across and
    // breaks that.
    return "((crc32(" + row + ")*2654435761)^(crc32c(" + row + ")*2246822519))";
}

} // namespace kestrune
