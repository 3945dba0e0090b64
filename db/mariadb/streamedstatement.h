#pragma once

#include "core/value.h"
#include "db/mariadb/clientconnection.h"
#include "db/mariadb/columnplan.h"

#include <mysql.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kestrune {

// One statement's result on a client connection, fetched unbuffered in the binary protocol a
// rowset at a time, every value as the ODBC reader gives it. The connection runs nothing else
// until the statement is gone.
class StreamedStatement {
public:
    explicit StreamedStatement(ClientConnection &connection);
    StreamedStatement(const StreamedStatement &) = delete;
    StreamedStatement &operator=(const StreamedStatement &) = delete;

    // Prepares and runs the statement, and binds its result. Called once.
    void execute(const std::string &sql);
    const std::vector<ColumnPlan> &columns() const { return m_columns; }
    // How many rows a rowset holds at most: fewer for a wide result.
    std::size_t rowsetRows() const { return m_rowsetRows; }
    // Appends rows to `rows` until the rowset is full; false once no rows are left.
    bool fill(Table &rows);

private:
    std::size_t appendRow(Table &rows, std::size_t row, bool truncated);
    std::string_view wholeValue(std::size_t column, unsigned long length);

    // What appendRow() reads of a column's bound cell, and where it puts the slots and null flags
    // of a fixed-width kind until the rowset is full: they then go into the column with a copy
    // each instead of a call a cell.
    struct Bound {
        Copy copy;
        const char *cell;
        unsigned long width;
        const my_bool *null;
        const unsigned long *length;
        std::uint64_t *slots; // none for texts, decimals and byte strings
        std::uint8_t *nulls;
    };

    ClientConnection &m_connection;
    StatementHandle m_statement;
    std::vector<ColumnPlan> m_columns;
    std::vector<MYSQL_BIND> m_binds;
    std::unique_ptr<std::uint64_t[]> m_row; // every bound cell, 8-byte aligned
    std::vector<unsigned long> m_lengths;
    std::vector<my_bool> m_nulls;
    std::vector<my_bool> m_truncated;
    std::vector<Bound> m_bound;
    std::unique_ptr<std::uint64_t[]> m_stagedSlots;
    std::unique_ptr<std::uint8_t[]> m_stagedNulls;
    std::size_t m_rowsetRows;
    std::vector<char> m_longValue;
};

} // namespace kestrune
