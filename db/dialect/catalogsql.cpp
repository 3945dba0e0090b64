#include "db/dialect/catalogsql.h"

#include "db/dialect/sqltext.h"

namespace kestrune::catalogsql {

std::string nullKeySql(
    const std::string &table, const std::vector<std::string> &names, const std::string &condition)
{
    std::string anyNull;
    std::string which;
    for (const std::string &name : names) {
        anyNull += (anyNull.empty() ? "" : " or ") + name + " is null";
        which += (which.empty() ? "" : ",") + name + " is null";
    }
    return "select " + which + " from " + quotedName(table) + " where (" + anyNull + ")"
        + conditionSql("and", condition) + " limit 1";
}

} // namespace kestrune::catalogsql
