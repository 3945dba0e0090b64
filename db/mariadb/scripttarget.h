#pragma once

#include "core/keypairing.h"
#include "db/dialect/syncscript.h"
#include "db/mariadb/clientconnection.h"

#include <string>

namespace kestrune {

// Table 2 as the statements that make it equal to table 1 write it, from its server: its own
// column names, which of them it generates, and its packet. Throws PairingError unless a unique
// index of table 2 is made of the key's columns, so that a statement by key touches one record.
ScriptTarget scriptTarget(ClientConnection &connection, const std::string &database,
    const std::string &table, const KeyPairing &pairing);

} // namespace kestrune
