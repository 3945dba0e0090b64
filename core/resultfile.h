#pragma once

#include "core/textlines.h"

#include <functional>
#include <string>
#include <string_view>

namespace kestrune {

// Appends one line as the results file holds it: the line, then CR LF.
inline void appendResultLine(std::string &out, std::string_view line)
{
    out.append(line);
    out.append("\r\n");
}

// Saves every line of both lists, first list first, each ended by CR LF, to the file named exactly
// by path. A regular file (or a new name) is written beside the target and renamed over it, so
// the target is either the old file or the whole new one; a link is followed and kept. A device
// or pipe is written directly. Throws std::system_error (a std::runtime_error) whose what() is
// only the system's reason, such as "Permission denied".
void saveResultFile(const std::string &path, const TextLines &first, const TextLines &second);

// Saves whatever `write` writes to the descriptor it is given, to the file named by path, as
// saveResultFile does: the old file stays unless the new one is whole.
void saveFile(const std::string &path, const std::function<void(int fd)> &write);

// Writes all of `data` to the descriptor; throws std::system_error with the system's reason.
void writeAll(int fd, std::string_view data);

} // namespace kestrune
