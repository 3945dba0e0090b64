#include "app/pages.h"
#include "app/seam.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    kestrune::QtSeam seam;
    kestrune::Pages pages(seam);
    pages.start();
    return app.exec();
}
