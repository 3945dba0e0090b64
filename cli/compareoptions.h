#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace kestrune {

// What `kestrune --compare` was asked to do. An option left out means the remembered value; one of
// table 2's place (the options ending in 2) means the value table 1 is read with.
struct CompareOptions {
    std::string table1;
    std::string table2;
    std::optional<std::string> server;
    std::optional<std::string> port;
    std::optional<std::string> user;
    std::optional<std::string> database;
    std::optional<std::string> passwordFile;
    std::optional<std::string> server2;
    std::optional<std::string> port2;
    std::optional<std::string> user2;
    std::optional<std::string> database2;
    std::optional<std::string> passwordFile2;
    std::optional<std::string> output;
};

// Bad usage; what() is the one-line reason, printed before tryHelp.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Parses the arguments that follow `--compare`: two table names and options, in any order, each
// option as `--name VALUE` or `--name=VALUE`; after `--` only names follow. Throws UsageError, and
// CommandError for a port that is no number from 1 to 65535.
CompareOptions parseCompareOptions(const std::vector<std::string> &arguments);

// The usage of the compare mode, several lines, each ended by a line feed.
std::string_view compareUsage();

// What follows a usage mistake.
inline constexpr std::string_view tryHelp = "Try 'kestrune --help' for more information.\n";

} // namespace kestrune
