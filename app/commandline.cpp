#include "app/commandline.h"

#include "cli/arguments.h"
#include "cli/compareoptions.h"

#include <cstdio>
#include <utility>

#ifndef KESTRUNE_VERSION
#error "KESTRUNE_VERSION must be defined (the project's version, from CMake)"
#endif

namespace kestrune {

namespace {

CommandLine refuse(std::string error)
{
    CommandLine refused;
    refused.action = CommandLine::Action::Refuse;
    refused.error = std::move(error);
    return refused;
}

} // namespace

CommandLine parseCommandLine(const std::vector<std::string> &arguments)
{
    bool help = false;
    bool version = false;
    const ParsedArguments parsed = parseArguments(arguments);
    for (const ParsedArguments::Option &option : parsed.options) {
        if (option.name != "--help" && option.name != "--version")
            return refuse("unrecognized option '" + option.name + "'");
        if (option.value)
            return refuse("option '" + option.name + "' does not take a value");
        (option.name == "--help" ? help : version) = true;
    }
    // No action takes operands.
    if (!parsed.operands.empty())
        return refuse("unexpected argument '" + parsed.operands.front() + "'");
    CommandLine result;
    // --help wins when both are given.
    if (help)
        result.action = CommandLine::Action::ShowHelp;
    else if (version)
        result.action = CommandLine::Action::ShowVersion;
    return result;
}

CommandLine parseCommandLine(int argc, const char *const argv[])
{
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.emplace_back(argv[i]);
    return parseCommandLine(arguments);
}

std::string usageText()
{
    return "Usage: kestrune [--help | --version]\n"
           "Compares two tables of one MySQL or MariaDB database.\n"
           "Without options, opens the window: log in, pick two tables, read the differences.\n"
           "\n"
           "  --help     print this help and exit\n"
           "  --version  print the version and exit\n"
           "\n"
        + std::string(compareUsage());
}

std::string versionText() { return std::string("kestrune ") + KESTRUNE_VERSION + "\n"; }

int answerWithoutWindow(const CommandLine &commandLine)
{
    switch (commandLine.action) {
    case CommandLine::Action::ShowHelp:
        std::fputs(usageText().c_str(), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    case CommandLine::Action::ShowVersion:
        std::fputs(versionText().c_str(), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    case CommandLine::Action::Refuse:
        std::fprintf(stderr, "kestrune: %s\n%s", commandLine.error.c_str(), tryHelp.data());
        return 2;
    case CommandLine::Action::OpenWizard:
        break;
    }
    return -1;
}

} // namespace kestrune
