#include "app/commandline.h"

#include "cli/compareoptions.h"

#include <cstdio>
#include <functional>
#include <string_view>
#include <utility>

#ifndef KESTRUNE_VERSION
#error "KESTRUNE_VERSION must be defined (the project's version, from CMake)"
#endif

namespace kestrune {

namespace {

// One option: its name, whether it takes a value (as "--name VALUE" or "--name=VALUE"), and what
// it does to the result. A later option with a value, e.g. {"--output", true, ...}, is one row.
struct Option {
    std::string_view name;
    bool takesValue;
    std::function<void(CommandLine &, const std::string &value)> apply;
};

const std::vector<Option> &options()
{
    static const std::vector<Option> table {
        { "--help", false,
            [](CommandLine &c, const std::string &) { c.action = CommandLine::Action::ShowHelp; } },
        { "--version", false,
            [](CommandLine &c, const std::string &) {
                // --help wins when both are given.
                if (c.action != CommandLine::Action::ShowHelp)
                    c.action = CommandLine::Action::ShowVersion;
            } },
    };
    return table;
}

const Option *findOption(std::string_view name)
{
    for (const Option &option : options()) {
        if (option.name == name)
            return &option;
    }
    return nullptr;
}

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
    CommandLine result;
    std::vector<std::string> operands;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string &argument = arguments[i];
        if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
            operands.push_back(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        std::string_view name = argument;
        std::string value;
        bool inlineValue = false;
        if (std::size_t equals = argument.find('=');
            argument.starts_with("--") && equals != std::string::npos) {
            name = std::string_view(argument).substr(0, equals);
            value = argument.substr(equals + 1);
            inlineValue = true;
        }
        const Option *option = findOption(name);
        if (!option)
            return refuse("unrecognized option '" + std::string(name) + "'");
        if (option->takesValue && !inlineValue) {
            if (i + 1 >= arguments.size())
                return refuse("option '" + std::string(name) + "' requires a value");
            value = arguments[++i];
        } else if (!option->takesValue && inlineValue) {
            return refuse("option '" + std::string(name) + "' does not take a value");
        }
        option->apply(result, value);
    }
    // No action takes operands yet.
    if (!operands.empty())
        return refuse("unexpected argument '" + operands.front() + "'");
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
        std::fprintf(stderr, "kestrune: %s\n%s", commandLine.error.c_str(), usageText().c_str());
        return 2;
    case CommandLine::Action::OpenWizard:
        break;
    }
    return -1;
}

} // namespace kestrune
