#include "compare/engine.h"

#include "compare/valuecompare.h"
#include "compare/valuetext.h"

#include <algorithm>
#include <charconv>
#include <string>

namespace kestrune {

namespace {

void appendRecordNumber(std::string &line, std::size_t row)
{
    char digits[24];
    std::to_chars_result result = std::to_chars(digits, digits + sizeof digits, row + 1);
    line += "Record ";
    line.append(digits, result.ptr);
}

void appendQuotedOrNull(std::string &line, const Cell &cell)
{
    if (cell.null) {
        line += "NULL";
        return;
    }
    line += '"';
    appendCellText(line, cell);
    line += '"';
}

void appendSurplusLine(std::string &line, std::size_t row, std::string_view verb,
    std::string_view table2Name, TextLines &out)
{
    line.clear();
    appendRecordNumber(line, row);
    line += verb;
    line += table2Name;
    out.append(line);
}

} // namespace

void compareTables(
    const Table &table1, const Table &table2, std::string_view table2Name, ComparisonLines &out)
{
    const std::size_t columns = std::min(table1.columns.size(), table2.columns.size());
    const std::size_t rows1 = table1.rowCount();
    const std::size_t rows2 = table2.rowCount();

    // One buffer for every line, so a run with millions of differences allocates only as the
    // lines' storage grows.
    std::string line;
    for (std::size_t r = 0; r < rows1; ++r) {
        if (r >= rows2) {
            appendSurplusLine(line, r, " deleted from ", table2Name, out.addedDeleted);
            continue;
        }
        for (std::size_t c = 0; c < columns; ++c) {
            const Column &column1 = table1.columns[c];
            Cell old = column1.cell(r);
            Cell now = table2.columns[c].cell(r);
            if (!cellsDiffer(old, now))
                continue;
            line.clear();
            appendRecordNumber(line, r);
            line += ",Field \"";
            line += column1.name();
            line += "\" has changed from ";
            appendQuotedOrNull(line, old);
            line += " to ";
            appendQuotedOrNull(line, now);
            out.fieldDifferences.append(line);
        }
    }
    for (std::size_t r = rows1; r < rows2; ++r)
        appendSurplusLine(line, r, " added from ", table2Name, out.addedDeleted);
}

} // namespace kestrune
