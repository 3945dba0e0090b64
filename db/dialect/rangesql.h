#pragma once

#include "db/dialect/keysql.h"
#include "engine/keyvalue.h"

#include <string>
#include <vector>

// The statements of a table's ranges of its key (see TableRanges). Ranges are ascending and
// apart; `condition` is the user's, empty for every row.
namespace kestrune::rangesql {

// Which bucket each range is: a key's bucket is how many of the ranges' bounds are at or below it.
struct Buckets {
    std::vector<const KeyValue *> bounds;
    std::vector<long long> ofRange;
};
Buckets bucketsOf(const std::vector<KeyRange> &ranges);
// Each bucket's range, by its place among the ranges; -1 for a bucket between them.
std::vector<long long> rangeOfBuckets(const Buckets &buckets);

// A condition that holds for the rows of the ranges the user's condition selects.
std::string within(const std::vector<KeyColumnSql> &key, const std::vector<KeyRange> &ranges,
    const std::string &condition);
// What one range adds to within().
std::size_t rangeBytes(const std::vector<KeyColumnSql> &key, const KeyRange &range);

// Rows of n, then the key's columns: from `from` on (none: the lowest key), the rows n = 1,
// 1 + step, ... up to `limit`, and n = limit + 1.
std::string keysFrom(const std::string &table, const std::vector<KeyColumnSql> &key,
    const KeyValue *from, long long step, long long limit, const std::string &condition);
// Rows of n, then the key's columns: from `from` on, the first key (n = 0) and the one `offset`
// rows after it (n = 1), where the table has them.
std::string keysAt(const std::string &table, const std::vector<KeyColumnSql> &key,
    const KeyValue *from, long long offset, const std::string &condition);
// Rows of a bucket, then the key's columns: inside each range, its first key and every step-th.
std::string keysWithin(const std::string &table, const std::vector<KeyColumnSql> &key,
    const std::vector<KeyRange> &ranges, const Buckets &buckets, long long step,
    const std::string &condition);
// Rows of the numbers of `figures` (rangeFiguresSql()), then a bucket, one a bucket that holds
// rows.
std::string figures(const std::string &table, const std::vector<KeyColumnSql> &key,
    const std::vector<KeyRange> &ranges, const Buckets &buckets, const std::string &figures,
    const std::string &condition);

} // namespace kestrune::rangesql
