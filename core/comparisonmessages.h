#pragma once

#include <string>
#include <string_view>

namespace kestrune {

// What a comparison tells its user, in the wizard's boxes and on the command line alike.
inline constexpr std::string_view sameTableMessage = "Please select 2 different tables to compare.";
inline constexpr std::string_view comparisonFailedMessage = "Could not join this tables.";

inline std::string emptyTableMessage(std::string_view table)
{
    return std::string(table) + " does not contain any data.";
}

} // namespace kestrune
