#include "engine/keyvalue.h"

namespace kestrune {

KeyValue keyValueOf(const Table &rows, std::size_t row, const std::vector<std::size_t> &places)
{
    KeyValue key;
    key.reserve(places.size());
    for (std::size_t place : places) {
        const Column &column = rows.columns.at(place);
        KeyPart &part = key.emplace_back();
        part.kind = column.kind();
        part.fractionDigits = column.fractionDigits();
        if (column.kind() == ColumnKind::Decimal || column.kind() == ColumnKind::Text
            || column.kind() == ColumnKind::Bytes)
            part.bytes = column.bytes(row);
        else
            part.slot = column.slot(row);
    }
    return key;
}

} // namespace kestrune
