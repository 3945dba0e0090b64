#pragma once

#include <chrono>
#include <ostream>
#include <string>

namespace kestrune {

// Rows read of each table against the count the driver holds, on one line of a terminal: redrawn
// at most ten times a second, and erased when this goes.
class ReadingProgress {
public:
    ReadingProgress(std::ostream &terminal, std::string table1, std::string table2);
    ~ReadingProgress();
    ReadingProgress(const ReadingProgress &) = delete;
    ReadingProgress &operator=(const ReadingProgress &) = delete;

    void show(int table, long long rowsRead, long long rowCount);

private:
    void draw(const std::string &text);

    std::ostream &m_terminal;
    std::string m_tables[2];
    std::string::size_type m_shown = 0;
    std::chrono::steady_clock::time_point m_drawn;
};

} // namespace kestrune
