#include "cli/spooledlines.h"

#include "cli/commanderror.h"
#include "core/resultfile.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <system_error>
#include <unistd.h>

namespace kestrune {

namespace {

std::string temporaryFolder()
{
    const char *folder = std::getenv("TMPDIR");
    return folder && *folder ? folder : "/tmp";
}

[[noreturn]] void temporaryFileFailed(int error)
{
    throw CommandError("temporary file in " + temporaryFolder() + ": " + std::strerror(error));
}

} // namespace

SpooledLines::SpooledLines(std::size_t memoryBytes)
    : m_memoryBytes(memoryBytes)
{
}

SpooledLines::~SpooledLines()
{
    if (m_spill >= 0)
        ::close(m_spill);
}

void SpooledLines::appendFieldDifference(std::string_view line) { append(line); }

// The comparison tells the records only one table has after every field difference, so one
// stream keeps the export's order.
void SpooledLines::appendAddedDeleted(std::string_view line) { append(line); }

void SpooledLines::append(std::string_view line)
{
    appendResultLine(m_buffer, line);
    ++m_lines;
    if (m_buffer.size() >= m_memoryBytes)
        spill();
}

void SpooledLines::spill()
{
    if (m_spill < 0) {
        // Unlinked from the start, so nothing is left behind however the run ends. Not every file
        // system makes nameless files; there the name goes as soon as the file is open.
        const std::string folder = temporaryFolder();
        m_spill = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
        if (m_spill < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
            std::string name = folder + "/kestrune-lines-XXXXXX";
            m_spill = ::mkostemp(name.data(), O_CLOEXEC);
            if (m_spill >= 0)
                ::unlink(name.c_str());
        }
        if (m_spill < 0)
            temporaryFileFailed(errno);
    }
    try {
        writeAll(m_spill, m_buffer);
    } catch (const std::system_error &error) {
        temporaryFileFailed(error.code().value());
    }
    m_buffer.clear();
}

void SpooledLines::writeTo(int fd)
{
    if (m_spill >= 0) {
        std::string chunk(std::size_t(1) << 20, '\0');
        for (off_t at = 0;;) {
            ssize_t got = ::pread(m_spill, chunk.data(), chunk.size(), at);
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
                temporaryFileFailed(errno);
            if (got == 0)
                break;
            writeAll(fd, std::string_view(chunk.data(), static_cast<std::size_t>(got)));
            at += got;
        }
    }
    writeAll(fd, m_buffer);
}

} // namespace kestrune
