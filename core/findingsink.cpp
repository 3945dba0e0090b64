#include "core/findingsink.h"

#include "core/jsonwriter.h"
#include "core/textwriter.h"

namespace kestrune {

std::unique_ptr<FindingSink> lineWriter(
    LineFormat format, std::vector<KeyColumn> key, std::string table2Name, LineSink &lines)
{
    if (format == LineFormat::Json)
        return std::make_unique<JsonWriter>(std::move(key), lines);
    return std::make_unique<TextWriter>(std::move(key), std::move(table2Name), lines);
}

} // namespace kestrune
