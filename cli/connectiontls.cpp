#include "cli/connectiontls.h"

#include "cli/commanderror.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace kestrune {

namespace {

bool asksForTls(const TlsChoices &tls)
{
    return tls.ssl == true || tls.verifyServerCert || tls.ca || tls.caPath || tls.cert || tls.key;
}

// The library would only say "No such file or directory", without saying which file.
void checkReadable(const std::string &path, bool folder)
{
    if (path.empty())
        return;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | (folder ? O_DIRECTORY : 0));
    char byte;
    // A folder named for a file opens; only reading it fails.
    const bool readable = fd >= 0 && (folder || ::read(fd, &byte, 1) >= 0);
    const int error = errno;
    if (fd >= 0)
        ::close(fd);
    if (!readable)
        throw CommandError(path + ": " + std::strerror(error));
}

} // namespace

TlsOptions connectionTls(const TlsChoices &given, const TlsChoices &fallback)
{
    TlsOptions tls;
    if (given.ssl == false || (!asksForTls(given) && fallback.ssl == false)) {
        tls.use = TlsOptions::Use::Never;
        return tls;
    }
    tls.use = asksForTls(given) || asksForTls(fallback) ? TlsOptions::Use::Required
                                                        : TlsOptions::Use::WhereOffered;
    tls.verifyServerCert
        = given.verifyServerCert.value_or(fallback.verifyServerCert.value_or(false));
    tls.ca = given.ca.value_or(fallback.ca.value_or(""));
    tls.caPath = given.caPath.value_or(fallback.caPath.value_or(""));
    tls.cert = given.cert.value_or(fallback.cert.value_or(""));
    tls.key = given.key.value_or(fallback.key.value_or(""));
    checkReadable(tls.ca, false);
    checkReadable(tls.caPath, true);
    checkReadable(tls.cert, false);
    checkReadable(tls.key, false);
    return tls;
}

} // namespace kestrune
