#pragma once

#include <string>
#include <vector>

namespace kestrune {

// What the command line asks for. It is read before any window or display is needed, so the
// answers that need none (help, version, a mistake) are given without Qt's GUI.
struct CommandLine {
    enum class Action {
        OpenWizard, // no arguments: the three pages, as always
        ShowHelp,
        ShowVersion,
        Refuse, // a mistake: error holds one line saying what was wrong
    };
    Action action = Action::OpenWizard;
    std::string error;
};

// Reads the arguments after the program name.
CommandLine parseCommandLine(const std::vector<std::string> &arguments);
CommandLine parseCommandLine(int argc, const char *const argv[]);

// "Usage: ..." and the options, ending in a newline.
std::string usageText();
// "kestrune 1.0", ending in a newline.
std::string versionText();

// Answers the actions that need no window: prints help or the version to standard output (status
// 0) or the error and where to find help to standard error (status 2), and returns that status.
// Returns -1 for the actions that open a window.
int answerWithoutWindow(const CommandLine &commandLine);

} // namespace kestrune
