#pragma once

#include "core/comparisonlines.h"

#include <cstddef>
#include <string>

namespace kestrune {

// A comparison's lines as the results file holds them, kept until the run has succeeded: the
// first few megabytes in memory, the rest in an unlinked temporary file in $TMPDIR (or /tmp), so a
// run with millions of lines stays small and a failed run leaves nothing behind.
class SpooledLines final : public LineSink {
public:
    explicit SpooledLines(std::size_t memoryBytes = std::size_t(4) << 20);
    ~SpooledLines();
    SpooledLines(const SpooledLines &) = delete;
    SpooledLines &operator=(const SpooledLines &) = delete;

    void appendFieldDifference(std::string_view line) override;
    void appendAddedDeleted(std::string_view line) override;

    bool empty() const { return m_lines == 0; }
    // Writes every line, in order, to the descriptor. Throws std::system_error on a failed write,
    // and CommandError when the temporary file fails.
    void writeTo(int fd);

private:
    void append(std::string_view line);
    void spill();

    std::size_t m_memoryBytes;
    std::string m_buffer;
    int m_spill = -1; // the temporary file, once memory is full
    std::size_t m_lines = 0;
};

} // namespace kestrune
