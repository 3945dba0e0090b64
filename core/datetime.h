#pragma once

#include <cstdint>
#include <string_view>

namespace kestrune {

// Dates, date-times and times as the driver writes them ("2024-02-29", "2024-02-29 13:05:00.25",
// "-838:59:59.5"), packed as stored values. A zero date ("0000-00-00") is kept as written. Any
// other text throws std::runtime_error.
std::int64_t parseDateTime(std::string_view text, bool withTime);
// TIME runs from -838:59:59 to 838:59:59 with a fraction, more than a time struct holds.
std::int64_t parseTime(std::string_view text);

} // namespace kestrune
