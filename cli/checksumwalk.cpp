#include "cli/checksumwalk.h"

#include "db/streamedtablereader.h"

#include <algorithm>

namespace kestrune::checksumwalk {

ComparisonOutcome Walked::outcome() const
{
    ComparisonOutcome outcome;
    outcome.counts = merge.counts();
    outcome.rows1 = merge.rows1();
    outcome.rows2 = merge.rows2();
    return outcome;
}

double secondsSince(std::chrono::steady_clock::time_point started)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
}

void readInto(Walked &walked, const Side &one, std::string condition1, const Side &two,
    std::string condition2)
{
    TableQuery query1 = one.query;
    TableQuery query2 = two.query;
    query1.condition = std::move(condition1);
    query2.condition = std::move(condition2);
    StreamedTableReader reader1(one.connection, std::move(query1));
    StreamedTableReader reader2(two.connection, std::move(query2));
    reader1.open();
    reader2.open();
    walked.merge.merge(reader1, reader2);
    walked.progress.read1 = walked.merge.rows1();
    walked.progress.read2 = walked.merge.rows2();
    walked.tell();
}

long long nextStretchRows(long long stretchRows, long long rows, double seconds)
{
    const double pace = static_cast<double>(std::max(rows, 1LL)) / std::max(seconds, 1e-3);
    return std::clamp(static_cast<long long>(pace * checkSeconds), 4096LL,
        std::min(mostStretchRows, std::max(stretchRows, 1024LL) * 4));
}

} // namespace kestrune::checksumwalk
