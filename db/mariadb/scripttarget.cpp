#include "db/mariadb/scripttarget.h"

#include "db/dialect/sqltext.h"
#include "engine/keyplan.h"

#include <algorithm>

namespace kestrune {

ScriptTarget scriptTarget(ClientConnection &connection, const std::string &database,
    const std::string &table, const KeyPairing &pairing)
{
    checkKeyIsUnique(connection, table, pairing.key, "--format sql");
    ScriptTarget target;
    target.table = (database.empty() ? "" : quotedName(database) + ".") + quotedName(table);
    target.key = pairing.key;
    const std::vector<ColumnDetails> details = connection.columnDetails(table);
    for (const ColumnShape &column : pairing.columns2) {
        target.names.push_back(quotedName(column.name));
        const ColumnDetails *found = detailsNamed(details, column.name);
        target.generated.push_back(found && found->generated);
        target.setOnUpdate.push_back(found && found->setOnUpdate);
    }
    std::vector<ColumnPair> shared = pairing.compared;
    for (const KeyColumn &column : pairing.key)
        shared.push_back({ column.first, column.second });
    for (const ColumnPair &pair : shared) {
        if (!target.generated[pair.second])
            target.inserted.push_back(pair);
    }
    std::sort(target.inserted.begin(), target.inserted.end(),
        [](const ColumnPair &a, const ColumnPair &b) { return a.first < b.first; });
    target.statementBytes = std::min<std::size_t>(1 << 20, connection.maxAllowedPacket() / 4);
    return target;
}

} // namespace kestrune
