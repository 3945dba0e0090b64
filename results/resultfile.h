#pragma once

#include "results/textlines.h"

#include <ostream>
#include <string>

namespace kestrune {

// Every line of both lists, first list first, each ended by CR LF.
void writeResultLines(std::ostream &out, const TextLines &first, const TextLines &second);

// Writes the lines to a file beside the target and renames it over the target, so the target is
// either the old file or the whole new one. Throws std::runtime_error with the system's reason.
void saveResultFile(const std::string &path, const TextLines &first, const TextLines &second);

} // namespace kestrune
