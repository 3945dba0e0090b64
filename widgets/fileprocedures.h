#pragma once

#include <QString>

namespace kestrune {

// Whether something exists at the path; any failure to tell means false.
bool FileExists(const QString &path);

// Deletes the file, read-only or not; a file that cannot be deleted stays, without a word.
void DeleteFileForced(const QString &path);

} // namespace kestrune
