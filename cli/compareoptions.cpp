#include "cli/compareoptions.h"

#include "cli/arguments.h"
#include "cli/commanderror.h"

#include <algorithm>
#include <charconv>
#include <iterator>

namespace kestrune {

namespace {

struct ValueOption {
    std::string_view name;
    std::optional<std::string> CompareOptions::*field;
};

constexpr ValueOption valueOptions[] = {
    { "--server", &CompareOptions::server },
    { "--port", &CompareOptions::port },
    { "--user", &CompareOptions::user },
    { "--database", &CompareOptions::database },
    { "--password-file", &CompareOptions::passwordFile },
    { "--server2", &CompareOptions::server2 },
    { "--port2", &CompareOptions::port2 },
    { "--user2", &CompareOptions::user2 },
    { "--database2", &CompareOptions::database2 },
    { "--password-file2", &CompareOptions::passwordFile2 },
    { "--output", &CompareOptions::output },
};

const ValueOption *valueOption(std::string_view name)
{
    const auto *option = std::find_if(std::begin(valueOptions), std::end(valueOptions),
        [&](const ValueOption &known) { return known.name == name; });
    return option == std::end(valueOptions) ? nullptr : option;
}

// The remembered port is passed on as typed, as the wizard does; an option is checked at once.
void checkPort(const std::optional<std::string> &port)
{
    if (!port)
        return;
    unsigned number = 0;
    const char *end = port->data() + port->size();
    auto [stop, error] = std::from_chars(port->data(), end, number);
    if (port->empty() || error != std::errc() || stop != end || number < 1 || number > 65535)
        throw CommandError("invalid port '" + *port + "'");
}

} // namespace

CompareOptions parseCompareOptions(const std::vector<std::string> &arguments)
{
    CompareOptions options;
    const ParsedArguments parsed = parseArguments(
        arguments, [](std::string_view name) { return valueOption(name) != nullptr; });
    for (const ParsedArguments::Option &option : parsed.options) {
        // A password given as an argument would be seen by every user of the machine.
        if (option.name == "--password" || option.name == "--password2")
            throw UsageError("a password is never taken as an argument; use --password-file FILE");
        const ValueOption *known = valueOption(option.name);
        if (!known)
            throw UsageError("unknown option " + option.name);
        if (!option.value)
            throw UsageError("option " + option.name + " needs a value");
        options.*(known->field) = option.value;
    }
    const std::vector<std::string> &tables = parsed.operands;
    if (tables.size() < 2)
        throw UsageError(
            tables.empty() ? "two table names are needed" : "a second table name is needed");
    if (tables.size() > 2)
        throw UsageError("unexpected argument " + tables[2]);
    options.table1 = tables[0];
    options.table2 = tables[1];
    checkPort(options.port);
    checkPort(options.port2);
    return options;
}

std::string_view compareUsage()
{
    return "Usage: kestrune --compare TABLE1 TABLE2 [OPTION]...\n"
           "Compares two tables of the remembered database as the wizard does and writes its\n"
           "lines, each ended by CR LF: field differences, then added and deleted records.\n"
           "  --server HOST         the server, instead of the remembered one\n"
           "  --port PORT           the port, instead of the remembered one\n"
           "  --user NAME           the user name, instead of the remembered one\n"
           "  --database NAME       the database, instead of the remembered one\n"
           "  --password-file FILE  the password, from the first line of FILE\n"
           "  --server2 HOST, --port2 PORT, --user2 NAME, --database2 NAME,\n"
           "  --password-file2 FILE where TABLE2 is, when not where TABLE1 is\n"
           "  --output FILE         write the lines to FILE, replaced whole, not to standard "
           "output\n"
           "Each table is read on a connection of its own, both at once, as the rows come.\n"
           "Without a password file or a remembered password, the password is asked for on the\n"
           "terminal; a second one only for another server, port or user without a password\n"
           "file. Exit status: 0 no differences, 1 differences, 2 no comparison made.\n";
}

} // namespace kestrune
