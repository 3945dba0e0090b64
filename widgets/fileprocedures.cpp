#include "widgets/fileprocedures.h"

#include <QFile>

#include <sys/stat.h>

namespace kestrune {

bool fileExists(const QString &path)
{
    struct stat status;
    return !path.isEmpty() && ::stat(QFile::encodeName(path).constData(), &status) == 0;
}

} // namespace kestrune
