#pragma once

#include "db/dialect/keysql.h"
#include "db/mariadb/clientconnection.h"
#include "engine/rangesource.h"
#include "engine/tablequery.h"

#include <cstddef>
#include <string>
#include <vector>

namespace kestrune {

// One table's ranges of its key on its server: keys sampled through its index, each range's
// figures worked out by the server in one query a check, and the rows of ranges read. Every
// statement stays within the server's packet, cut in several where one would not. Only reads.
class TableRanges final : public RangeSource {
public:
    // `query` is the table's read by key, its condition the user's; `figures` rangeFiguresSql()
    // of its compared columns; `packet` the server's max_allowed_packet.
    TableRanges(ClientConnection &connection, TableQuery query, std::vector<KeyColumnSql> key,
        std::string figures, std::size_t packet);

    SampledKeys keysFrom(
        const std::optional<KeyValue> &from, long long step, long long limit) override;
    std::vector<std::vector<KeyValue>> keysWithin(
        const std::vector<KeyRange> &ranges, long long step) override;
    std::vector<RangeFigures> figures(const std::vector<KeyRange> &ranges) override;
    std::size_t readCost(const KeyRange &range) const override;
    std::size_t statementRoom() const override;
    std::unique_ptr<TableReader> read(const std::vector<KeyRange> &ranges) override;

private:
    template <typename Answer, typename Build, typename Run>
    std::vector<Answer> inHalvesWhereTooLong(
        const std::vector<KeyRange> &ranges, const Build &build, const Run &run);
    std::optional<SampledKeys> denseKeysFrom(
        const std::optional<KeyValue> &from, long long step, long long limit);
    void checkSize(const std::string &sql) const;
    // Runs a query in the binary protocol, every value as a reader gives it.
    Table rowsOf(const std::string &sql);

    ClientConnection &m_connection;
    TableQuery m_query;
    std::vector<KeyColumnSql> m_key;
    std::string m_figures;
    std::size_t m_packet;
};

} // namespace kestrune
