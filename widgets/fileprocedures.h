#pragma once

#include <QString>

namespace kestrune {

// Whether something exists at the path; any failure to tell means false.
bool fileExists(const QString &path);

} // namespace kestrune
