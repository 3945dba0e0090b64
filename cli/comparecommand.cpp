#include "cli/comparecommand.h"

#include "cli/compareoptions.h"
#include "cli/password.h"
#include "cli/progress.h"
#include "core/connectionstring.h"
#include "core/resultfile.h"
#include "db/odbc.h"
#include "db/tablecomparison.h"
#include "settings/settingsstore.h"

#include <algorithm>
#include <iostream>
#include <system_error>
#include <unistd.h>

namespace kestrune {

namespace {

std::string remembered(const LoginSetting &setting)
{
    return GetLoginSetting(setting).toStdString();
}

// The wizard's remembered login, with what the options give in its place. Only the keys an
// option leaves open are read.
LoginDetails loginDetails(const CompareOptions &options, const CommandStreams &streams)
{
    LoginDetails login;
    login.server = options.server ? *options.server : remembered(loginSetting::server);
    login.user = options.user ? *options.user : remembered(loginSetting::user);
    login.database = options.database ? *options.database : remembered(loginSetting::database);
    login.port = options.port ? *options.port : remembered(loginSetting::port);
    if (options.passwordFile) {
        login.password = readPasswordFile(*options.passwordFile);
        return login;
    }
    login.password = remembered(loginSetting::password);
    if (login.password.empty() && streams.askPassword) {
        if (std::optional<std::string> typed = streams.askPassword())
            login.password = *typed;
    }
    return login;
}

void writeLines(std::ostream &out, const ComparisonLines &lines)
{
    for (const TextLines *list : { &lines.fieldDifferences, &lines.addedDeleted }) {
        for (std::size_t i = 0; i < list->size(); ++i)
            out << list->at(i) << "\r\n";
    }
    if (!out.flush())
        throw std::runtime_error("Standard output could not be written");
}

int compare(const CompareOptions &options, CommandStreams &streams)
{
    odbc::Connection connection;
    openForComparison(connection, loginDetails(options, streams));

    TableComparison outcome;
    {
        ReadingProgress progress(streams.err, options.table1, options.table2);
        ReadProgress report;
        if (streams.errIsTerminal)
            report = [&progress](int table, long long rowsRead, long long rowCount) {
                progress.show(table, rowsRead, rowCount);
            };
        outcome = compareTablesOnServer(connection, options.table1, options.table2, report);
    }
    if (outcome.emptyTable) {
        streams.err << *outcome.emptyTable << " does not contain any data.\n";
        return 2;
    }

    const ComparisonLines &lines = outcome.lines;
    if (options.output) {
        try {
            saveResultFile(*options.output, lines.fieldDifferences, lines.addedDeleted);
        } catch (const std::system_error &error) {
            throw std::runtime_error(*options.output + ": " + error.what());
        }
    } else {
        writeLines(streams.out, lines);
    }
    return lines.fieldDifferences.empty() && lines.addedDeleted.empty() ? 0 : 1;
}

} // namespace

int runCompare(const std::vector<std::string> &arguments, CommandStreams &streams)
{
    CompareOptions options;
    try {
        options = parseCompareOptions(arguments);
    } catch (const UsageError &error) {
        streams.err << "kestrune: " << error.what() << '\n' << compareUsage();
        return 2;
    }
    // The wizard compares list positions; here the same name twice is the same table.
    if (options.table1 == options.table2) {
        streams.err << "Please select 2 different tables to compare.\n";
        return 2;
    }
    try {
        return compare(options, streams);
    } catch (const std::exception &error) {
        // The wizard's box breaks the line with CR LF; a terminal or a log takes a plain LF.
        streams.err << "Could not join this tables.\n" << error.what() << '\n';
        return 2;
    }
}

int runCompareCommand(int argc, char **argv)
{
    std::vector<std::string> arguments(argv + std::min(argc, 2), argv + argc);
    CommandStreams streams { std::cout, std::cerr, ::isatty(STDERR_FILENO) == 1,
        [] { return askPasswordOnTerminal(std::cerr); } };
    return runCompare(arguments, streams);
}

} // namespace kestrune
