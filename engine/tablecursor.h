#pragma once

#include "core/tablereader.h"
#include "engine/comparetables.h"

namespace kestrune {

// One table's current rowset and how far into it the comparison has got.
struct Cursor {
    TableReader &reader;
    Table rows;
    std::size_t at = 0;
    long long read = 0; // rows of every rowset so far
    bool more = true;

    // The next rowset once this one is used up; false when the table has ended.
    bool refill()
    {
        while (more && at == rows.rowCount()) {
            more = reader.next(rows);
            at = 0;
            read += static_cast<long long>(rows.rowCount());
        }
        return at < rows.rowCount();
    }
};

// Progress told often enough to watch, seldom enough to cost nothing.
class ProgressReport {
public:
    ProgressReport(const ReadProgress &progress, const Cursor &one, const Cursor &two)
        : m_progress(progress)
        , m_one(one)
        , m_two(two)
    {
    }

    void operator()(bool always = false)
    {
        const long long read = m_one.read + m_two.read;
        if (!m_progress || (!always && read - m_reported < 16384))
            return;
        m_reported = read;
        m_progress(
            m_one.read, m_one.reader.expectedRows(), m_two.read, m_two.reader.expectedRows());
    }

private:
    const ReadProgress &m_progress;
    const Cursor &m_one;
    const Cursor &m_two;
    long long m_reported = 0;
};

} // namespace kestrune
