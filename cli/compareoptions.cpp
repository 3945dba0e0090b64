#include "cli/compareoptions.h"

#include "cli/arguments.h"
#include "cli/commanderror.h"

#include <algorithm>
#include <charconv>
#include <iterator>

namespace kestrune {

namespace {

// "a,b" is a then b; an empty name is a slip (a doubled or trailing comma), never a column.
std::vector<std::string> columnNames(const std::string &list, const std::string &option)
{
    std::vector<std::string> columns;
    for (std::size_t start = 0;;) {
        const std::size_t comma = std::min(list.find(',', start), list.size());
        if (comma == start)
            throw UsageError(option + " needs column names separated by commas");
        columns.push_back(list.substr(start, comma - start));
        if (comma == list.size())
            return columns;
        start = comma + 1;
    }
}

LineFormat lineFormat(const std::string &name)
{
    if (name == "text")
        return LineFormat::Text;
    if (name == "json")
        return LineFormat::Json;
    if (name == "sql")
        return LineFormat::Sql;
    throw UsageError("--format takes text, json or sql, not '" + name + "'");
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

void chooseColumns(ColumnChoice &choice, const ParsedArguments::Option &option)
{
    const ColumnChoice::Rule rule
        = option.name == "--columns" ? ColumnChoice::Rule::Only : ColumnChoice::Rule::AllBut;
    if (choice.rule != ColumnChoice::Rule::Every && choice.rule != rule)
        throw UsageError("--columns and --ignore-columns cannot be given together");
    choice = { rule, columnNames(*option.value, option.name) };
}

// The condition goes to the server as it is; one of blanks alone would be an SQL error there.
std::string condition(const ParsedArguments::Option &option)
{
    if (option.value->find_first_not_of(" \t\r\n") == std::string::npos)
        throw UsageError("option " + option.name + " needs a condition");
    return *option.value;
}

// Plain text asked for together with TLS; which one is meant is not for the program to guess.
void checkTls(const TlsChoices &tls, const std::string &suffix)
{
    if (tls.ssl == false && (tls.verifyServerCert || tls.ca || tls.caPath || tls.cert || tls.key))
        throw UsageError("--skip-ssl" + suffix + " cannot go with other TLS options");
}

using Option = ParsedArguments::Option;
using Apply = void (*)(CompareOptions &, const Option &);

template <Place CompareOptions::*place, std::optional<std::string> Place::*value>
void setPlace(CompareOptions &options, const Option &option)
{
    options.*place.*value = option.value;
}

template <Place CompareOptions::*place, std::optional<std::string> TlsChoices::*file>
void setTlsFile(CompareOptions &options, const Option &option)
{
    if (option.value->empty())
        throw UsageError("option " + option.name + " needs a file name");
    (options.*place).tls.*file = option.value;
}

template <Place CompareOptions::*place, std::optional<bool> TlsChoices::*choice, bool value>
void setTlsSwitch(CompareOptions &options, const Option &)
{
    (options.*place).tls.*choice = value;
}

// Whether an option takes a value: never, always (after '=' or as the next argument), or only
// after '='.
enum class Value : std::uint8_t { None, Required, Attached };

// Every option of the compare mode: its name, whether it takes a value, and what it sets.
struct OptionEntry {
    std::string_view name;
    Value value;
    Apply apply;
};

constexpr Place CompareOptions::*first = &CompareOptions::first;
constexpr Place CompareOptions::*second = &CompareOptions::second;

constexpr OptionEntry optionTable[] = {
    { "--server", Value::Required, setPlace<first, &Place::server> },
    { "--port", Value::Required, setPlace<first, &Place::port> },
    { "--user", Value::Required, setPlace<first, &Place::user> },
    { "--database", Value::Required, setPlace<first, &Place::database> },
    { "--password-file", Value::Required, setPlace<first, &Place::passwordFile> },
    { "--server2", Value::Required, setPlace<second, &Place::server> },
    { "--port2", Value::Required, setPlace<second, &Place::port> },
    { "--user2", Value::Required, setPlace<second, &Place::user> },
    { "--database2", Value::Required, setPlace<second, &Place::database> },
    { "--password-file2", Value::Required, setPlace<second, &Place::passwordFile> },
    { "--ssl-ca", Value::Required, setTlsFile<first, &TlsChoices::ca> },
    { "--ssl-capath", Value::Required, setTlsFile<first, &TlsChoices::caPath> },
    { "--ssl-cert", Value::Required, setTlsFile<first, &TlsChoices::cert> },
    { "--ssl-key", Value::Required, setTlsFile<first, &TlsChoices::key> },
    { "--ssl-ca2", Value::Required, setTlsFile<second, &TlsChoices::ca> },
    { "--ssl-capath2", Value::Required, setTlsFile<second, &TlsChoices::caPath> },
    { "--ssl-cert2", Value::Required, setTlsFile<second, &TlsChoices::cert> },
    { "--ssl-key2", Value::Required, setTlsFile<second, &TlsChoices::key> },
    { "--ssl", Value::None, setTlsSwitch<first, &TlsChoices::ssl, true> },
    { "--skip-ssl", Value::None, setTlsSwitch<first, &TlsChoices::ssl, false> },
    { "--ssl-verify-server-cert", Value::None,
        setTlsSwitch<first, &TlsChoices::verifyServerCert, true> },
    { "--ssl2", Value::None, setTlsSwitch<second, &TlsChoices::ssl, true> },
    { "--skip-ssl2", Value::None, setTlsSwitch<second, &TlsChoices::ssl, false> },
    { "--ssl-verify-server-cert2", Value::None,
        setTlsSwitch<second, &TlsChoices::verifyServerCert, true> },
    { "--key", Value::Required,
        [](CompareOptions &options, const Option &option) {
            options.key = columnNames(*option.value, option.name);
        } },
    { "--columns", Value::Required,
        [](CompareOptions &options, const Option &option) {
            chooseColumns(options.columns, option);
        } },
    { "--ignore-columns", Value::Required,
        [](CompareOptions &options, const Option &option) {
            chooseColumns(options.columns, option);
        } },
    { "--where", Value::Required,
        [](CompareOptions &options, const Option &option) { options.where = condition(option); } },
    { "--where2", Value::Required,
        [](CompareOptions &options, const Option &option) { options.where2 = condition(option); } },
    { "--format", Value::Required,
        [](CompareOptions &options, const Option &option) {
            options.format = lineFormat(*option.value);
        } },
    { "--output", Value::Required,
        [](CompareOptions &options, const Option &option) { options.output = option.value; } },
    { "--summary", Value::None,
        [](CompareOptions &options, const Option &) { options.summary = true; } },
    { "--checksum", Value::Attached,
        [](CompareOptions &options, const Option &option) {
            if (option.value && *option.value != "fast")
                throw UsageError("--checksum takes fast, or no value, not '" + *option.value + "'");
            options.checksum = true;
            options.fastChecksum = option.value.has_value();
        } },
};

const OptionEntry *entryOf(std::string_view name)
{
    const auto *entry = std::find_if(std::begin(optionTable), std::end(optionTable),
        [&](const OptionEntry &known) { return known.name == name; });
    return entry == std::end(optionTable) ? nullptr : entry;
}

} // namespace

CompareOptions parseCompareOptions(const std::vector<std::string> &arguments)
{
    CompareOptions options;
    const ParsedArguments parsed = parseArguments(arguments, [](std::string_view name) {
        const OptionEntry *entry = entryOf(name);
        return entry && entry->value == Value::Required;
    });
    for (const Option &option : parsed.options) {
        // A password given as an argument would be seen by every user of the machine.
        if (option.name == "--password" || option.name == "--password2")
            throw UsageError("a password is never taken as an argument; use --password-file FILE");
        const OptionEntry *entry = entryOf(option.name);
        if (!entry)
            throw UsageError("unknown option " + option.name);
        if (entry->value == Value::Required && !option.value)
            throw UsageError("option " + option.name + " needs a value");
        if (entry->value == Value::None && option.value)
            throw UsageError("option " + option.name + " takes no value");
        entry->apply(options, option);
    }
    const std::vector<std::string> &tables = parsed.operands;
    if (tables.size() < 2)
        throw UsageError(
            tables.empty() ? "two table names are needed" : "a second table name is needed");
    if (tables.size() > 2)
        throw UsageError("unexpected argument " + tables[2]);
    options.table1 = tables[0];
    options.table2 = tables[1];
    if (options.checksum && options.key.empty())
        throw UsageError("--checksum needs --key");
    if (options.format == LineFormat::Sql && options.key.empty())
        throw UsageError("--format sql needs --key: by position a record has no key that a "
                         "statement could name it by");
    checkPort(options.first.port);
    checkPort(options.second.port);
    checkTls(options.first.tls, "");
    checkTls(options.second.tls, "2");
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
           "  --ssl                 use TLS; a server that offers none is refused\n"
           "  --ssl-ca FILE, --ssl-capath DIR\n"
           "                        the trusted certificate authorities\n"
           "  --ssl-cert FILE, --ssl-key FILE\n"
           "                        the client's certificate and its key\n"
           "  --ssl-verify-server-cert\n"
           "                        check the server's certificate and host name\n"
           "  --skip-ssl            plain text, also where the server offers TLS\n"
           "  --ssl2, --ssl-ca2 FILE, --ssl-capath2 DIR, --ssl-cert2 FILE, --ssl-key2 FILE,\n"
           "  --ssl-verify-server-cert2, --skip-ssl2\n"
           "                        the same for TABLE2, when not as for TABLE1\n"
           "Without a TLS option a connection is encrypted where the server offers TLS, but\n"
           "its certificate is not checked. Every TLS option but --skip-ssl implies --ssl.\n"
           "  --key COLUMNS         pair records by these key columns, comma-separated (PRIMARY:\n"
           "                        table 1's primary key), not by position\n"
           "  --checksum            with --key: the servers checksum ranges of the key, and only\n"
           "                        the ranges that differ are read; the lines are the same\n"
           "  --checksum=fast       the same by two CRCs, cheaper for the servers, which a\n"
           "                        change made to pass them can pass\n"
           "  --columns COLUMNS     compare only these columns, comma-separated, by table 1's\n"
           "                        names (with --key, the key columns pair records still)\n"
           "  --ignore-columns COLUMNS\n"
           "                        compare every column but these; not with --columns\n"
           "  --where CONDITION     read only the rows this SQL condition selects, in both tables\n"
           "  --where2 CONDITION    read TABLE2's rows by this condition instead (--where2 1: "
           "all)\n"
           "  --output FILE         write the lines to FILE, replaced whole, not to standard "
           "output\n"
           "  --format FORMAT       text (the default: the lines above) or json: one object a\n"
           "                        line, ended by LF, such as "
           "{\"kind\":\"changed\",\"record\":3,\n"
           "                        \"field\":\"city\",\"old\":\"Lyon\",\"new\":\"LYON\"}\n"
           "  --format sql          with --key: the statements that make TABLE2 hold TABLE1's\n"
           "                        records, one transaction for the mariadb client (swap the\n"
           "                        tables to change TABLE1 instead)\n"
           "  --summary             end with a line of counts and the time taken on standard\n"
           "                        error\n"
           "Each table is read on a connection of its own, both at once, as the rows come.\n"
           "With --key, each is read in the key's order (numbers, dates and times by value, texts\n"
           "by their UTF-8 bytes), records pair by key and columns by name, and a line tells its\n"
           "record as Record id=42 or Record code=\"A 17\" year=2024. A repeated or NULL key\n"
           "ends the run. With --checksum, a primary key or unique index of key columns keeps\n"
           "the key unique in each table, and each server is read in one snapshot taken as the\n"
           "run begins.\n"
           "Without a password file or a remembered password, the password is asked for on the\n"
           "terminal; a second one only for another server, port or user without a password\n"
           "file. Exit status: 0 no differences, 1 differences, 2 no comparison made.\n";
}

} // namespace kestrune
