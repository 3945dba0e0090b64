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

namespace {

std::string rowsOf(const std::string &table, long long read, long long expected)
{
    std::string text = table + ": " + std::to_string(read);
    if (expected >= 0)
        text += " of ~" + std::to_string(expected);
    return text + " rows";
}

} // namespace

void ReadingProgress::show(
    long long read1, long long expected1, long long read2, long long expected2)
{
    if (!due())
        return;
    draw("Reading " + rowsOf(m_tables[0], read1, expected1) + ", "
        + rowsOf(m_tables[1], read2, expected2));
}

void ReadingProgress::showChecks(const ChecksumProgress &now)
{
    if (!due())
        return;
    draw("Checking ranges: " + std::to_string(now.checked) + " checked, "
        + std::to_string(now.differing) + " differ; read " + rowsOf(m_tables[0], now.read1, -1)
        + ", " + rowsOf(m_tables[1], now.read2, -1));
}

// Redrawn at most ten times a second.
bool ReadingProgress::due()
{
    const auto now = std::chrono::steady_clock::now();
    if (m_shown > 0 && now - m_drawn < std::chrono::milliseconds(100))
        return false;
    m_drawn = now;
    return true;
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
