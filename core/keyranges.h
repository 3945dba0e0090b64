#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kestrune {

// An integer key's value, signed or unsigned 64-bit, with room for a range's end past either.
__extension__ using KeyNumber = __int128;

std::string keyNumberText(KeyNumber number);
// The decimal text a server gives for an integer; throws std::invalid_argument for another.
KeyNumber parseKeyNumber(std::string_view text);

// The keys from `low` up to but not including `high`.
struct KeyRange {
    KeyNumber low;
    KeyNumber high;
};

// The keys the server's `key DIV width` puts in one bucket. DIV truncates toward zero, so bucket
// 0 reaches as far below zero as above it, and every other bucket is `width` keys.
KeyRange bucketRange(KeyNumber bucket, KeyNumber width);

// What a server counts of a bucket's rows: how many, and the exclusive or of their checksums.
struct BucketFigures {
    KeyNumber bucket;
    long long rows;
    std::uint64_t checksum;
};

// Part of a checked range whose figures differ between the servers, with the more rows the two
// counted in its bucket (a bound: a bucket may hold several parts).
struct DifferingRange {
    KeyRange range;
    long long rows;
};

// The parts of the checked ranges (ascending, apart) whose buckets of `width` differ between the
// two servers' figures, in key order. The figures may come in any order.
std::vector<DifferingRange> differingRanges(const std::vector<KeyRange> &checked,
    KeyNumber width, std::vector<BucketFigures> figures1, std::vector<BucketFigures> figures2);

} // namespace kestrune
