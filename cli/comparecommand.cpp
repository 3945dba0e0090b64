#include "cli/comparecommand.h"

#include "cli/commanderror.h"
#include "cli/compareoptions.h"
#include "cli/keymode.h"
#include "cli/password.h"
#include "cli/progress.h"
#include "cli/spooledlines.h"
#include "core/comparetables.h"
#include "core/comparisonmessages.h"
#include "core/resultfile.h"
#include "db/driverlogin.h"
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
    const Place &given1 = options.first;
    LoginDetails &first = places.first;
    first.server = given1.server ? *given1.server : remembered(loginSetting::server);
    first.port = given1.port ? *given1.port : remembered(loginSetting::port);
    first.user = given1.user ? *given1.user : remembered(loginSetting::user);
    first.database = given1.database ? *given1.database : remembered(loginSetting::database);
    const Place &given2 = options.second;
    LoginDetails &second = places.second;
    second.server = given2.server.value_or(first.server);
    second.port = given2.port.value_or(first.port);
    second.user = given2.user.value_or(first.user);
    second.database = given2.database.value_or(first.database);
    return places;
}

// As the readers connect: blanks around a value and an empty server or port typed for the
// default are the same server as the value itself.
bool sameServer(const DriverLogin &a, const DriverLogin &b)
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
    if (options.first.passwordFile)
        first.password = readPasswordFile(*options.first.passwordFile);
    else
        first.password = remembered(loginSetting::password);
    if (!options.first.passwordFile && first.password.empty())
        first.password = ask("Password: ");

    LoginDetails &second = places.second;
    const DriverLogin login1 = driverLogin(first);
    const DriverLogin login2 = driverLogin(second);
    if (options.second.passwordFile)
        second.password = readPasswordFile(*options.second.passwordFile);
    else if (sameServer(login1, login2) && login1.user == login2.user)
        second.password = first.password;
    else
        second.password = ask("Password for " + second.user + "@" + second.server + ": ");
}

int compare(const CompareOptions &options, CommandStreams &streams)
{
    Places places = placesOf(options);
    // The wizard compares list positions; here the same name in the same place is the same table.
    const DriverLogin login1 = driverLogin(places.first);
    const DriverLogin login2 = driverLogin(places.second);
    if (options.table1 == options.table2 && sameServer(login1, login2)
        && login1.database == login2.database) {
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
        auto connection1 = std::make_unique<ClientConnection>(places.first);
        auto connection2 = std::make_unique<ClientConnection>(places.second);
        Comparison comparison { options.table1, options.table2 };
        TableQuery query1 { options.table1 };
        TableQuery query2 { options.table2 };
        if (!options.key.empty()) {
            KeyMode mode = planKeyMode(
                *connection1, options.table1, *connection2, options.table2, options.key);
            for (const std::string &column : mode.pairing.onlyInFirst)
                streams.err << "kestrune: column " << column << " is only in " << options.table1
                            << "; not compared\n";
            for (const std::string &column : mode.pairing.onlyInSecond)
                streams.err << "kestrune: column " << column << " is only in " << options.table2
                            << "; not compared\n";
            comparison.byKey = std::move(mode.pairing);
            query1 = std::move(mode.query1);
            query2 = std::move(mode.query2);
        }
        // Both tables are read at once, each on a connection and a thread of its own.
        StreamedTableReader reader1(std::move(connection1), query1, streams.errIsTerminal);
        StreamedTableReader reader2(std::move(connection2), query2, streams.errIsTerminal);
        empty = compareTables(reader1, reader2, comparison, lines, report);
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
    } catch (const PairingError &error) {
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
