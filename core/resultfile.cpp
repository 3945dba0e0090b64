#include "core/resultfile.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <random>
#include <string_view>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace kestrune {

namespace {

constexpr std::size_t bufferSize = std::size_t(1) << 20;

[[noreturn]] void throwSystemError(int error)
{
    // what() is only the system's reason, e.g. "Permission denied".
    throw std::system_error(error, std::generic_category());
}

} // namespace

void writeAll(int fd, std::string_view data)
{
    while (!data.empty()) {
        ssize_t written = ::write(fd, data.data(), data.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            throwSystemError(errno);
        }
        // A write that makes no progress would otherwise loop for ever.
        if (written == 0)
            throwSystemError(EIO);
        data.remove_prefix(static_cast<std::size_t>(written));
    }
}

namespace {

void writeLines(int fd, const TextLines &first, const TextLines &second)
{
    std::string buffer;
    buffer.reserve(bufferSize);
    for (const TextLines *lines : { &first, &second }) {
        for (std::size_t i = 0; i < lines->size(); ++i) {
            appendResultLine(buffer, lines->at(i));
            if (buffer.size() >= bufferSize) {
                writeAll(fd, buffer);
                buffer.clear();
            }
        }
    }
    writeAll(fd, buffer);
}

void closeChecked(int &fd)
{
    // The descriptor is gone whatever close() says, so it is never closed twice.
    int result = ::close(fd);
    fd = -1;
    if (result != 0 && errno != EINTR)
        throwSystemError(errno);
}

class Descriptor {
public:
    explicit Descriptor(int fd)
        : m_fd(fd)
    {
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }

    int &fd() { return m_fd; }

private:
    int m_fd;
};

// A new file beside the target, removed again unless it has been renamed over the target.
class TemporaryFile {
public:
    explicit TemporaryFile(const std::string &target)
    {
        std::size_t slash = target.rfind('/');
        std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
        std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
        // Leaves room for the dots and the suffix within the 255 bytes a name may have.
        name.resize(std::min<std::size_t>(name.size(), 200));

        // Only spreads the names; O_EXCL is what keeps two saves apart.
        std::minstd_rand draw(static_cast<std::uint_fast32_t>(
            std::chrono::steady_clock::now().time_since_epoch().count() ^ ::getpid()));
        static constexpr std::string_view letters
            = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
        std::uniform_int_distribution<std::size_t> pick(0, letters.size() - 1);
        const std::string prefix = folder + "." + name + ".";
        for (int attempt = 0; attempt < 100; ++attempt) {
            std::string candidate = prefix;
            for (int i = 0; i < 8; ++i)
                candidate += letters[pick(draw)];
            // Created like any new file, so the umask and a folder's default ACL apply.
            int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd >= 0) {
                m_path = std::move(candidate);
                m_fd.fd() = fd;
                return;
            }
            if (errno != EEXIST)
                throwSystemError(errno);
        }
        throwSystemError(EEXIST);
    }
    TemporaryFile(const TemporaryFile &) = delete;
    TemporaryFile &operator=(const TemporaryFile &) = delete;
    ~TemporaryFile()
    {
        if (!m_renamed)
            ::unlink(m_path.c_str());
    }

    int &fd() { return m_fd.fd(); }

    void renameOver(const std::string &target)
    {
        if (::rename(m_path.c_str(), target.c_str()) != 0)
            throwSystemError(errno);
        m_renamed = true;
    }

private:
    std::string m_path;
    Descriptor m_fd { -1 };
    bool m_renamed = false;
};

void replaceFile(const std::string &target, const std::function<void(int fd)> &write)
{
    TemporaryFile temporary(target);
    write(temporary.fd());
    // On disk before the rename, so a crash cannot leave an empty file in the old one's place.
    if (::fsync(temporary.fd()) != 0)
        throwSystemError(errno);
    closeChecked(temporary.fd());
    temporary.renameOver(target);
}

// Devices, pipes and the like cannot be replaced by a rename; they take the lines directly.
void writeInPlace(const std::string &target, const std::function<void(int fd)> &write)
{
    Descriptor file(::open(target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC));
    if (file.fd() < 0)
        throwSystemError(errno);
    write(file.fd());
    closeChecked(file.fd());
}

} // namespace

void saveResultFile(const std::string &path, const TextLines &first, const TextLines &second)
{
    saveFile(path, [&](int fd) { writeLines(fd, first, second); });
}

void saveFile(const std::string &path, const std::function<void(int fd)> &write)
{
    if (path.empty())
        throwSystemError(ENOENT);

    std::string target = path;
    struct stat info;
    if (::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
        // Saving through a link replaces the file it points to and keeps the link. A dangling
        // link does not resolve and is itself replaced.
        if (char *resolved = ::realpath(path.c_str(), nullptr)) {
            target = resolved;
            std::free(resolved);
        }
    }
    if (::stat(target.c_str(), &info) == 0 && !S_ISREG(info.st_mode))
        writeInPlace(target, write);
    else
        replaceFile(target, write);
}

} // namespace kestrune
