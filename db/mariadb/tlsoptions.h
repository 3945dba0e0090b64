#pragma once

#include <string>

namespace kestrune {

// How a connection through MariaDB's client library uses TLS. By default it encrypts where the
// server offers TLS and checks no certificate, as the mariadb client does.
struct TlsOptions {
    enum class Use {
        WhereOffered,
        Required, // a server that offers no TLS is refused
        Never,
    };
    Use use = Use::WhereOffered;
    // The server's certificate against the trusted authorities, and its name against the server's.
    bool verifyServerCert = false;
    // Empty: none. A trusted authority alone already checks the certificate, but not its name.
    std::string ca;
    std::string caPath;
    std::string cert; // the client's certificate, and its key
    std::string key;
};

} // namespace kestrune
