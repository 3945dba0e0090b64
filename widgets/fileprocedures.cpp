#include "widgets/fileprocedures.h"

#include <QCoreApplication>
#include <QFile>

#include <sys/stat.h>
#include <unistd.h>

namespace kestrune {

bool FileExists(const QString &path)
{
    struct stat status;
    return !path.isEmpty() && ::stat(QFile::encodeName(path).constData(), &status) == 0;
}

void DeleteFileForced(const QString &path)
{
    QCoreApplication::processEvents();
    // Deleting needs only a writable folder here: a read-only file goes like any other, so there
    // is no second, forced attempt to make.
    ::unlink(QFile::encodeName(path).constData());
}

} // namespace kestrune
