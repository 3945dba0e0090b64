#include "core/keyranges.h"

#include <algorithm>
#include <stdexcept>

namespace kestrune {

std::string keyNumberText(KeyNumber number)
{
    const bool negative = number < 0;
    // Digit by digit from the end, so the lowest number needs no negation that overflows.
    std::string digits;
    do {
        const int digit = static_cast<int>(number % 10);
        digits += static_cast<char>('0' + (negative ? -digit : digit));
        number /= 10;
    } while (number != 0);
    if (negative)
        digits += '-';
    return { digits.rbegin(), digits.rend() };
}

KeyNumber parseKeyNumber(std::string_view text)
{
    const bool negative = !text.empty() && text.front() == '-';
    if (negative)
        text.remove_prefix(1);
    // 39 digits overflow 128 bits; the 20 of a 64-bit number are far inside.
    if (text.empty() || text.size() > 38)
        throw std::invalid_argument("not an integer");
    KeyNumber number = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            throw std::invalid_argument("not an integer");
        number = number * 10 + (c - '0');
    }
    return negative ? -number : number;
}

KeyRange bucketRange(KeyNumber bucket, KeyNumber width)
{
    if (bucket > 0)
        return { bucket * width, (bucket + 1) * width };
    if (bucket < 0)
        return { (bucket - 1) * width + 1, bucket * width + 1 };
    return { -width + 1, width };
}

std::vector<DifferingRange> differingRanges(const std::vector<KeyRange> &checked,
    KeyNumber width, std::vector<BucketFigures> figures1, std::vector<BucketFigures> figures2)
{
    auto byBucket
        = [](const BucketFigures &a, const BucketFigures &b) { return a.bucket < b.bucket; };
    std::sort(figures1.begin(), figures1.end(), byBucket);
    std::sort(figures2.begin(), figures2.end(), byBucket);

    std::vector<DifferingRange> differing;
    auto differs = [&](KeyNumber bucket, long long rows) {
        const KeyRange whole = bucketRange(bucket, width);
        // The checked ranges are few beside the buckets, and a bucket meets only those it spans.
        auto range = std::lower_bound(checked.begin(), checked.end(), whole.low,
            [](const KeyRange &r, KeyNumber low) { return r.high <= low; });
        for (; range != checked.end() && range->low < whole.high; ++range)
            differing.push_back({ { std::max(range->low, whole.low),
                                      std::min(range->high, whole.high) },
                rows });
    };
    auto one = figures1.begin();
    auto two = figures2.begin();
    while (one != figures1.end() || two != figures2.end()) {
        if (two == figures2.end() || (one != figures1.end() && one->bucket < two->bucket)) {
            differs(one->bucket, one->rows);
            ++one;
        } else if (one == figures1.end() || two->bucket < one->bucket) {
            differs(two->bucket, two->rows);
            ++two;
        } else {
            if (one->rows != two->rows || one->checksum != two->checksum)
                differs(one->bucket, std::max(one->rows, two->rows));
            ++one;
            ++two;
        }
    }
    return differing;
}

} // namespace kestrune
