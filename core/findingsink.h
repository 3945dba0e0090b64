#pragma once

#include "core/columnpairing.h"
#include "core/comparisonlines.h"
#include "core/keypairing.h"
#include "core/value.h"

#include <memory>
#include <string>
#include <vector>

namespace kestrune {

// Where a comparison's findings go, one at a time, each with the records it is about: what to
// write of them is the sink's alone.
class FindingSink {
public:
    virtual ~FindingSink() = default;

    // A field of a paired record whose values differ: row `row1` of `rows1` against `row2` of
    // `rows2`, in the columns of `column`; `record` is the record's place among those compared,
    // from 0.
    virtual void changed(const Table &rows1, std::size_t row1, const Table &rows2, std::size_t row2,
        const ColumnPair &column, std::size_t record)
        = 0;
    // A record only table 1 holds, the whole row; by position `rows1` may hold no rows, and
    // `row` is then only the record's place.
    virtual void deleted(const Table &rows1, std::size_t row) = 0;
    // A record only table 2 holds, likewise.
    virtual void added(const Table &rows2, std::size_t row) = 0;
};

// The lines of the format (text or JSON) that tell the findings, into `lines`: records told by
// their key, or by their number when `key` is empty, and added and deleted records naming table 2.
std::unique_ptr<FindingSink> lineWriter(
    LineFormat format, std::vector<KeyColumn> key, std::string table2Name, LineSink &lines);

} // namespace kestrune
