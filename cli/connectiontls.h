#pragma once

#include "cli/compareoptions.h"
#include "db/mariadb/tlsoptions.h"

namespace kestrune {

// The TLS a table's connection uses: its own choices, and for each one left out the fallback's
// (table 1's, for table 2). Its own --skip-ssl drops every inherited choice, and its own TLS
// options an inherited --skip-ssl. A certificate file or verification asks for TLS as --ssl does.
// Throws CommandError, naming the file, for a file or folder that cannot be read.
TlsOptions connectionTls(const TlsChoices &given, const TlsChoices &fallback = {});

} // namespace kestrune
