#include "core/keypairing.h"

#include <algorithm>

namespace kestrune {

namespace {

// What a key column holds, as far as ordering goes: kinds of one family order alike.
std::string_view keyFamily(ColumnKind kind)
{
    if (isNumber(kind))
        return "a number";
    if (kind == ColumnKind::Date || kind == ColumnKind::DateTime)
        return "a date";
    if (kind == ColumnKind::Time)
        return "a time";
    return kind == ColumnKind::Bytes ? "a byte string" : "a text";
}

std::size_t keyPlace(
    const std::string &table, const std::vector<ColumnShape> &columns, const std::string &name)
{
    std::optional<std::size_t> place = findColumn(columns, name);
    if (!place)
        throw PairingError(table + ": no column named " + name);
    return *place;
}

} // namespace

KeyPairing planKeyPairing(const std::string &table1, const std::vector<ColumnShape> &columns1,
    const std::string &table2, const std::vector<ColumnShape> &columns2,
    const std::vector<std::string> &keyNames)
{
    KeyPairing plan;
    plan.columns1 = columns1;
    plan.columns2 = columns2;
    for (const std::string &name : keyNames) {
        const std::size_t first = keyPlace(table1, columns1, name);
        const std::size_t second = keyPlace(table2, columns2, name);
        const std::string &spelling = columns1[first].name;
        if (std::any_of(plan.key.begin(), plan.key.end(),
                [&](const KeyColumn &key) { return key.first == first; }))
            throw PairingError("key column " + spelling + " is named twice");
        const std::string_view family1 = keyFamily(columns1[first].kind);
        const std::string_view family2 = keyFamily(columns2[second].kind);
        if (family1 != family2) {
            std::string told = "key column " + spelling + " is ";
            told.append(family1).append(" in ").append(table1);
            told.append(" but ").append(family2).append(" in ").append(table2);
            throw PairingError(told);
        }
        plan.key.push_back({ spelling, first, second });
    }
    const NamedPairs named = pairByName(columns1, columns2);
    for (const ColumnPair &pair : named.pairs) {
        if (std::none_of(plan.key.begin(), plan.key.end(),
                [&](const KeyColumn &key) { return key.first == pair.first; }))
            plan.compared.push_back(pair);
    }
    for (std::size_t c : named.onlyInFirst)
        plan.onlyInFirst.push_back(columns1[c].name);
    for (std::size_t c : named.onlyInSecond)
        plan.onlyInSecond.push_back(columns2[c].name);
    return plan;
}

} // namespace kestrune
