#include "cli/progress.h"

namespace kestrune {

ReadingProgress::ReadingProgress(std::ostream &terminal, std::string table1, std::string table2)
    : m_terminal(terminal)
    , m_tables { std::move(table1), std::move(table2) }
{
}

ReadingProgress::~ReadingProgress()
{
    if (m_shown > 0)
        draw(std::string());
}

void ReadingProgress::show(int table, long long rowsRead, long long rowCount)
{
    auto now = std::chrono::steady_clock::now();
    if (m_shown > 0 && now - m_drawn < std::chrono::milliseconds(100))
        return;
    m_drawn = now;
    draw("Reading " + m_tables[table == 1 ? 0 : 1] + ": " + std::to_string(rowsRead) + " of "
        + std::to_string(rowCount) + " rows");
}

// Overwrites the line shown before; an empty text erases it.
void ReadingProgress::draw(const std::string &text)
{
    std::string line = '\r' + text;
    if (text.size() < m_shown)
        line.append(m_shown - text.size(), ' ');
    if (text.empty())
        line += '\r';
    m_terminal << line << std::flush;
    m_shown = text.size();
}

} // namespace kestrune
