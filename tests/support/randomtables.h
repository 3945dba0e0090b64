#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace kestrune {

// A table of random values, and the statements that make it (to run on one connection, in a fresh
// database: the first relaxes the session's sql_mode so that zero dates go in).
struct RandomTable {
    std::string name;
    std::vector<std::string> statements;
};

namespace randomtables {

// A small generator of our own (SplitMix64), so every platform and library makes the same tables.
class Draw {
public:
    explicit Draw(std::uint64_t seed)
        : m_state(seed)
    {
    }
    std::uint64_t next()
    {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    long long between(long long low, long long high) // both included
    {
        return low + static_cast<long long>(next() % static_cast<std::uint64_t>(high - low + 1));
    }
    bool chance(int percent) { return between(1, 100) <= percent; }
    template <typename T> const T &pick(const std::vector<T> &items)
    {
        return items[static_cast<std::size_t>(
            between(0, static_cast<long long>(items.size()) - 1))];
    }

private:
    std::uint64_t m_state;
};

// The parts in order: the elements of a braced list are evaluated left to right, the operands of +
// in no set order, and every draw must come in the same order everywhere.
inline std::string concat(std::initializer_list<std::string> parts)
{
    std::string out;
    for (const std::string &part : parts)
        out += part;
    return out;
}

inline std::string quoted(const std::string &text)
{
    std::string out = "'";
    for (char c : text) {
        if (c == '\'' || c == '\\')
            out += c == '\'' ? '\'' : '\\';
        out += c;
    }
    return out + "'";
}

// Up to `most` characters: ASCII, blanks and quotes, multi-byte UTF-8 of two to four bytes, and now
// and then blanks at either end or nothing at all.
inline std::string text(Draw &draw, long long most)
{
    static const std::vector<std::string> pieces = { "a", "Z", "7", " ", "\t", "'", "\\", "\"", "%",
        "é", "ß", "Ω", "日", "本", "😀", "𝄞", "\n", ",", "x", "q" };
    if (draw.chance(5))
        return "";
    const bool padded = most > 3 && draw.chance(10);
    std::string out = padded ? " " : "";
    for (long long i = draw.between(1, padded ? most - 3 : most); i > 0; --i)
        out += draw.pick(pieces);
    return padded ? out + "  " : out;
}

inline std::string hexBytes(Draw &draw, long long most)
{
    const long long length = draw.between(0, most);
    std::string out = "x'";
    char hex[3];
    for (long long i = 0; i < length; ++i) {
        std::snprintf(hex, sizeof hex, "%02x", static_cast<unsigned>(draw.next() & 0xFF));
        out += hex;
    }
    return out + "'";
}

inline std::string integer(Draw &draw, long long low, long long high)
{
    if (draw.chance(10))
        return std::to_string(draw.chance(50) ? low : high);
    return std::to_string(draw.between(low, high));
}

inline std::string unsignedInteger(Draw &draw, int bits)
{
    const std::uint64_t top = bits == 64 ? ~0ull : (1ull << bits) - 1;
    if (draw.chance(10))
        return std::to_string(draw.chance(50) ? 0 : top);
    return std::to_string(draw.next() & top);
}

inline std::string decimal(Draw &draw, int precision, int scale)
{
    std::string out = draw.chance(40) ? "-" : "";
    const long long whole = draw.between(0, precision - scale);
    for (long long i = 0; i < whole; ++i)
        out += static_cast<char>('0' + draw.between(0, 9));
    if (whole == 0)
        out += '0';
    if (scale > 0) {
        out += '.';
        const long long fraction = draw.between(0, scale);
        for (long long i = 0; i < fraction; ++i)
            out += static_cast<char>('0' + draw.between(0, 9));
    }
    return out;
}

inline std::string floating(Draw &draw, bool single)
{
    char out[64];
    if (single) {
        static const std::vector<std::string> edges
            = { "3.4028234e38", "-3.4028234e38", "1.4e-45", "1.17549435e-38", "-0.0", "0" };
        if (draw.chance(10))
            return draw.pick(edges);
        float value;
        do {
            const auto bits = static_cast<std::uint32_t>(draw.next());
            std::memcpy(&value, &bits, sizeof value);
        } while (value != value || value - value != 0); // neither NaN nor infinite
        std::snprintf(out, sizeof out, "%.9g", static_cast<double>(value));
    } else {
        static const std::vector<std::string> edges = { "1.7976931348623157e308",
            "-2.2250738585072014e-308", "4.9406564584124654e-324", "-0.0", "0.1" };
        if (draw.chance(10))
            return draw.pick(edges);
        double value;
        do {
            const std::uint64_t bits = draw.next();
            std::memcpy(&value, &bits, sizeof value);
        } while (value != value || value - value != 0);
        std::snprintf(out, sizeof out, "%.17g", value);
    }
    return out;
}

inline std::string twoDigits(long long value)
{
    return (value < 10 ? "0" : "") + std::to_string(value);
}

inline std::string fraction(Draw &draw, int digits)
{
    std::string out = digits > 0 ? "." : "";
    for (int i = 0; i < digits; ++i)
        out += static_cast<char>('0' + draw.between(0, 9));
    return out;
}

// Dates with a zero month or day, and the zero date, among ordinary ones.
inline std::string date(Draw &draw)
{
    if (draw.chance(5))
        return "0000-00-00";
    const long long year = draw.chance(5) ? 0 : draw.between(1000, 9999);
    const long long month = draw.chance(5) ? 0 : draw.between(1, 12);
    const long long day = draw.chance(5) ? 0 : draw.between(1, 28);
    return std::to_string(year + 10000).substr(1) + "-" + twoDigits(month) + "-" + twoDigits(day);
}

inline std::string clock(Draw &draw, long long hours, int digits)
{
    return concat({ twoDigits(hours), ":", twoDigits(draw.between(0, 59)), ":",
        twoDigits(draw.between(0, 59)), fraction(draw, digits) });
}

// Negative times and times of more than a day, up to the limits of TIME.
inline std::string time(Draw &draw, int digits)
{
    if (draw.chance(5))
        return draw.chance(50) ? "-838:59:59" : "838:59:59";
    const long long hours = draw.chance(30) ? draw.between(24, 837) : draw.between(0, 23);
    return concat({ draw.chance(30) ? "-" : "", clock(draw, hours, digits) });
}

inline std::string dateTime(Draw &draw, int digits)
{
    if (draw.chance(5))
        return "0000-00-00 00:00:00";
    return concat({ date(draw), " ", clock(draw, draw.between(0, 23), digits) });
}

inline std::string timestamp(Draw &draw, int digits)
{
    if (draw.chance(5))
        return "0000-00-00 00:00:00";
    return concat({ std::to_string(draw.between(1971, 2037)), "-", twoDigits(draw.between(1, 12)),
        "-", twoDigits(draw.between(1, 28)), " ", clock(draw, draw.between(0, 23), digits) });
}

inline std::string json(Draw &draw, int depth = 0)
{
    switch (draw.between(0, depth < 2 ? 5 : 3)) {
    case 0:
        return std::to_string(draw.between(-1000000, 1000000));
    case 1:
        return "\"" + std::string(draw.chance(50) ? "é 😀" : "ab c") + "\"";
    case 2:
        return draw.chance(50) ? "null" : "true";
    case 3:
        return "2.5e-3";
    case 4: {
        std::string out = "[";
        for (long long i = draw.between(0, 3); i > 0; --i)
            out += json(draw, depth + 1) + (i > 1 ? ", " : "");
        return out + "]";
    }
    default:
        return concat(
            { "{\"k\": ", json(draw, depth + 1), ", \"ü\": ", json(draw, depth + 1), "}" });
    }
}

struct ColumnSpec {
    std::string type;
    std::function<std::string(Draw &)> literal;
};

inline std::vector<ColumnSpec> numberColumns()
{
    std::vector<ColumnSpec> columns = {
        { "TINYINT", [](Draw &d) { return integer(d, -128, 127); } },
        { "TINYINT UNSIGNED", [](Draw &d) { return unsignedInteger(d, 8); } },
        { "SMALLINT", [](Draw &d) { return integer(d, -32768, 32767); } },
        { "SMALLINT UNSIGNED", [](Draw &d) { return unsignedInteger(d, 16); } },
        { "MEDIUMINT", [](Draw &d) { return integer(d, -8388608, 8388607); } },
        { "MEDIUMINT UNSIGNED", [](Draw &d) { return unsignedInteger(d, 24); } },
        { "INT", [](Draw &d) { return integer(d, -2147483648LL, 2147483647LL); } },
        { "INT UNSIGNED", [](Draw &d) { return unsignedInteger(d, 32); } },
        { "INT(6) ZEROFILL", [](Draw &d) { return unsignedInteger(d, 20); } },
        { "BIGINT",
            [](Draw &d) {
                return d.chance(10)
                    ? std::string(d.chance(50) ? "-9223372036854775808" : "9223372036854775807")
                    : std::to_string(static_cast<long long>(d.next()));
            } },
        { "BIGINT UNSIGNED", [](Draw &d) { return unsignedInteger(d, 64); } },
        { "BOOLEAN", [](Draw &d) { return integer(d, 0, 1); } },
        { "BIT(1)", [](Draw &d) { return unsignedInteger(d, 1); } },
        { "YEAR", [](Draw &d) { return d.chance(10) ? "0" : integer(d, 1901, 2155); } },
        { "FLOAT", [](Draw &d) { return floating(d, true); } },
        { "DOUBLE", [](Draw &d) { return floating(d, false); } },
    };
    for (int bits : { 2, 9, 33, 64 })
        columns.push_back({ "BIT(" + std::to_string(bits) + ")",
            [bits](Draw &d) { return unsignedInteger(d, bits); } });
    for (std::pair<int, int> digits :
        { std::pair { 1, 0 }, { 5, 5 }, { 12, 2 }, { 20, 10 }, { 65, 0 }, { 65, 30 } })
        columns.push_back(
            { "DECIMAL(" + std::to_string(digits.first) + "," + std::to_string(digits.second) + ")",
                [digits](Draw &d) { return decimal(d, digits.first, digits.second); } });
    return columns;
}

inline std::vector<ColumnSpec> textColumns()
{
    auto texts = [](long long most) { return [most](Draw &d) { return quoted(text(d, most)); }; };
    auto bytes = [](long long most) { return [most](Draw &d) { return hexBytes(d, most); }; };
    return {
        { "CHAR(10)", texts(10) },
        { "VARCHAR(40)", texts(40) },
        { "VARCHAR(300) CHARACTER SET latin1",
            [](Draw &d) {
                return quoted(d.pick(std::vector<std::string> { "é", "Ä ö ", "", "ß" }));
            } },
        { "VARCHAR(20) COLLATE utf8mb4_bin", texts(20) },
        { "TINYTEXT", texts(60) },
        { "TEXT", texts(300) },
        { "MEDIUMTEXT", texts(400) },
        { "LONGTEXT", texts(400) },
        { "BINARY(6)", bytes(6) },
        { "VARBINARY(50)", bytes(50) },
        { "TINYBLOB", bytes(255) },
        { "BLOB", bytes(600) },
        { "MEDIUMBLOB", bytes(600) },
        { "LONGBLOB", bytes(600) },
        { "ENUM('', 'small', 'é ü', ' padded ')",
            [](Draw &d) {
                return quoted(d.pick(std::vector<std::string> { "", "small", "é ü", " padded " }));
            } },
        { "SET('x', 'y', 'ü')",
            [](Draw &d) {
                return quoted(d.pick(std::vector<std::string> { "", "x", "y,ü", "x,y,ü" }));
            } },
        { "JSON", [](Draw &d) { return quoted(json(d)); } },
        { "INET4",
            [](Draw &d) {
                return quoted(concat({ std::to_string(d.between(0, 255)), ".",
                    std::to_string(d.between(0, 255)), ".0.", std::to_string(d.between(0, 255)) }));
            } },
        { "INET6",
            [](Draw &d) {
                return quoted(d.pick(std::vector<std::string> {
                    "::", "::1", "2001:db8::ff00:42:8329", "::ffff:192.0.2.1" }));
            } },
        { "UUID",
            [](Draw &d) {
                std::string out = "'";
                char hex[3];
                for (int i = 0; i < 16; ++i) {
                    auto byte = static_cast<unsigned>(d.next() & 0xFF);
                    // Version 4, variant 1: the server refuses some others.
                    byte = i == 6 ? 0x40 | (byte & 0x0F) : i == 8 ? 0x80 | (byte & 0x3F) : byte;
                    std::snprintf(hex, sizeof hex, "%02x", byte);
                    out += hex;
                    out += i == 3 || i == 5 || i == 7 || i == 9 ? "-" : "";
                }
                return out + "'";
            } },
        { "GEOMETRY",
            [](Draw &d) {
                return concat({ "ST_GeomFromText('POINT(", std::to_string(d.between(-180, 180)),
                    " ", std::to_string(d.between(-90, 90)), ")')" });
            } },
    };
}

inline std::vector<ColumnSpec> timeColumns()
{
    std::vector<ColumnSpec> columns = { { "DATE", [](Draw &d) { return quoted(date(d)); } } };
    for (int digits = 0; digits <= 6; ++digits) {
        const std::string n = "(" + std::to_string(digits) + ")";
        columns.push_back({ "TIME" + n, [digits](Draw &d) { return quoted(time(d, digits)); } });
        columns.push_back(
            { "DATETIME" + n, [digits](Draw &d) { return quoted(dateTime(d, digits)); } });
        columns.push_back({ "TIMESTAMP" + n + " NULL",
            [digits](Draw &d) { return quoted(timestamp(d, digits)); } });
    }
    return columns;
}

// Texts and byte strings of a megabyte and more, among short ones.
inline std::vector<ColumnSpec> longColumns()
{
    auto longText = [](Draw &d) {
        if (d.chance(50))
            return quoted(text(d, 20));
        return concat({ "REPEAT(", quoted(text(d, 3)), ", ",
            std::to_string(d.between(100000, 400000)), ")" });
    };
    return {
        { "MEDIUMTEXT", longText },
        { "LONGTEXT", longText },
        { "LONGBLOB",
            [](Draw &d) {
                return concat({ "REPEAT(", hexBytes(d, 4), ", ",
                    std::to_string(d.between(0, 2000000)), ")" });
            } },
        { "TEXT",
            [](Draw &d) { return "REPEAT('😀', " + std::to_string(d.between(0, 16383)) + ")"; } },
    };
}

inline RandomTable makeTable(Draw &draw, const std::string &name,
    const std::vector<ColumnSpec> &columns, int rows, int rowsAStatement)
{
    RandomTable table { name, { "SET SESSION sql_mode = ''" } };
    std::string create = "CREATE TABLE " + name + " (id INT PRIMARY KEY";
    for (std::size_t c = 0; c < columns.size(); ++c)
        create += ", c" + std::to_string(c) + " " + columns[c].type;
    table.statements.push_back(create + ")");
    std::string insert;
    for (int row = 1; row <= rows; ++row) {
        insert += insert.empty() ? "INSERT INTO " + name + " VALUES " : ", ";
        insert += "(" + std::to_string(row);
        for (const ColumnSpec &column : columns)
            insert += ", " + (draw.chance(8) ? std::string("NULL") : column.literal(draw));
        insert += ")";
        if (row % rowsAStatement == 0 || row == rows) {
            table.statements.push_back(insert);
            insert.clear();
        }
    }
    return table;
}

} // namespace randomtables

// Every column kind a user may compare, in tables of a few rows to a few thousand (more than a
// rowset of either reader holds) and a view, the same on every run.
inline std::vector<RandomTable> randomTables()
{
    using namespace randomtables;
    Draw draw(20261209);
    std::vector<ColumnSpec> everything = numberColumns();
    for (const auto &kinds : { textColumns(), timeColumns() })
        everything.insert(everything.end(), kinds.begin(), kinds.end());
    return {
        makeTable(draw, "random_numbers", numberColumns(), 5000, 500),
        makeTable(draw, "random_texts", textColumns(), 800, 100),
        makeTable(draw, "random_times", timeColumns(), 3000, 500),
        makeTable(draw, "random_long_values", longColumns(), 8, 1),
        makeTable(draw, "random_every_kind", everything, 300, 50),
        // A view's columns of expressions, one of NULLs among them, over the tables above.
        { "random_expressions",
            { "CREATE VIEW random_expressions AS SELECT n.id, NULL AS nothing, n.c6 * 2 AS twice, "
              "CONCAT(n.c22, 'x') AS text, n.c14 + 0 AS widened, t.c4 AS span, "
              "ADDTIME(t.c5, '01:00:00.5') AS later, TIMEDIFF(t.c4, '00:00:01') AS earlier, "
              "IF(n.id % 2, t.c0, t.c2) AS mixed FROM random_numbers n JOIN random_times t "
              "ON t.id = n.id" } },
    };
}

} // namespace kestrune
