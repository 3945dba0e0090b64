#pragma once

#include "core/keypairing.h"
#include "core/value.h"

#include <string>
#include <vector>

namespace kestrune {

// Appends a record's key as lines tell it: `name=value` a key column, one blank between them,
// numbers bare and every other value in double quotes. The row is table 1's when `first`, else
// table 2's; the names are table 1's either way.
void appendKeyText(std::string &out, const Table &rows, std::size_t row,
    const std::vector<KeyColumn> &key, bool first);

// A record told by its place from 0 instead, as lines count records from 1.
void appendRecordNumber(std::string &out, std::size_t numbered);

// The same key as a JSON object of strings by column name: {"id":"42","region":"EU"}.
void appendKeyJson(std::string &out, const Table &rows, std::size_t row,
    const std::vector<KeyColumn> &key, bool first);

} // namespace kestrune
