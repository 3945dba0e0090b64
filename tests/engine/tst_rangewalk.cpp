#include "engine/comparetables.h"
#include "engine/rangewalk.h"

#include <QTest>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <stdexcept>

using namespace kestrune;

namespace {

using Key = std::vector<std::int64_t>;
struct Row {
    Key key;
    std::int64_t value;
};
using Rows = std::vector<Row>; // in key order

Key keyOf(const KeyValue &value)
{
    Key key;
    for (const KeyPart &part : value)
        key.push_back(static_cast<std::int64_t>(part.slot));
    return key;
}

KeyValue valueOf(const Key &key)
{
    KeyValue value;
    for (std::int64_t part : key)
        value.push_back({ ColumnKind::Integer, 0, static_cast<std::uint64_t>(part), {} });
    return value;
}

std::uint64_t mixed(std::uint64_t x)
{
    x += 0x9e3779b97f4a7c15ULL;
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ULL;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebULL;
    return x ^ (x >> 31);
}

Table tableOf(const Rows &rows, std::size_t keyColumns)
{
    Table table;
    for (std::size_t k = 0; k < keyColumns; ++k)
        table.columns.emplace_back("k" + std::to_string(k), ColumnKind::Integer);
    table.columns.emplace_back("v", ColumnKind::Integer);
    for (const Row &row : rows) {
        for (std::size_t k = 0; k < keyColumns; ++k)
            table.columns[k].appendInteger(row.key[k]);
        table.columns.back().appendInteger(row.value);
    }
    return table;
}

class WholeReader final : public TableReader {
public:
    explicit WholeReader(Table table)
        : m_table(std::move(table))
    {
    }
    void open() override { }
    bool next(Table &rows) override
    {
        rows = std::move(m_table);
        m_table = {};
        return rows.rowCount() > 0;
    }
    long long expectedRows() const override { return -1; }

private:
    Table m_table;
};

// A table in memory, as a server would work out its ranges, counting the rows read.
class MemorySource final : public RangeSource {
public:
    MemorySource(const Rows &rows, std::size_t keyColumns, std::size_t room)
        : m_rows(rows)
        , m_keyColumns(keyColumns)
        , m_room(room)
    {
    }

    SampledKeys keysFrom(
        const std::optional<KeyValue> &from, long long step, long long limit) override
    {
        auto at = from ? std::lower_bound(m_rows.begin(), m_rows.end(), keyOf(*from), below)
                       : m_rows.begin();
        SampledKeys sampled;
        for (long long n = 0; at != m_rows.end() && n <= limit; ++n, ++at) {
            if (n == limit)
                sampled.next = valueOf(at->key);
            else if (n % step == 0)
                sampled.keys.push_back(valueOf(at->key));
        }
        return sampled;
    }
    std::vector<std::vector<KeyValue>> keysWithin(
        const std::vector<KeyRange> &ranges, long long step) override
    {
        std::vector<std::vector<KeyValue>> keys;
        for (const KeyRange &range : ranges) {
            long long n = 0;
            std::vector<KeyValue> &these = keys.emplace_back();
            for (const Row &row : inside(range)) {
                if (n++ % step == 0)
                    these.push_back(valueOf(row.key));
            }
        }
        return keys;
    }
    std::vector<RangeFigures> figures(const std::vector<KeyRange> &ranges) override
    {
        std::vector<RangeFigures> figures;
        for (const KeyRange &range : ranges) {
            RangeFigures &f = figures.emplace_back();
            for (const Row &row : inside(range)) {
                std::uint64_t hash = mixed(static_cast<std::uint64_t>(row.value));
                for (std::int64_t part : row.key)
                    hash = mixed(hash ^ static_cast<std::uint64_t>(part));
                ++f.rows;
                ++f.figured;
                f.figure[0] ^= hash;
                f.figure[1] ^= mixed(hash);
            }
        }
        return figures;
    }
    std::size_t readCost(const KeyRange &range) const override
    {
        return (range.low ? 10 : 0) + (range.high ? 10 : 0);
    }
    std::size_t statementRoom() const override { return m_room; }
    std::unique_ptr<TableReader> read(const std::vector<KeyRange> &ranges) override
    {
        std::size_t cost = 0;
        for (const KeyRange &range : ranges)
            cost += readCost(range);
        if (cost > m_room)
            throw std::logic_error("ranges read beyond a statement's room");
        Rows rows;
        for (const KeyRange &range : ranges) {
            for (const Row &row : inside(range))
                rows.push_back(row);
        }
        m_read += static_cast<long long>(rows.size());
        ++m_reads;
        return std::make_unique<WholeReader>(tableOf(rows, m_keyColumns));
    }

    long long rowsRead() const { return m_read; }
    long long reads() const { return m_reads; }

private:
    static bool below(const Row &row, const Key &key) { return row.key < key; }

    Rows inside(const KeyRange &range) const
    {
        auto from = range.low
            ? std::lower_bound(m_rows.begin(), m_rows.end(), keyOf(*range.low), below)
            : m_rows.begin();
        auto to = range.high
            ? std::lower_bound(m_rows.begin(), m_rows.end(), keyOf(*range.high), below)
            : m_rows.end();
        return from < to ? Rows(from, to) : Rows();
    }

