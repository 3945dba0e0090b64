#pragma once

#include "core/columnpairing.h"
#include "core/comparisonlines.h"

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace kestrune {

// How one table's connection uses TLS, as the options give it; a choice left out is taken from
// elsewhere, or is the default.
struct TlsChoices {
    std::optional<bool> ssl; // --ssl, or --skip-ssl
    std::optional<bool> verifyServerCert;
    std::optional<std::string> ca;
    std::optional<std::string> caPath;
    std::optional<std::string> cert;
    std::optional<std::string> key;
};

// Where one table is read, as the options give it; a value left out is taken from elsewhere.
struct Place {
    std::optional<std::string> server;
    std::optional<std::string> port;
    std::optional<std::string> user;
    std::optional<std::string> database;
    std::optional<std::string> passwordFile;
    TlsChoices tls;
};

// What `kestrune --compare` was asked to do.
struct CompareOptions {
    std::string table1;
    std::string table2;
    Place first; // a value left out: the remembered one
    Place second; // a value left out: table 1's (the options ending in 2)
    std::vector<std::string> key; // in the order given, or "PRIMARY"; empty: pair by position
    std::optional<std::string> output;
    ColumnChoice columns; // --columns or --ignore-columns, never both
    std::string where; // empty: every row
    std::string where2; // empty: table 1's condition
    LineFormat format = LineFormat::Text;
    bool summary = false; // a line of counts on standard error at the end
    bool checksum = false; // with a key: only the ranges whose checksums differ are read
    bool fastChecksum = false; // --checksum=fast: by two CRCs, which a crafted change can pass
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
