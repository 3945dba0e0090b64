#pragma once

#include <string>
#include <utility>
#include <vector>

namespace kestrune {

// Tables of every column kind a user may compare, their values drawn by the server from each
// row's number (so the same on every run): about one cell in eight NULL, zero dates and dates with
// a zero month, negative times and times of more than a day, blanks at the ends of texts,
// multi-byte UTF-8, and now and then a value of a few hundred kilobytes. `random_a` and
// `random_b` hold the same kinds with other values, `random_c` the kinds one column along (so
// unlike kinds meet), `random_a_copy` a copy of `random_a`, and `random_view` columns of
// expressions, one of them all NULL. More rows than a rowset of either reader holds.
inline std::vector<std::string> randomTables()
{
    // A column's SQL type and its value, where # is a draw from 0 to 2^32 - 1.
    const std::vector<std::pair<std::string, std::string>> kinds = {
        { "TINYINT", "# % 256 - 128" },
        { "TINYINT UNSIGNED", "# % 256" },
        { "SMALLINT", "# % 65536 - 32768" },
        { "MEDIUMINT UNSIGNED", "# % 16777216" },
        { "INT", "# - 2147483648" },
        { "INT UNSIGNED ZEROFILL", "#" },
        { "BIGINT", "(# - 2147483648) * 2147483647" },
        { "BIGINT UNSIGNED", "CAST(# AS UNSIGNED) * 4294967296 + #" },
        { "YEAR", "1901 + # % 255" },
        { "BIT(1)", "# % 2" },
        { "BIT(17)", "# % 131072" },
        { "DECIMAL(65,30)", "CONCAT(# - 2147483648, '.', #, #)" },
        { "DECIMAL(5,2)", "(# % 100000 - 50000) / 100" },
        { "FLOAT", "(# - 2147483648) / 3e5" },
        { "DOUBLE", "(# - 2147483648) / 7e3" },
        { "CHAR(10)", "LEFT(MD5(#), # % 11)" },
        { "VARCHAR(40)",
            "CONCAT(IF(# % 3, '', ' '), LEFT('é€😀x', # % 5), LEFT(MD5(#), # % 20), "
            "IF(# % 5, '', ' '))" },
        { "TINYTEXT", "LEFT(MD5(#), # % 30)" },
        { "TEXT", "REPEAT('😀', # % 2000)" },
        { "MEDIUMTEXT", "IF(# % 100, MD5(#), REPEAT(MD5(#), 10000))" },
        { "LONGBLOB", "IF(# % 100, UNHEX(MD5(#)), REPEAT(UNHEX(MD5(#)), 20000))" },
        { "BINARY(4)", "UNHEX(LEFT(MD5(#), 8))" },
        { "VARBINARY(20)", "UNHEX(LEFT(MD5(#), 2 * (# % 11)))" },
        { "BLOB", "UNHEX(MD5(#))" },
        { "ENUM('a','b','c')", "ELT(1 + # % 3, 'a', 'b', 'c')" },
        { "SET('x','y','z')", "# % 8" },
        { "JSON", "JSON_OBJECT('k', #, 's', MD5(#))" },
        { "GEOMETRY", "POINT(# % 100, # % 7)" },
        { "DATE",
            "ELT(1 + # % 10, '0000-00-00', '2024-00-05', "
            "DATE('1000-01-01') + INTERVAL # % 3000000 DAY)" },
        { "TIME", "SEC_TO_TIME(# % 6040798 - 3020399)" },
        { "TIME(6)", "SEC_TO_TIME(# % 6040000 - 3020000 + # % 1000000 / 1e6)" },
        { "DATETIME", "IF(# % 10, '1000-01-01' + INTERVAL # * 50 SECOND, '0000-00-00 00:00:00')" },
        { "DATETIME(3)",
            "'2000-01-01' + INTERVAL # % 1000000000 SECOND + INTERVAL # % 1000 MICROSECOND" },
        { "DATETIME(6)",
            "'1999-12-31' + INTERVAL # % 999999937 SECOND + INTERVAL # % 1000000 MICROSECOND" },
        { "TIMESTAMP(2)", "FROM_UNIXTIME(1 + # % 2000000000 + # % 100 / 100)" },
    };
    auto table = [&](const std::string &name, const std::string &salt, std::size_t shift) {
        std::string create = "CREATE TABLE " + name + " (id INT PRIMARY KEY";
        std::string insert = "INSERT INTO " + name + " SELECT seq";
        for (std::size_t c = 0; c < kinds.size(); ++c) {
            const auto &[type, value] = kinds[(c + shift) % kinds.size()];
            const std::string draw
                = "CAST(CRC32(CONCAT(seq, '" + salt + std::to_string(c) + "')) AS SIGNED)";
            std::string cell = value;
            for (std::size_t at; (at = cell.find('#')) != std::string::npos;)
                cell.replace(at, 1, draw);
            create.append(", c").append(std::to_string(c)).append(" ").append(type);
            insert.append(", IF(").append(draw).append(" % 8 = 1, NULL, ").append(cell).append(")");
        }
        return std::vector<std::string> { create + ")", insert + " FROM seq_1_to_3000" };
    };
    // Zero dates go in.
    std::vector<std::string> statements { "SET SESSION sql_mode = ''" };
    for (const auto &made :
        { table("random_a", "a", 0), table("random_b", "b", 0), table("random_c", "c", 1) })
        statements.insert(statements.end(), made.begin(), made.end());
    statements.emplace_back("CREATE TABLE random_a_copy LIKE random_a");
    statements.emplace_back("INSERT INTO random_a_copy SELECT * FROM random_a");
    statements.emplace_back(
        "CREATE VIEW random_view AS SELECT id, NULL AS nothing, c4 * 2 AS twice, "
        "CONCAT(c16, 'x') AS text, c13 + 0 AS widened, "
        "ADDTIME(c29, '01:00:00.5') AS later FROM random_b");
    return statements;
}

} // namespace kestrune
