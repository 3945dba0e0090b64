#include "core/datetime.h"

#include "core/value.h"

#include <stdexcept>
#include <string>

namespace kestrune {

namespace {

// Reads the digits at text[pos...] into value; false when there are none.
bool digitsAt(std::string_view text, std::size_t &pos, int &value, std::size_t maxDigits = 9)
{
    std::size_t start = pos;
    value = 0;
    while (pos < text.size() && pos - start < maxDigits && text[pos] >= '0' && text[pos] <= '9')
        value = value * 10 + (text[pos++] - '0');
    return pos > start;
}

bool expect(std::string_view text, std::size_t &pos, char c)
{
    if (pos < text.size() && text[pos] == c) {
        ++pos;
        return true;
    }
    return false;
}

// ".ffffff" as microseconds; no fraction is 0.
bool fractionAt(std::string_view text, std::size_t &pos, int &microseconds)
{
    microseconds = 0;
    if (!expect(text, pos, '.'))
        return true;
    int digits = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
        if (digits < 6) {
            microseconds = microseconds * 10 + (text[pos] - '0');
            ++digits;
        }
        ++pos;
    }
    for (; digits < 6; ++digits)
        microseconds *= 10;
    return true;
}

[[noreturn]] void unreadable(std::string_view text)
{
    throw std::runtime_error("Unexpected date or time text from the driver: " + std::string(text));
}

} // namespace

std::int64_t parseDateTime(std::string_view text, bool withTime)
{
    DateTimeParts p;
    std::size_t pos = 0;
    bool ok = digitsAt(text, pos, p.year) && expect(text, pos, '-') && digitsAt(text, pos, p.month)
        && expect(text, pos, '-') && digitsAt(text, pos, p.day);
    if (ok && withTime && pos < text.size()) {
        ok = expect(text, pos, ' ') && digitsAt(text, pos, p.hour) && expect(text, pos, ':')
            && digitsAt(text, pos, p.minute) && expect(text, pos, ':')
            && digitsAt(text, pos, p.second) && fractionAt(text, pos, p.microsecond);
    }
    if (!ok || pos != text.size())
        unreadable(text);
    return packDateTime(p);
}

std::int64_t parseTime(std::string_view text)
{
    std::size_t pos = 0;
    bool negative = expect(text, pos, '-');
    int hours = 0, minutes = 0, seconds = 0, microseconds = 0;
    bool ok = digitsAt(text, pos, hours) && expect(text, pos, ':') && digitsAt(text, pos, minutes)
        && expect(text, pos, ':') && digitsAt(text, pos, seconds)
        && fractionAt(text, pos, microseconds);
    if (!ok || pos != text.size())
        unreadable(text);
    return packTime(negative, hours, minutes, seconds, microseconds);
}

} // namespace kestrune
