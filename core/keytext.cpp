#include "core/keytext.h"

#include "core/jsontext.h"
#include "core/valuetext.h"

#include <charconv>

namespace kestrune {

void appendKeyText(std::string &out, const Table &rows, std::size_t row,
    const std::vector<KeyColumn> &key, bool first)
{
    for (std::size_t k = 0; k < key.size(); ++k) {
        if (k > 0)
            out += ' ';
        out += key[k].name;
        out += '=';
        const Cell cell = rows.columns[first ? key[k].first : key[k].second].cell(row);
        if (cell.null) {
            out += "NULL";
            continue;
        }
        const bool quoted = !isNumber(cell.kind);
        if (quoted)
            out += '"';
        appendCellText(out, cell);
        if (quoted)
            out += '"';
    }
}

void appendRecordNumber(std::string &out, std::size_t numbered)
{
    char digits[24];
    const std::to_chars_result result = std::to_chars(digits, digits + sizeof digits, numbered + 1);
    out.append(digits, result.ptr);
}

void appendKeyJson(std::string &out, const Table &rows, std::size_t row,
    const std::vector<KeyColumn> &key, bool first)
{
    std::string text;
    out += '{';
    for (std::size_t k = 0; k < key.size(); ++k) {
        if (k > 0)
            out += ',';
        appendJsonString(out, key[k].name);
        out += ':';
        appendCellJson(out, rows.columns[first ? key[k].first : key[k].second].cell(row), text);
    }
    out += '}';
}

} // namespace kestrune
