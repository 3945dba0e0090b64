#include "cli/comparecommand.h"

#include "cli/commanderror.h"
#include "cli/compareoptions.h"
#include "cli/connectiontls.h"
#include "cli/password.h"
#include "cli/progress.h"
#include "cli/spooledlines.h"
#include "core/comparisonmessages.h"
#include "core/resultfile.h"
#include "db/driverlogin.h"
#include "db/mariadb/checksumsides.h"
#include "db/mariadb/scripttarget.h"
#include "db/mariadb/streamedtablereader.h"
#include "engine/comparetables.h"
#include "engine/keyplan.h"
#include "engine/rangewalk.h"
#include "settings/settingsstore.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
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
    TlsOptions firstTls;
    TlsOptions secondTls;
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
    places.firstTls = connectionTls(given1.tls);
    places.secondTls = connectionTls(given2.tls, given1.tls);
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

// "kestrune: 3 field differences in 2 records, 1 record added, 0 deleted, 9 rows read of a and
// 10 of b, in 0.04 s"
void writeSummary(std::ostream &err, const CompareOptions &options,
    const ComparisonOutcome &outcome, std::chrono::steady_clock::duration taken)
{
    const DifferenceCounts &counts = outcome.counts;
    auto plural = [](long long count, const char *word) {
        return std::to_string(count) + " " + word + (count == 1 ? "" : "s");
    };
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.2f",
        std::chrono::duration_cast<std::chrono::duration<double>>(taken).count());
    err << "kestrune: " << plural(counts.fieldDifferences, "field difference") << " in "
        << plural(counts.recordsDiffering, "record") << ", " << plural(counts.added, "record")
        << " added, " << counts.deleted << " deleted, " << plural(outcome.rows1, "row")
        << " read of " << options.table1 << " and " << outcome.rows2 << " of " << options.table2
        << ", in " << seconds << " s\n";
}

// A name neither table has is a slip on the command line, told before anything is read.
void checkChosenColumns(const CompareOptions &options, const std::vector<ColumnShape> &columns1,
    const std::vector<ColumnShape> &columns2)
{
    if (std::optional<std::string> name = unknownColumn(options.columns, columns1, columns2)) {
        const bool only = options.columns.rule == ColumnChoice::Rule::Only;
        throw UsageError(std::string(only ? "--columns" : "--ignore-columns") + ": neither "
            + options.table1 + " nor " + options.table2 + " has a column named " + *name);
    }
}

int compare(const CompareOptions &options, CommandStreams &streams)
{
    const auto started = std::chrono::steady_clock::now();
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

    SpooledLines lines(options.format);
    ComparisonOutcome outcome;
    {
        ReadingProgress progress(streams.err, options.table1, options.table2);
        ReadProgress report;
        if (streams.errIsTerminal)
            report
                = [&progress](long long read1, long long expected1, long long read2,
                      long long expected2) { progress.show(read1, expected1, read2, expected2); };
        auto connection1 = std::make_unique<ClientConnection>(places.first, places.firstTls);
        auto connection2 = std::make_unique<ClientConnection>(places.second, places.secondTls);
        Comparison comparison { options.table1, options.table2, std::nullopt, options.columns };
        comparison.format = options.format;
        TableQuery query1 { options.table1 };
        TableQuery query2 { options.table2 };
        if (!options.key.empty()) {
            KeyMode mode = planKeyMode(
                *connection1, options.table1, *connection2, options.table2, options.key);
            checkChosenColumns(options, mode.pairing.columns1, mode.pairing.columns2);
            // That one table lacks a column the choice leaves out is no news.
            auto onlyIn = [&](const std::string &table, const std::string &column) {
                if (options.columns.takes(column))
                    streams.err << "kestrune: column " << column << " is only in " << table
                                << "; not compared\n";
            };
            for (const std::string &column : mode.pairing.onlyInFirst)
                onlyIn(options.table1, column);
            for (const std::string &column : mode.pairing.onlyInSecond)
                onlyIn(options.table2, column);
            comparison.byKey = std::move(mode.pairing);
            query1 = std::move(mode.query1);
            query2 = std::move(mode.query2);
        } else if (options.columns.rule != ColumnChoice::Rule::Every) {
            checkChosenColumns(options, connection1->describe(options.table1),
                connection2->describe(options.table2));
        }
        query1.condition = options.where;
        query2.condition = options.where2.empty() ? options.where : options.where2;
        std::unique_ptr<FindingSink> findings;
        SyncScriptWriter *syncWriter = nullptr;
        if (options.format == LineFormat::Sql) {
            auto writer = std::make_unique<SyncScriptWriter>(
                scriptTarget(
                    *connection2, places.second.database, options.table2, *comparison.byKey),
                lines);
            syncWriter = writer.get();
            findings = std::move(writer);
        } else {
            findings = lineWriter(options.format,
                comparison.byKey ? comparison.byKey->key : std::vector<KeyColumn> {},
                options.table2, lines);
        }
        if (options.checksum) {
            ChecksumReport told;
            if (streams.errIsTerminal)
                told = [&progress](const ChecksumProgress &now) { progress.showChecks(now); };
            ChecksumSides sides = prepareChecksums(
                *connection1, query1, *connection2, query2, comparison, options.fastChecksum);
            outcome = walkRanges(*sides.one, *sides.two, sides.order, comparison, *findings, told);
        } else {
            // Both tables are read at once, each on a connection and a thread of its own. The
            // server's estimate is of the whole table, no measure of the rows a condition selects.
            StreamedTableReader reader1(
                std::move(connection1), query1, streams.errIsTerminal && query1.condition.empty());
            StreamedTableReader reader2(
                std::move(connection2), query2, streams.errIsTerminal && query2.condition.empty());
            outcome = compareTables(reader1, reader2, comparison, *findings, report);
        }
        if (syncWriter)
            syncWriter->finish();
    }
    if (outcome.empty != EmptyTable::None) {
        streams.err << emptyTableMessage(
            outcome.empty == EmptyTable::First ? options.table1 : options.table2)
                    << '\n';
        return 2;
    }

    // A script opens its session and transaction around the statements; no statement, no script.
    const bool script = options.format == LineFormat::Sql && !lines.empty();
    auto write = [&](int fd) {
        if (script)
            writeAll(fd, scriptOpening());
        lines.writeTo(fd);
        if (script)
            writeAll(fd, scriptClosing());
    };
    if (options.output) {
        try {
            saveFile(*options.output, write);
        } catch (const std::system_error &error) {
            throw CommandError(*options.output + ": " + error.what());
        }
    } else {
        try {
            write(streams.out);
        } catch (const std::system_error &error) {
            // A reader that has stopped reading (head, a closed pager) is no failure to tell.
            if (error.code() == std::errc::broken_pipe)
                return 2;
            throw CommandError(std::string("standard output: ") + error.what());
        }
    }
    if (options.summary)
        writeSummary(streams.err, options, outcome, std::chrono::steady_clock::now() - started);
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
    } catch (const ChecksumRefused &error) {
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
