#pragma once

#include "core/findingsink.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kestrune {

// Where a script's statements go: each list keeps the order its statements come in, and the
// script is the deletes, then the updates, then the inserts.
class StatementSink {
public:
    virtual void appendDelete(std::string_view statement) = 0;
    virtual void appendUpdate(std::string_view statement) = 0;
    virtual void appendInsert(std::string_view statement) = 0;

protected:
    ~StatementSink() = default;
};

// The table the statements change, table 2, and what of it they may write.
struct ScriptTarget {
    std::string table; // quoted, after its quoted database
    std::vector<KeyColumn> key;
    // Table 2's columns by place: their quoted names, and which the server generates (never
    // written).
    std::vector<std::string> names;
    std::vector<bool> generated;
    // Those an update sets unless told to keep them (ON UPDATE CURRENT_TIMESTAMP).
    std::vector<bool> setOnUpdate;
    // What an inserted record is given: every column both tables share, table 1's place first.
    std::vector<ColumnPair> inserted;
    // A statement grows to about this many bytes, well inside the server's packet.
    std::size_t statementBytes = 1 << 20;
};

// The statements that make table 2 hold table 1's records in every compared column: a record
// only table 2 holds is deleted by its key, one that differs is updated in the columns that
// differ, and one only table 1 holds is inserted whole. Deletes and inserts go many records to
// a statement. Every value is a literal the server reads back as the value table 1 holds.
class SyncScriptWriter final : public FindingSink {
public:
    SyncScriptWriter(ScriptTarget target, StatementSink &statements);

    void changed(const Table &rows1, std::size_t row1, const Table &rows2, std::size_t row2,
        const ColumnPair &column, std::size_t record) override;
    void deleted(const Table &rows1, std::size_t row) override;
    void added(const Table &rows2, std::size_t row) override;
    // Ends the statements still open; after the last finding.
    void finish();

private:
    void endUpdate();
    // Closes a batched statement and hands it on, if it holds a record.
    void end(std::string &statement, std::string_view close,
        void (StatementSink::*append)(std::string_view));

    ScriptTarget m_target;
    StatementSink &m_statements;
    std::string m_update; // "UPDATE ... SET `a`=1,`b`=2", until its record's last field
    std::string m_where; // its " WHERE ..."
    std::size_t m_updateRecord = 0;
    std::vector<std::size_t> m_updated; // table 2's places it sets
    std::vector<std::size_t> m_keyPlaces; // table 2's
    std::string m_deleteHead; // "DELETE FROM ... WHERE `id` IN ("
    std::string m_insertHead; // "INSERT INTO ... (`a`,`b`) VALUES "
    std::string m_delete;
    std::string m_insert;
};

// What the script says before its statements and after them: the session it needs, so that it
// means the same on any server, and one transaction around them, which an error leaves open and
// so undone.
std::string scriptOpening();
std::string scriptClosing();

} // namespace kestrune