    const Rows &m_rows;
    std::size_t m_keyColumns;
    std::size_t m_room;
    long long m_read = 0;
    long long m_reads = 0;
};

std::vector<std::string> linesOf(const ComparisonLines &lines)
{
    std::vector<std::string> all;
    for (std::size_t i = 0; i < lines.fieldDifferences.size(); ++i)
        all.emplace_back(lines.fieldDifferences.at(i));
    for (std::size_t i = 0; i < lines.addedDeleted.size(); ++i)
        all.emplace_back(lines.addedDeleted.at(i));
    return all;
}

Rows counted(long long count, const std::function<Key(long long)> &key)
{
    Rows rows;
    for (long long i = 0; i < count; ++i)
        rows.push_back({ key(i), i });
    std::sort(rows.begin(), rows.end(), [](const Row &a, const Row &b) { return a.key < b.key; });
    return rows;
}

} // namespace

Q_DECLARE_METATYPE(Rows)
Q_DECLARE_METATYPE(RangeOrder)

class RangeWalkTest : public QObject {
    Q_OBJECT

private slots:
    // The walk gives the lines of one merge of the whole tables, and reads what differs with
    // little around it, however the keys spread.
    void readsWhatDiffers_data()
    {
        QTest::addColumn<Rows>("one");
        QTest::addColumn<Rows>("two");
        QTest::addColumn<RangeOrder>("order");
        QTest::addColumn<std::size_t>("room"); // of a read's statement
        QTest::addColumn<long long>("mostRead"); // of either table; -1: any
        const auto dense = [](long long i) { return Key { i == 0 ? 1LL << 62 : i }; };
        const Rows outlier = counted(100000, dense);
        Rows changed = outlier;
        changed[54321].value = -1;
        QTest::newRow("one change beside a key far from the rest")
            << outlier << changed << RangeOrder::Pairing << std::size_t(1 << 20) << 1000LL;
        const Rows halves = counted(100000, [](long long i) { return Key { i % 2, i }; });
        Rows halvesChanged = halves;
        halvesChanged[70001].value = -1;
        QTest::newRow("one change, a first key column of two values")
            << halves << halvesChanged << RangeOrder::Pairing << std::size_t(1 << 20) << 1000LL;
        Rows everyRow = outlier;
        for (Row &row : everyRow)
            row.value += 1;
        QTest::newRow("every row differs")
            << outlier << everyRow << RangeOrder::Pairing << std::size_t(1 << 20) << -1LL;
        Rows gap = outlier;
        gap.erase(gap.begin() + 40000, gap.begin() + 41000);
        QTest::newRow("a block only table 2 holds")
            << gap << outlier << RangeOrder::Pairing << std::size_t(1 << 20) << 3000LL;
        QTest::newRow("table 1 empty")
            << Rows() << counted(300, dense) << RangeOrder::Pairing << std::size_t(1 << 20) << -1LL;
        Rows scattered = outlier;
        for (std::size_t i = 500; i < scattered.size(); i += 5000)
            scattered[i].value = -1;
        QTest::newRow("read at the end, in a statement too small for every range")
            << outlier << scattered << RangeOrder::Other << std::size_t(200) << -1LL;
    }

    void readsWhatDiffers()
    {
        QFETCH(Rows, one);
        QFETCH(Rows, two);
        QFETCH(RangeOrder, order);
        QFETCH(std::size_t, room);
        QFETCH(long long, mostRead);
        const std::size_t keyColumns = (one.empty() ? two : one).front().key.size();
        const Table table1 = tableOf(one, keyColumns);
        const Table table2 = tableOf(two, keyColumns);
        std::vector<ColumnShape> shape;
        std::vector<std::string> keyNames;
        for (const Column &column : table1.columns) {
            shape.push_back({ column.name(), column.kind() });
            if (column.name() != "v")
                keyNames.push_back(column.name());
        }
        Comparison comparison { "t1", "t2", planKeyPairing("t1", shape, "t2", shape, keyNames) };

        ComparisonLines whole;
        WholeReader reader1(table1);
        WholeReader reader2(table2);
        const ComparisonOutcome expected = compareTables(reader1, reader2, comparison, whole);

        ComparisonLines walked;
        MemorySource source1(one, keyColumns, room);
        MemorySource source2(two, keyColumns, room);
        const ComparisonOutcome outcome = walkRanges(source1, source2, order, comparison, walked);
        QCOMPARE(linesOf(walked), linesOf(whole));
        QCOMPARE(outcome.counts.fieldDifferences, expected.counts.fieldDifferences);
        QCOMPARE(outcome.counts.added, expected.counts.added);
        QCOMPARE(outcome.counts.deleted, expected.counts.deleted);
        if (mostRead >= 0)
            QVERIFY2(std::max(source1.rowsRead(), source2.rowsRead()) <= mostRead,
                qPrintable(QString("%1 and %2 rows read")
                               .arg(source1.rowsRead())
                               .arg(source2.rowsRead())));
        if (order == RangeOrder::Other)
            QCOMPARE(source1.reads(), 1LL);
    }
};

QTEST_APPLESS_MAIN(RangeWalkTest)
#include "tst_rangewalk.moc"
