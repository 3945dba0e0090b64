#include "engine/keymerge.h"

#include "core/keycomparer.h"
#include "core/keytext.h"
#include "engine/tablecursor.h"

#include <algorithm>
#include <string_view>
#include <vector>

namespace kestrune {

namespace {

// The places of the key's columns in one table's rows, and their kinds.
std::vector<std::size_t> keyPlaces(const std::vector<KeyColumn> &key, bool first)
{
    std::vector<std::size_t> places;
    places.reserve(key.size());
    for (const KeyColumn &column : key)
        places.push_back(first ? column.first : column.second);
    return places;
}

std::vector<ColumnKind> keyKinds(
    const std::vector<KeyColumn> &key, const std::vector<ColumnShape> &shape, bool first)
{
    std::vector<ColumnKind> kinds;
    kinds.reserve(key.size());
    for (const KeyColumn &column : key)
        kinds.push_back(shape[first ? column.first : column.second].kind);
    return kinds;
}

// A cursor over one table of a key pairing that holds each rowset to the key before it is
// used: the columns as described, no NULL in the key, and every key after the one before it.
class KeyedCursor {
public:
    KeyedCursor(Cursor &cursor, const std::string &table, const std::vector<ColumnShape> &shape,
        const std::vector<KeyColumn> &key, bool first)
        : m_cursor(cursor)
        , m_table(table)
        , m_shape(shape)
        , m_key(key)
        , m_first(first)
        , m_places(keyPlaces(key, first))
        , m_previousKey(copiedKey(key))
        , m_order(m_places, keyKinds(key, shape, first), m_places, keyKinds(key, shape, first))
        , m_afterPrevious(m_places, keyKinds(key, shape, first), keyPlaces(m_previousKey, first),
              keyKinds(key, shape, first))
    {
    }

    bool refill()
    {
        if (m_cursor.at < m_cursor.rows.rowCount())
            return true;
        if (!m_cursor.refill())
            return false;
        check(m_cursor.rows);
        return true;
    }

private:
    // The key's columns as copyKey() lays them out.
    static std::vector<KeyColumn> copiedKey(const std::vector<KeyColumn> &key)
    {
        std::vector<KeyColumn> copied;
        copied.reserve(key.size());
        for (std::size_t k = 0; k < key.size(); ++k)
            copied.push_back({ key[k].name, k, k });
        return copied;
    }

    std::string keyText(const Table &rows, std::size_t row, const std::vector<KeyColumn> &key)
    {
        std::string text;
        appendKeyText(text, rows, row, key, m_first);
        return text;
    }

    void check(const Table &rows)
    {
        if (!m_shapeChecked) {
            bool same = rows.columns.size() == m_shape.size();
            for (std::size_t c = 0; same && c < m_shape.size(); ++c)
                same = rows.columns[c].name() == m_shape[c].name
                    && rows.columns[c].kind() == m_shape[c].kind;
            if (!same)
                throw PairingError(m_table + ": its columns changed while it was read");
            m_shapeChecked = true;
        }
        const std::size_t count = rows.rowCount();
        for (std::size_t k = 0; k < m_places.size(); ++k) {
            const std::uint8_t *nulls = rows.columns[m_places[k]].nullFlags();
            if (std::find(nulls, nulls + count, 1) != nulls + count)
                throw PairingError(m_table + ": key column " + m_key[k].name + " holds NULL");
        }
        for (std::size_t row = 0; row < count; ++row) {
            const int order = row == 0
                ? (m_hasPrevious ? m_afterPrevious.compare(rows, 0, m_previous, 0) : 1)
                : m_order.compare(rows, row, rows, row - 1);
            if (order > 0)
                continue;
            std::string told = m_table + ": key ";
            told += keyText(rows, row, m_key);
            if (order == 0)
                throw PairingError(told + " appears twice");
            told += " arrives after ";
            told
                += row == 0 ? keyText(m_previous, 0, m_previousKey) : keyText(rows, row - 1, m_key);
            told += ", out of the key's order";
            throw PairingError(told);
        }
        if (count > 0) {
            copyKey(rows, count - 1, m_places, m_previous);
            m_hasPrevious = true;
        }
    }

    Cursor &m_cursor;
    const std::string &m_table;
    const std::vector<ColumnShape> &m_shape;
    const std::vector<KeyColumn> &m_key;
    bool m_first;
    std::vector<std::size_t> m_places; // of the key's columns in this table's rows
    std::vector<KeyColumn> m_previousKey;
    KeyComparer m_order; // of two rows of one rowset
    KeyComparer m_afterPrevious; // of a row and the last key of the rowset before
    Table m_previous;
    bool m_hasPrevious = false;
    bool m_shapeChecked = false;
};

} // namespace

std::vector<ColumnPair> chosenColumns(const KeyPairing &pairing, const ColumnChoice &choice)
{
    return chosenPairs(pairing.compared, choice,
        [&](std::size_t c) -> std::string_view { return pairing.columns1[c].name; });
}

KeyMerge::KeyMerge(const Comparison &comparison, FindingSink &findings)
    : m_comparison(comparison)
    , m_comparer(chosenColumns(*comparison.byKey, comparison.columns), findings)
{
}

void KeyMerge::merge(TableReader &table1, TableReader &table2, const ReadProgress &progress)
{
    const KeyPairing &pairing = *m_comparison.byKey;
    Cursor one { table1, {} };
    Cursor two { table2, {} };
    ProgressReport report(progress, one, two);
    KeyedCursor keyed1(one, m_comparison.table1, pairing.columns1, pairing.key, true);
    KeyedCursor keyed2(two, m_comparison.table2, pairing.columns2, pairing.key, false);
    const KeyComparer across(keyPlaces(pairing.key, true),
        keyKinds(pairing.key, pairing.columns1, true), keyPlaces(pairing.key, false),
        keyKinds(pairing.key, pairing.columns2, false));
    // A merge of two streams in the key's order: a run of equal keys is compared as one batch,
    // and the lower key of two that differ is a record only its table has.
    while (keyed1.refill() && keyed2.refill()) {
        const std::size_t room
            = std::min(one.rows.rowCount() - one.at, two.rows.rowCount() - two.at);
        std::size_t run = 0;
        int order = 0;
        while (run < room
            && (order = across.compare(one.rows, one.at + run, two.rows, two.at + run)) == 0)
            ++run;
        if (run > 0) {
            m_comparer.compare(one.rows, one.at, two.rows, two.at, run);
            one.at += run;
            two.at += run;
        } else if (order < 0) {
            m_comparer.deleted(one.rows, one.at++);
        } else {
            m_comparer.added(two.rows, two.at++);
        }
        report();
    }
    while (keyed1.refill()) {
        m_comparer.deleted(one.rows, one.at++);
        report();
    }
    while (keyed2.refill()) {
        m_comparer.added(two.rows, two.at++);
        report();
    }
    report(true);
    m_rows1 += one.read;
    m_rows2 += two.read;
}

} // namespace kestrune
