#include "core/jsonwriter.h"

#include "core/jsontext.h"
#include "core/keytext.h"

namespace kestrune {

JsonWriter::JsonWriter(std::vector<KeyColumn> key, LineSink &lines)
    : m_key(std::move(key))
    , m_lines(lines)
{
}

// 3 for the record numbered so from 0, or {"id":"42"}.
void JsonWriter::appendRecord(const Table &rows, std::size_t row, bool first, std::size_t numbered)
{
    if (!m_key.empty()) {
        appendKeyJson(m_line, rows, row, m_key, first);
        return;
    }
    appendRecordNumber(m_line, numbered);
}

void JsonWriter::changed(const Table &rows1, std::size_t row1, const Table &rows2, std::size_t row2,
    const ColumnPair &column, std::size_t record)
{
    const Column &column1 = rows1.columns[column.first];
    m_line.clear();
    m_line += R"({"kind":"changed","record":)";
    appendRecord(rows1, row1, true, record);
    m_line += R"(,"field":)";
    appendJsonString(m_line, column1.name());
    m_line += R"(,"old":)";
    appendCellJson(m_line, column1.cell(row1), m_text);
    m_line += R"(,"new":)";
    appendCellJson(m_line, rows2.columns[column.second].cell(row2), m_text);
    m_line += '}';
    m_lines.appendFieldDifference(m_line);
}

void JsonWriter::surplus(const Table &rows, std::size_t row, bool first, const char *kind)
{
    m_line.clear();
    m_line += R"({"kind":")";
    m_line += kind;
    m_line += R"(","record":)";
    appendRecord(rows, row, first, row);
    m_line += '}';
    m_lines.appendAddedDeleted(m_line);
}

void JsonWriter::deleted(const Table &rows1, std::size_t row)
{
    surplus(rows1, row, true, "deleted");
}

void JsonWriter::added(const Table &rows2, std::size_t row) { surplus(rows2, row, false, "added"); }

} // namespace kestrune
