#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace kestrune {

// What `kestrune --compare` was asked to do. An option left out means the remembered value.
struct CompareOptions {
    std::string table1;
    std::string table2;
    std::optional<std::string> server;
    std::optional<std::string> port;
    std::optional<std::string> user;
    std::optional<std::string> database;
    std::optional<std::string> passwordFile;
    std::optional<std::string> output;
};

// Bad usage; what() is the one-line reason, printed before the usage text.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Parses the arguments that follow `--compare`: two table names and options, in any order, each
// option as `--name VALUE` or `--name=VALUE`; after `--` only names follow. Throws UsageError.
CompareOptions parseCompareOptions(const std::vector<std::string> &arguments);

// The usage of the compare mode, several lines, each ended by a line feed.
std::string_view compareUsage();

} // namespace kestrune
