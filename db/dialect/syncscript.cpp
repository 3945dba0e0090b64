#include "db/dialect/syncscript.h"

#include "core/valuetext.h"
#include "db/dialect/sqltext.h"

#include <algorithm>
#include <charconv>

namespace kestrune {

namespace {

// Within the script's own sql_mode, which leaves backslashes escaping: a text stays on its line.
void appendQuoted(std::string &out, std::string_view text)
{
    out += '\'';
    for (char c : text) {
        switch (c) {
        case '\'':
            out += "\\'";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\0':
            out += "\\0";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\x1a':
            out += "\\Z";
            break;
        default:
            out += c;
        }
    }
    out += '\'';
}

// With an exponent the server reads a DOUBLE, not a DECIMAL, and the shortest digits that give
// this double back. A FLOAT's double is exactly its value, which the column then holds exactly.
void appendFloating(std::string &out, double value)
{
    char buffer[32];
    const std::to_chars_result result
        = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific);
    out.append(buffer, result.ptr);
}

void appendLiteral(std::string &out, const Cell &cell)
{
    if (cell.null) {
        out += "NULL";
        return;
    }
    switch (cell.kind) {
    case ColumnKind::Float:
    case ColumnKind::Double:
        appendFloating(out, cell.floating);
        return;
    case ColumnKind::Text:
        appendQuoted(out, cell.bytes);
        return;
    case ColumnKind::Bytes:
        out += hexLiteral(cell.bytes);
        return;
    case ColumnKind::Date:
    case ColumnKind::DateTime:
    case ColumnKind::Time:
        out += '\'';
        appendCellText(out, cell);
        out += '\'';
        return;
    default: // an integer, a BIT's number, a decimal's digits
        appendCellText(out, cell);
        return;
    }
}

// "(1,'a')" of the row's cells at the places, or "1" for one.
void appendTuple(
    std::string &out, const Table &rows, std::size_t row, const std::vector<std::size_t> &places)
{
    if (places.size() > 1)
        out += '(';
    for (std::size_t i = 0; i < places.size(); ++i) {
        if (i > 0)
            out += ',';
        appendLiteral(out, rows.columns[places[i]].cell(row));
    }
    if (places.size() > 1)
        out += ')';
}

} // namespace

SyncScriptWriter::SyncScriptWriter(ScriptTarget target, StatementSink &statements)
    : m_target(std::move(target))
    , m_statements(statements)
{
    for (const KeyColumn &column : m_target.key)
        m_keyPlaces.push_back(column.second);
    const bool several = m_keyPlaces.size() > 1;
    m_deleteHead = "DELETE FROM " + m_target.table + (several ? " WHERE (" : " WHERE ");
    for (std::size_t i = 0; i < m_keyPlaces.size(); ++i)
        m_deleteHead += (i > 0 ? "," : "") + m_target.names.at(m_keyPlaces[i]);
    m_deleteHead += several ? ") IN (" : " IN (";
    m_insertHead = "INSERT INTO " + m_target.table + " (";
    for (std::size_t i = 0; i < m_target.inserted.size(); ++i)
        m_insertHead += (i > 0 ? "," : "") + m_target.names.at(m_target.inserted[i].second);
    m_insertHead += ") VALUES ";
}

void SyncScriptWriter::changed(const Table &rows1, std::size_t row1, const Table &rows2,
    std::size_t row2, const ColumnPair &column, std::size_t record)
{
    if (!m_update.empty() && record != m_updateRecord)
        endUpdate();
    if (m_target.generated.at(column.second))
        return;
    if (m_update.empty()) {
        m_updateRecord = record;
        m_update = "UPDATE " + m_target.table + " SET ";
        m_where = " WHERE ";
        for (std::size_t i = 0; i < m_keyPlaces.size(); ++i) {
            const std::size_t place = m_keyPlaces[i];
            if (i > 0)
                m_where += " AND ";
            m_where += m_target.names.at(place) + "=";
            appendLiteral(m_where, rows2.columns[place].cell(row2));
        }
    } else {
        m_update += ',';
    }
    m_update += m_target.names.at(column.second) + "=";
    appendLiteral(m_update, rows1.columns[column.first].cell(row1));
    m_updated.push_back(column.second);
}

void SyncScriptWriter::added(const Table &rows2, std::size_t row)
{
    endUpdate();
    m_delete += m_delete.empty() ? m_deleteHead : ",";
    appendTuple(m_delete, rows2, row, m_keyPlaces);
    if (m_delete.size() >= m_target.statementBytes)
        end(m_delete, ");", &StatementSink::appendDelete);
}

void SyncScriptWriter::deleted(const Table &rows1, std::size_t row)
{
    endUpdate();
    m_insert += m_insert.empty() ? m_insertHead : ",";
    m_insert += '(';
    for (std::size_t i = 0; i < m_target.inserted.size(); ++i) {
        if (i > 0)
            m_insert += ',';
        appendLiteral(m_insert, rows1.columns[m_target.inserted[i].first].cell(row));
    }
    m_insert += ')';
    if (m_insert.size() >= m_target.statementBytes)
        end(m_insert, ";", &StatementSink::appendInsert);
}

void SyncScriptWriter::finish()
{
    endUpdate();
    end(m_delete, ");", &StatementSink::appendDelete);
    end(m_insert, ";", &StatementSink::appendInsert);
}

void SyncScriptWriter::endUpdate()
{
    if (m_update.empty())
        return;
    // A column set to what it holds keeps it.
    for (std::size_t place = 0; place < m_target.setOnUpdate.size(); ++place) {
        if (m_target.setOnUpdate[place]
            && std::find(m_updated.begin(), m_updated.end(), place) == m_updated.end())
            m_update += "," + m_target.names[place] + "=" + m_target.names[place];
    }
    m_updated.clear();
    m_update += m_where;
    m_update += ';';
    m_statements.appendUpdate(m_update);
    m_update.clear();
}

void SyncScriptWriter::end(
    std::string &statement, std::string_view close, void (StatementSink::*append)(std::string_view))
{
    if (statement.empty())
        return;
    statement += close;
    (m_statements.*append)(statement);
    statement.clear();
}

std::string scriptOpening()
{
    // Backquoted names mean the same under any mode. A mode of its own leaves backslashes
    // escaping, keeps zero dates and a zero in an AUTO_INCREMENT column, and fails a value the
    // column cannot hold rather than cut it. TIMESTAMPs are written in UTC, as they are read.
    return "SET NAMES utf8mb4;\n"
           "SET SESSION sql_mode='STRICT_ALL_TABLES,NO_AUTO_VALUE_ON_ZERO';\n"
           "SET SESSION time_zone='+00:00';\n"
           "START TRANSACTION;\n";
}

std::string scriptClosing() { return "COMMIT;\n"; }

} // namespace kestrune
