#pragma once

#include "core/findingsink.h"

namespace kestrune {

// One JSON object a finding, for programs: {"kind":"changed","record":3,"field":"city",
// "old":"Lyon","new":"LYON"}, {"kind":"deleted","record":{"id":"43"}}.
class JsonWriter final : public FindingSink {
public:
    JsonWriter(std::vector<KeyColumn> key, LineSink &lines);

    void changed(const Table &rows1, std::size_t row1, const Table &rows2, std::size_t row2,
        const ColumnPair &column, std::size_t record) override;
    void deleted(const Table &rows1, std::size_t row) override;
    void added(const Table &rows2, std::size_t row) override;

private:
    void appendRecord(const Table &rows, std::size_t row, bool first, std::size_t numbered);
    void surplus(const Table &rows, std::size_t row, bool first, const char *kind);

    std::vector<KeyColumn> m_key; // none: records are told by number
    LineSink &m_lines;
    std::string m_line;
    std::string m_text; // a value's text, before it is escaped
};

} // namespace kestrune
