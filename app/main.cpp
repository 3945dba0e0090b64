#include "app/commandline.h"
#include "app/pageflow.h"
#include "cli/comparecommand.h"
#include "widgets/seam.h"

#include <QApplication>

#include <csignal>
#include <string_view>

int main(int argc, char *argv[])
{
    // No window and no display; a reader that stops reading ends it quietly, as it ends diff.
    if (argc > 1 && std::string_view(argv[1]) == "--compare")
        return kestrune::runCompareCommand(argc, argv);
    // Saving into a pipe nobody reads must fail like any other write, not end the program.
    std::signal(SIGPIPE, SIG_IGN);
    // Help, the version and mistakes are answered before Qt looks for a display.
    kestrune::CommandLine commandLine = kestrune::parseCommandLine(argc, argv);
    if (int status = kestrune::answerWithoutWindow(commandLine); status >= 0)
        return status;
    QApplication app(argc, argv);
    // The title of every box that names none of its own.
    QApplication::setApplicationDisplayName(QStringLiteral("Kestrune"));
    kestrune::QtSeam seam;
    kestrune::PageFlow pages(seam);
    pages.start();
    return app.exec();
}
