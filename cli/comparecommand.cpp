#include "cli/comparecommand.h"

#include "cli/compareoptions.h"
#include "cli/password.h"
#include "cli/progress.h"
#include "core/comparisonmessages.h"
#include "core/resultfile.h"
#include "db/comparetables.h"
#include "db/odbctablereader.h"
#include "settings/settingsstore.h"

#include <algorithm>
#include <iostream>
#include <system_error>
#include <unistd.h>

namespace kestrune {

namespace {

std::string remembered(const LoginSetting &setting)
{
    return getLoginSetting(setting).toStdString();
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
    std::string line;
    for (const TextLines *list : { &lines.fieldDifferences, &lines.addedDeleted }) {
        for (std::size_t i = 0; i < list->size(); ++i) {
            line.clear();
            appendResultLine(line, list->at(i));
            out << line;
        }
    }
    if (!out.flush())
        throw std::runtime_error("Standard output could not be written");
}

int compare(const CompareOptions &options, CommandStreams &streams)
{
    odbc::Connection connection;
    openForComparison(connection, loginDetails(options, streams));

    ComparisonLines lines;
    EmptyTable empty = EmptyTable::None;
    {
        ReadingProgress progress(streams.err, options.table1, options.table2);
        ReadProgress report;
        if (streams.errIsTerminal)
            report
                = [&progress](long long read1, long long expected1, long long read2,
                      long long expected2) { progress.show(read1, expected1, read2, expected2); };
        OdbcTableReader reader1(connection, options.table1);
        OdbcTableReader reader2(connection, options.table2);
        empty = compareTables(reader1, reader2, options.table2, lines, report);
    }
    if (empty != EmptyTable::None) {
        streams.err << emptyTableMessage(
            empty == EmptyTable::First ? options.table1 : options.table2)
                    << '\n';
        return 2;
    }

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
        streams.err << sameTableMessage << '\n';
        return 2;
    }
    try {
        return compare(options, streams);
    } catch (const std::exception &error) {
        // The wizard's box breaks the line with CR LF; a terminal or a log takes a plain LF.
        streams.err << comparisonFailedMessage << '\n' << error.what() << '\n';
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
