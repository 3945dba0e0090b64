#include "core/findingsink.h"

#include "core/jsonwriter.h"
#include "core/textwriter.h"

#include <stdexcept>

namespace kestrune {

std::unique_ptr<FindingSink> lineWriter(
    LineFormat format, std::vector<KeyColumn> key, std::string table2Name, LineSink &lines)
{
    if (format == LineFormat::Json)
        return std::make_unique<JsonWriter>(std::move(key), lines);
    if (format == LineFormat::Sql)
        throw std::logic_error("statements are written by what knows their table");
    return std::make_unique<TextWriter>(std::move(key), std::move(table2Name), lines);
}

} // namespace kestrune
