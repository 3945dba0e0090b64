#pragma once

#include "engine/tablequery.h"

#include <string>
#include <string_view>

// The SQL of MySQL and MariaDB that every statement the program builds is written in.
namespace kestrune {

// A name quoted as an identifier, so a name with a blank, a reserved word or a backquote names
// that table or column and nothing else.
std::string quotedName(std::string_view name);

// The user's condition after `keyword` ("where", "and"), or nothing when there is none. It ends
// on a line of its own, so a comment that ends the condition leaves the rest of the query be.
std::string conditionSql(std::string_view keyword, const std::string &condition);

// The query's SQL: "select * from `table`", then its condition and its order: a text by the
// bytes of its UTF-8 form, anything else as it is.
std::string selectSql(const TableQuery &query);

// Bytes as a literal the server reads back exactly: x'...'.
std::string hexLiteral(std::string_view bytes);

} // namespace kestrune
