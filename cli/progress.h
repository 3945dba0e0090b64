#pragma once

#include "engine/rangewalk.h"

#include <chrono>
#include <ostream>
#include <string>

namespace kestrune {

// Rows read of each table, against how many it is expected to hold where that is known, on one
// line of a terminal: redrawn at most ten times a second, and erased when this goes.
class ReadingProgress {
public:
    ReadingProgress(std::ostream &terminal, std::string table1, std::string table2);
    ~ReadingProgress();
    ReadingProgress(const ReadingProgress &) = delete;
    ReadingProgress &operator=(const ReadingProgress &) = delete;

    // An expected count of -1 means not known.
    void show(long long read1, long long expected1, long long read2, long long expected2);
    // The ranges checked by checksums, those that differed, and the rows read of those.
    void showChecks(const ChecksumProgress &now);

private:
    bool due();
    void draw(const std::string &text);

    std::ostream &m_terminal;
    std::string m_tables[2];
    std::string::size_type m_shown = 0;
    std::chrono::steady_clock::time_point m_drawn;
};

} // namespace kestrune
