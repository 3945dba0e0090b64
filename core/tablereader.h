#pragma once

#include "core/value.h"

namespace kestrune {

// One table's rows, read a rowset at a time in the order the server returns them. The values land
// in column batches of the same kinds, texts and NULLs whichever way the table is read.
class TableReader {
public:
    virtual ~TableReader() = default;

    // Returns once the table's query has run, or throws what it failed with. Called once, before
    // next().
    virtual void open() = 0;
    // Replaces `rows` with the next rowset (its columns described even when it has no rows);
    // false once no rows are left. The texts of a rowset may stay where the reader keeps them:
    // they last until the next call.
    virtual bool next(Table &rows) = 0;
    // How many rows the table holds: exact, the server's estimate, or -1 when not known.
    virtual long long expectedRows() const = 0;
};

} // namespace kestrune
