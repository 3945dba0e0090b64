#include "cli/comparecommand.h"

#include "cli/commanderror.h"
#include "cli/compareoptions.h"
#include "cli/password.h"
#include "cli/progress.h"
#include "cli/spooledlines.h"
#include "core/comparisonmessages.h"
#include "core/resultfile.h"
#include "core/comparetables.h"
#include "db/streamedtablereader.h"
#include "settings/settingsstore.h"

#include <algorithm>
#include <cerrno>
#include <iostream>
#include <system_error>
#include <unistd.h>

namespace kestrune {

namespace {

std::string remembered(const LoginSetting &setting)
{
    return getLoginSetting(setting).toStdString();
}

// Where the two tables are: table 1 at the wizard's remembered login with what the options give
// in its place, table 2 where table 1 is unless its own options say otherwise. Only the keys an
// option leaves open are read; passwords come later.
struct Places {
    LoginDetails first;
    LoginDetails second;
};

Places placesOf(const CompareOptions &options)
{
    Places places;
    LoginDetails &first = places.first;
    first.server = options.server ? *options.server : remembered(loginSetting::server);
    first.port = options.port ? *options.port : remembered(loginSetting::port);
    first.user = options.user ? *options.user : remembered(loginSetting::user);
    first.database = options.database ? *options.database : remembered(loginSetting::database);
    LoginDetails &second = places.second;
    second.server = options.server2.value_or(first.server);
    second.port = options.port2.value_or(first.port);
    second.user = options.user2.value_or(first.user);
    second.database = options.database2.value_or(first.database);
    return places;
}

bool sameServer(const LoginDetails &a, const LoginDetails &b)
{
    return a.server == b.server && a.port == b.port;
}

// A password file, else the remembered password, else the terminal's answer, else none. The
// second login takes the first one's password unless it is another server, port or user.
void findPasswords(Places &places, const CompareOptions &options, const CommandStreams &streams)
{
    auto ask = [&](const std::string &question) {
        std::optional<std::string> typed;
        if (streams.askPassword)
            typed = streams.askPassword(question);
        return typed.value_or(std::string());
    };
    LoginDetails &first = places.first;
    if (options.passwordFile)
        first.password = readPasswordFile(*options.passwordFile);
    else
        first.password = remembered(loginSetting::password);
    if (!options.passwordFile && first.password.empty())
        first.password = ask("Password: ");

    LoginDetails &second = places.second;
    if (options.passwordFile2)
        second.password = readPasswordFile(*options.passwordFile2);
    else if (sameServer(first, second) && first.user == second.user)
        second.password = first.password;
    else
        second.password = ask("Password for " + second.user + "@" + second.server + ": ");
}

int compare(const CompareOptions &options, CommandStreams &streams)
{
    Places places = placesOf(options);
    // The wizard compares list positions; here the same name in the same place is the same table.
    if (options.table1 == options.table2 && sameServer(places.first, places.second)
        && places.first.database == places.second.database) {
        streams.err << sameTableMessage << '\n';
        return 2;
    }
    findPasswords(places, options, streams);

    SpooledLines lines;
    EmptyTable empty = EmptyTable::None;
    {
        ReadingProgress progress(streams.err, options.table1, options.table2);
        ReadProgress report;
        if (streams.errIsTerminal)
            report
                = [&progress](long long read1, long long expected1, long long read2,
                      long long expected2) { progress.show(read1, expected1, read2, expected2); };
        // Both tables are read at once, each on a connection and a thread of its own.
        StreamedTableReader reader1(std::make_unique<ClientConnection>(places.first),
            { options.table1 }, streams.errIsTerminal);
        StreamedTableReader reader2(std::make_unique<ClientConnection>(places.second),
            { options.table2 }, streams.errIsTerminal);
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
            saveFile(*options.output, [&](int fd) { lines.writeTo(fd); });
        } catch (const std::system_error &error) {
            throw CommandError(*options.output + ": " + error.what());
        }
    } else {
        try {
            lines.writeTo(streams.out);
        } catch (const std::system_error &error) {
            // A reader that has stopped reading (head, a closed pager) is no failure to tell.
            if (error.code() == std::errc::broken_pipe)
                return 2;
            throw CommandError(std::string("standard output: ") + error.what());
        }
    }
    return lines.empty() ? 0 : 1;
}

} // namespace

int runCompare(const std::vector<std::string> &arguments, CommandStreams &streams)
{
    try {
        return compare(parseCompareOptions(arguments), streams);
    } catch (const UsageError &error) {
        streams.err << "kestrune: " << error.what() << '\n' << tryHelp;
    } catch (const CommandError &error) {
        streams.err << "kestrune: " << error.what() << '\n';
    } catch (const std::exception &error) {
        // A failure of the comparison itself: the login, the store, reading, a lost server. The
        // wizard's box breaks the line with CR LF; a terminal or a log takes a plain LF.
        streams.err << comparisonFailedMessage << '\n' << error.what() << '\n';
    }
    return 2;
}

int runCompareCommand(int argc, char **argv)
{
    std::vector<std::string> arguments(argv + std::min(argc, 2), argv + argc);
    CommandStreams streams { STDOUT_FILENO, std::cerr, ::isatty(STDERR_FILENO) == 1,
        [](const std::string &question) { return askPasswordOnTerminal(std::cerr, question); } };
    return runCompare(arguments, streams);
}

} // namespace kestrune
