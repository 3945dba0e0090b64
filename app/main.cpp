#include "app/pageflow.h"
#include "widgets/seam.h"

#include <QApplication>

#include <csignal>

int main(int argc, char *argv[])
{
    // Saving into a pipe nobody reads must fail like any other write, not end the program.
    std::signal(SIGPIPE, SIG_IGN);
    QApplication app(argc, argv);
    kestrune::QtSeam seam;
    kestrune::PageFlow pages(seam);
    pages.start();
    return app.exec();
}
