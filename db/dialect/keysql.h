#pragma once

#include "core/keypairing.h"
#include "db/mariadb/clientconnection.h"
#include "engine/keyvalue.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kestrune {

// One key column of one table as its ranges are bounded in SQL: the expression the bounds are
// compared with and sorted by, and how a bound (a value of table 1's column) is written so that
// it compares as that expression does.
struct KeyColumnSql {
    enum class Literal : std::uint8_t {
        Value, // a number, date, time or byte string: by value, so the index serves
        Collated, // a text in the column's character set and collation: so the index serves
        Utf8Bytes, // the bytes of the value's UTF-8 form, against the expression's
    };
    std::string column; // the column's quoted name
    std::string compared;
    Literal literal = Literal::Value;
    std::string characterSet = {}; // of a collated text
    std::string collation = {};
    // An integer compared as it is: as many rows as its values apart are every value between.
    bool wholeNumber = false;
};

// Both tables' key columns, and whether a key falls in the same range in both with ranges in the
// order records pair in (else ranges are bounded otherwise, or may hold a key in one table that
// the other holds in another).
struct KeySql {
    std::vector<KeyColumnSql> one;
    std::vector<KeyColumnSql> two;
    bool pairingOrder = true;
};

// How the key's columns are bounded: a text column of the same character set and collation in
// both tables by that collation, any other text (another collation, ENUM, SET) by the bytes of
// its UTF-8 form, a two-digit YEAR by its whole year, and every other kind by value.
KeySql keySql(const std::vector<KeyColumn> &key, const std::vector<ColumnShape> &shapes1,
    const std::vector<ColumnDetails> &details1, const std::vector<ColumnShape> &shapes2,
    const std::vector<ColumnDetails> &details2);

// The key's columns as one operand: "e" for one column, "(e1,e2)" for several; and a value of
// it, as the columns compare it.
std::string keyOperand(const std::vector<KeyColumnSql> &key);
std::string keyLiteral(const std::vector<KeyColumnSql> &key, const KeyValue &value);
// "key >= value" and "key < value" in a form whose first column an index serves.
std::string keyAtLeast(const std::vector<KeyColumnSql> &key, const KeyValue &value);
std::string keyBelow(const std::vector<KeyColumnSql> &key, const KeyValue &value);

} // namespace kestrune
