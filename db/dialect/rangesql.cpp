#include "db/dialect/rangesql.h"

#include "db/dialect/rowhash.h"
#include "db/dialect/sqltext.h"

namespace kestrune::rangesql {

namespace {

// The bucket, from `low` to `high`, of a key known to lie between those buckets: a search through
// the bounds, so each row costs the server a comparison a halving.
std::string bucketOf(
    const std::vector<KeyColumnSql> &key, const Buckets &buckets, std::size_t low, std::size_t high)
{
    if (low == high)
        return std::to_string(low);
    const std::size_t middle = (low + high) / 2;
    return "case when " + keyOperand(key) + "<" + keyLiteral(key, *buckets.bounds[middle])
        + " then " + bucketOf(key, buckets, low, middle) + " else "
        + bucketOf(key, buckets, middle + 1, high) + " end";
}

// The key's columns as k0, k1, ... and what they are compared by as o0, o1, ...
std::string keyColumns(const std::vector<KeyColumnSql> &key)
{
    std::string sql;
    for (std::size_t i = 0; i < key.size(); ++i)
        sql += (i == 0 ? "" : ",") + key[i].column + " k" + std::to_string(i) + ","
            + key[i].compared + " o" + std::to_string(i);
    return sql;
}

std::string numbered(const std::vector<KeyColumnSql> &key, const char *prefix, bool leadingComma)
{
    std::string sql;
    for (std::size_t i = 0; i < key.size(); ++i)
        sql += (i == 0 && !leadingComma ? "" : ",") + std::string(prefix) + std::to_string(i);
    return sql;
}

} // namespace

Buckets bucketsOf(const std::vector<KeyRange> &ranges)
{
    Buckets buckets;
    for (const KeyRange &range : ranges) {
        if (range.low && (buckets.bounds.empty() || !(*buckets.bounds.back() == *range.low)))
            buckets.bounds.push_back(&*range.low);
        buckets.ofRange.push_back(range.low ? static_cast<long long>(buckets.bounds.size()) : 0);
        if (range.high)
            buckets.bounds.push_back(&*range.high);
    }
    return buckets;
}

std::vector<long long> rangeOfBuckets(const Buckets &buckets)
{
    std::vector<long long> rangeOf(buckets.bounds.size() + 1, -1);
    for (std::size_t i = 0; i < buckets.ofRange.size(); ++i)
        rangeOf.at(static_cast<std::size_t>(buckets.ofRange[i])) = static_cast<long long>(i);
    return rangeOf;
}

std::string within(const std::vector<KeyColumnSql> &key, const std::vector<KeyRange> &ranges,
    const std::string &condition)
{
    std::string sql;
    for (std::size_t i = 0; i < ranges.size();) {
        // Neighbours as one.
        std::size_t last = i;
        while (last + 1 < ranges.size() && ranges[last].high && ranges[last + 1].low
            && *ranges[last].high == *ranges[last + 1].low)
            ++last;
        std::string part;
        if (ranges[i].low)
            part = keyAtLeast(key, *ranges[i].low);
        if (ranges[last].high)
            part += (part.empty() ? "" : " and ") + keyBelow(key, *ranges[last].high);
        if (part.empty())
            return "(true)" + conditionSql("and", condition);
        sql += (sql.empty() ? "(" : " or (") + part + ")";
        i = last + 1;
    }
    return "(" + sql + ")" + conditionSql("and", condition);
}

std::size_t rangeBytes(const std::vector<KeyColumnSql> &key, const KeyRange &range)
{
    std::size_t bytes = 16;
    if (range.low)
        bytes += keyAtLeast(key, *range.low).size();
    if (range.high)
        bytes += keyBelow(key, *range.high).size();
    return bytes;
}

std::string keysFrom(const std::string &table, const std::vector<KeyColumnSql> &key,
    const KeyValue *from, long long step, long long limit, const std::string &condition)
{
    const std::string order = numbered(key, "o", false);
    const std::string columns = numbered(key, "k", true);
    const std::string keys = "select " + keyColumns(key) + " from " + quotedName(table) + " where "
        + (from ? keyAtLeast(key, *from) : std::string("true")) + conditionSql("and", condition)
        + " order by " + order + " limit " + std::to_string(limit + 1);
    return "select n" + columns + " from (select row_number() over (order by " + order + ") n"
        + columns + " from (" + keys + ") r) x where (n-1) mod " + std::to_string(step)
        + "=0 or n=" + std::to_string(limit + 1) + " order by n";
}

std::string keysAt(const std::string &table, const std::vector<KeyColumnSql> &key,
    const KeyValue *from, long long offset, const std::string &condition)
{
    const std::string keys = "select " + keyColumns(key) + " from " + quotedName(table) + " where "
        + (from ? keyAtLeast(key, *from) : std::string("true")) + conditionSql("and", condition)
        + " order by " + numbered(key, "o", false) + " limit ";
    return "select 0 n" + numbered(key, "k", true) + " from (" + keys + "1) f union all select 1"
        + numbered(key, "k", true) + " from (" + keys + std::to_string(offset) + ",1) l";
}

std::string keysWithin(const std::string &table, const std::vector<KeyColumnSql> &key,
    const std::vector<KeyRange> &ranges, const Buckets &buckets, long long step,
    const std::string &condition)
{
    const std::string columns = numbered(key, "k", true);
    const std::string inner = "select " + bucketOf(key, buckets, 0, buckets.bounds.size()) + " b,"
        + keyColumns(key) + " from " + quotedName(table) + " where "
        + within(key, ranges, condition);
    return "select b" + columns + " from (select b" + columns
        + ",row_number() over (partition by b order by " + numbered(key, "o", false) + ") n from ("
        + inner + ") r) x where (n-1) mod " + std::to_string(step) + "=0 order by b,n";
}

std::string figures(const std::string &table, const std::vector<KeyColumnSql> &key,
    const std::vector<KeyRange> &ranges, const Buckets &buckets, const std::string &figures,
    const std::string &condition)
{
    // Grouped by place: a column of the table may be named as the bucket is.
    return "select " + figures + "," + bucketOf(key, buckets, 0, buckets.bounds.size()) + " b from "
        + quotedName(table) + " where " + within(key, ranges, condition) + " group by "
        + std::to_string(rangeFigureCount + 1);
}

} // namespace kestrune::rangesql
