#pragma once

#include <string>
#include <string_view>
#include <vector>

// What the program asks a server of its tables and sessions. Each catalog query takes the table's
// name for its one parameter and reads the current database.
namespace kestrune::catalogsql {

// The primary key's column names, in the key's order.
inline constexpr std::string_view primaryKey
    = "SELECT COLUMN_NAME FROM information_schema.STATISTICS "
      "WHERE TABLE_SCHEMA = DATABASE() AND TABLE_NAME = ? AND INDEX_NAME = 'PRIMARY' "
      "ORDER BY SEQ_IN_INDEX";
// Each unique index's name and column names, an index's columns together in their order.
inline constexpr std::string_view uniqueIndexes
    = "SELECT INDEX_NAME, COLUMN_NAME FROM information_schema.STATISTICS "
      "WHERE TABLE_SCHEMA = DATABASE() AND TABLE_NAME = ? AND NON_UNIQUE = 0 "
      "ORDER BY INDEX_NAME, SEQ_IN_INDEX";
// Each column's name, data type, type (its first 64 characters), character set, collation,
// longest value in bytes (-1 for none), 1 when it is generated and 1 when an update of its row
// sets it (ON UPDATE), in the table's order.
inline constexpr std::string_view columnDetails
    = "SELECT COLUMN_NAME, DATA_TYPE, LEFT(COLUMN_TYPE, 64), IFNULL(CHARACTER_SET_NAME, ''), "
      "IFNULL(COLLATION_NAME, ''), IFNULL(CHARACTER_OCTET_LENGTH, -1), "
      "IF(IS_GENERATED = 'NEVER', 0, 1), IF(EXTRA LIKE '%on update%', 1, 0) "
      "FROM information_schema.COLUMNS WHERE TABLE_SCHEMA = DATABASE() AND TABLE_NAME = ? "
      "ORDER BY ORDINAL_POSITION";
// The server's estimate of the table's rows; NULL for a view.
inline constexpr std::string_view estimateRows
    = "SELECT TABLE_ROWS FROM information_schema.TABLES "
      "WHERE TABLE_SCHEMA = DATABASE() AND TABLE_NAME = ?";
inline constexpr std::string_view tables = "SHOW TABLES;";
inline constexpr std::string_view maxAllowedPacket = "select @@max_allowed_packet";

// A command-line session: while a result streams, the server waits on the client whenever the
// consumer pauses, and its default of 60 seconds would cut a paused read; TIMESTAMPs in UTC, so
// that the same instant gives the same text on servers in any zones, and the hour that a fold of
// daylight saving time repeats is told apart.
inline constexpr const char *sessionSetup
    = "SET SESSION net_write_timeout = 5000, time_zone = '+00:00'";
// Every later query of the session reads the tables as they stood when these ran.
inline constexpr std::string_view snapshot[]
    = { "set session transaction isolation level repeatable read",
          "start transaction read only, with consistent snapshot" };
// Fails on a server without the function the range figures need.
inline constexpr std::string_view rangeFunctions = "select crc32c('')";

// One row of "1" or "0" a key column, whether it is NULL, where the condition's rows hold a NULL
// in any; no row when none does. `names` are quoted.
std::string nullKeySql(
    const std::string &table, const std::vector<std::string> &names, const std::string &condition);

} // namespace kestrune::catalogsql
