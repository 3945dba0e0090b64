#include "cli/compareoptions.h"

#include "cli/arguments.h"
#include "cli/commanderror.h"

#include <algorithm>
#include <charconv>
#include <iterator>

namespace kestrune {

namespace {

struct PlaceOption {
    std::string_view name;
    Place CompareOptions::*place;
    std::optional<std::string> Place::*value;
};

constexpr PlaceOption placeOptions[] = {
    { "--server", &CompareOptions::first, &Place::server },
    { "--port", &CompareOptions::first, &Place::port },
    { "--user", &CompareOptions::first, &Place::user },
    { "--database", &CompareOptions::first, &Place::database },
    { "--password-file", &CompareOptions::first, &Place::passwordFile },
    { "--server2", &CompareOptions::second, &Place::server },
    { "--port2", &CompareOptions::second, &Place::port },
    { "--user2", &CompareOptions::second, &Place::user },
    { "--database2", &CompareOptions::second, &Place::database },
    { "--password-file2", &CompareOptions::second, &Place::passwordFile },
};

const PlaceOption *placeOption(std::string_view name)
{
    const auto *option = std::find_if(std::begin(placeOptions), std::end(placeOptions),
        [&](const PlaceOption &known) { return known.name == name; });
    return option == std::end(placeOptions) ? nullptr : option;
}

bool takesValue(std::string_view name)
{
    return placeOption(name) || name == "--key" || name == "--output";
}

// "a,b" is a then b; an empty name is a slip (a doubled or trailing comma), never a column.
std::vector<std::string> keyColumns(const std::string &list)
{
    std::vector<std::string> columns;
    for (std::size_t start = 0;;) {
        const std::size_t comma = std::min(list.find(',', start), list.size());
        if (comma == start)
            throw UsageError("--key needs column names separated by commas");
        columns.push_back(list.substr(start, comma - start));
        if (comma == list.size())
            return columns;
        start = comma + 1;
    }
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
    const ParsedArguments parsed = parseArguments(arguments, takesValue);
    for (const ParsedArguments::Option &option : parsed.options) {
        // A password given as an argument would be seen by every user of the machine.
        if (option.name == "--password" || option.name == "--password2")
            throw UsageError("a password is never taken as an argument; use --password-file FILE");
        if (!takesValue(option.name))
            throw UsageError("unknown option " + option.name);
        if (!option.value)
            throw UsageError("option " + option.name + " needs a value");
        if (const PlaceOption *place = placeOption(option.name))
            options.*(place->place).*(place->value) = option.value;
        else if (option.name == "--key")
            options.key = keyColumns(*option.value);
        else
            options.output = option.value;
    }
    const std::vector<std::string> &tables = parsed.operands;
    if (tables.size() < 2)
        throw UsageError(
            tables.empty() ? "two table names are needed" : "a second table name is needed");
    if (tables.size() > 2)
        throw UsageError("unexpected argument " + tables[2]);
    options.table1 = tables[0];
    options.table2 = tables[1];
    checkPort(options.first.port);
    checkPort(options.second.port);
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
           "  --key COLUMNS         pair records by these key columns, comma-separated (PRIMARY:\n"
           "                        table 1's primary key), not by position\n"
           "  --output FILE         write the lines to FILE, replaced whole, not to standard "
           "output\n"
           "Each table is read on a connection of its own, both at once, as the rows come.\n"
           "Without a password file or a remembered password, the password is asked for on the\n"
           "terminal; a second one only for another server, port or user without a password\n"
           "file. Exit status: 0 no differences, 1 differences, 2 no comparison made.\n";
}

} // namespace kestrune
