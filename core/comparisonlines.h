#pragma once

#include "core/textlines.h"

#include <string_view>

namespace kestrune {

// How a comparison's lines are written: for people, as the results file holds them, one JSON
// object a line for programs, or as statements that make table 2 equal to table 1 (which need
// to know table 2: see SyncScriptWriter).
enum class LineFormat { Text, Json, Sql };

// How many lines of each kind a comparison gave.
struct DifferenceCounts {
    long long fieldDifferences = 0;
    long long recordsDiffering = 0; // paired records with at least one field difference
    long long added = 0;
    long long deleted = 0;
};

// Where a comparison's lines go as they are found: the field differences during the paired scan,
// then the records only one table has.
class LineSink {
public:
    virtual void appendFieldDifference(std::string_view line) = 0;
    virtual void appendAddedDeleted(std::string_view line) = 0;

protected:
    ~LineSink() = default;
};

// Both lists of lines kept in memory, as the results page shows them.
struct ComparisonLines final : LineSink {
    TextLines fieldDifferences;
    TextLines addedDeleted;

    void appendFieldDifference(std::string_view line) override { fieldDifferences.append(line); }
    void appendAddedDeleted(std::string_view line) override { addedDeleted.append(line); }
};

} // namespace kestrune
