#include "core/textwriter.h"

#include "core/keytext.h"
#include "core/valuetext.h"

namespace kestrune {

TextWriter::TextWriter(std::vector<KeyColumn> key, std::string table2Name, LineSink &lines)
    : m_key(std::move(key))
    , m_table2Name(std::move(table2Name))
    , m_lines(lines)
{
}

// "Record 3" for the record numbered so from 0, or "Record id=42".
void TextWriter::appendRecord(const Table &rows, std::size_t row, bool first, std::size_t numbered)
{
    m_line += "Record ";
    if (!m_key.empty()) {
        appendKeyText(m_line, rows, row, m_key, first);
        return;
    }
    appendRecordNumber(m_line, numbered);
}

// Quoted, or a bare NULL.
void TextWriter::appendValue(const Cell &cell)
{
    if (cell.null) {
        m_line += "NULL";
        return;
    }
    m_line += '"';
    appendCellText(m_line, cell);
    m_line += '"';
}

void TextWriter::changed(const Table &rows1, std::size_t row1, const Table &rows2, std::size_t row2,
    const ColumnPair &column, std::size_t record)
{
    const Column &column1 = rows1.columns[column.first];
    m_line.clear();
    appendRecord(rows1, row1, true, record);
    m_line += ",Field \"";
    m_line += column1.name();
    m_line += "\" has changed from ";
    appendValue(column1.cell(row1));
    m_line += " to ";
    appendValue(rows2.columns[column.second].cell(row2));
    m_lines.appendFieldDifference(m_line);
}

void TextWriter::surplus(const Table &rows, std::size_t row, bool first, const char *what)
{
    m_line.clear();
    appendRecord(rows, row, first, row);
    m_line += what;
    m_line += m_table2Name;
    m_lines.appendAddedDeleted(m_line);
}

void TextWriter::deleted(const Table &rows1, std::size_t row)
{
    surplus(rows1, row, true, " deleted from ");
}

void TextWriter::added(const Table &rows2, std::size_t row)
{
    surplus(rows2, row, false, " added from ");
}

} // namespace kestrune
