#pragma once

#include "core/comparisonlines.h"
#include "db/dialect/syncscript.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace kestrune {

// A comparison's lines as the results file holds them, kept until the run has succeeded. Each list
// keeps its first few megabytes in memory and the rest in an unlinked temporary file of its own in
// $TMPDIR (or /tmp), so a run with millions of lines stays small, the lines may come in any order,
// and a failed run leaves nothing behind. A script's statements are kept in three lists alike.
class SpooledLines final : public LineSink, public StatementSink {
public:
    // Each line ends as its format has it: CR LF for text, LF for JSON. memoryBytes is the limit of
    // each list.
    explicit SpooledLines(
        LineFormat format = LineFormat::Text, std::size_t memoryBytes = std::size_t(4) << 20);

    void appendFieldDifference(std::string_view line) override;
    void appendAddedDeleted(std::string_view line) override;
    void appendDelete(std::string_view statement) override;
    void appendUpdate(std::string_view statement) override;
    void appendInsert(std::string_view statement) override;

    bool empty() const
    {
        return m_deletes.empty() && m_fieldDifferences.empty() && m_addedDeleted.empty();
    }
    // Writes every field difference, then every added and deleted record (or a script's deletes,
    // updates and inserts), each list in the order its lines came, to the descriptor. Throws
    // std::system_error on a failed write, and CommandError when a temporary file fails.
    void writeTo(int fd);

private:
    // One list: in memory up to the limit, then in its temporary file.
    class Spool {
    public:
        Spool(std::string_view lineEnd, std::size_t memoryBytes);
        ~Spool();
        Spool(const Spool &) = delete;
        Spool &operator=(const Spool &) = delete;

        void append(std::string_view line);
        bool empty() const { return m_empty; }
        void writeTo(int fd);

    private:
        void spill();

        std::string_view m_lineEnd;
        std::size_t m_memoryBytes;
        std::string m_buffer;
        int m_file = -1; // the temporary file, once memory is full
        bool m_empty = true;
    };

    Spool m_deletes;
    Spool m_fieldDifferences; // or updates
    Spool m_addedDeleted; // or inserts
};

} // namespace kestrune
