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

SpooledLines::SpooledLines(LineFormat format, std::size_t memoryBytes)
    : m_deletes("\n", memoryBytes)
    , m_fieldDifferences(format == LineFormat::Text ? "\r\n" : "\n", memoryBytes)
    , m_addedDeleted(format == LineFormat::Text ? "\r\n" : "\n", memoryBytes)
{
}

void SpooledLines::appendFieldDifference(std::string_view line) { m_fieldDifferences.append(line); }

void SpooledLines::appendAddedDeleted(std::string_view line) { m_addedDeleted.append(line); }

void SpooledLines::appendDelete(std::string_view statement) { m_deletes.append(statement); }

void SpooledLines::appendUpdate(std::string_view statement)
{
    m_fieldDifferences.append(statement);
}

void SpooledLines::appendInsert(std::string_view statement) { m_addedDeleted.append(statement); }

void SpooledLines::writeTo(int fd)
{
    m_deletes.writeTo(fd);
    m_fieldDifferences.writeTo(fd);
    m_addedDeleted.writeTo(fd);
}

SpooledLines::Spool::Spool(std::string_view lineEnd, std::size_t memoryBytes)
    : m_lineEnd(lineEnd)
    , m_memoryBytes(memoryBytes)
{
}

SpooledLines::Spool::~Spool()
{
    if (m_file >= 0)
        ::close(m_file);
}

void SpooledLines::Spool::append(std::string_view line)
{
    m_buffer.append(line);
    m_buffer.append(m_lineEnd);
    m_empty = false;
    if (m_buffer.size() >= m_memoryBytes)
        spill();
}

void SpooledLines::Spool::spill()
{
    if (m_file < 0) {
        // Unlinked from the start, so nothing is left behind however the run ends. Not every file
        // system makes nameless files; there the name goes as soon as the file is open.
        const std::string folder = temporaryFolder();
        m_file = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
        if (m_file < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
            std::string name = folder + "/kestrune-lines-XXXXXX";
            m_file = ::mkostemp(name.data(), O_CLOEXEC);
            if (m_file >= 0)
                ::unlink(name.c_str());
        }
        if (m_file < 0)
            temporaryFileFailed(errno);
    }
    try {
        writeAll(m_file, m_buffer);
    } catch (const std::system_error &error) {
        temporaryFileFailed(error.code().value());
    }
    m_buffer.clear();
}

void SpooledLines::Spool::writeTo(int fd)
{
    if (m_file >= 0) {
        std::string chunk(std::size_t(1) << 20, '\0');
        for (off_t at = 0;;) {
            ssize_t got = ::pread(m_file, chunk.data(), chunk.size(), at);
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
