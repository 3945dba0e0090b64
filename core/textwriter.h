#pragma once

#include "core/findingsink.h"

namespace kestrune {

// The lines the results file holds: Record 3,Field "city" has changed from "Lyon" to "LYON";
// Record id=43 deleted from T2.
class TextWriter final : public FindingSink {
public:
    TextWriter(std::vector<KeyColumn> key, std::string table2Name, LineSink &lines);

    void changed(const Table &rows1, std::size_t row1, const Table &rows2, std::size_t row2,
        const ColumnPair &column, std::size_t record) override;
    void deleted(const Table &rows1, std::size_t row) override;
    void added(const Table &rows2, std::size_t row) override;

private:
    void appendRecord(const Table &rows, std::size_t row, bool first, std::size_t numbered);
    void appendValue(const Cell &cell);
    void surplus(const Table &rows, std::size_t row, bool first, const char *what);

    std::vector<KeyColumn> m_key; // none: records are told by number
    std::string m_table2Name;
    LineSink &m_lines;
    std::string m_line; // reused, so millions of lines allocate only as their storage grows
};

} // namespace kestrune
