#pragma once

#include <string>
#include <vector>

namespace kestrune {

// Tables that show every kind of value, how kinds meet across columns, pairing by position,
// surplus records, empty tables and names that need quoting.
inline std::vector<std::string> valueTables()
{
    const char *typed = "(id INT PRIMARY KEY, i BIGINT, u BIGINT UNSIGNED, d DECIMAL(65,30), "
                        "f FLOAT, g DOUBLE, s VARCHAR(40), t TEXT, b BLOB, dt DATE, "
                        "ts DATETIME(3), tm TIME, bt BIT(1), n INT)";
    return { std::string("CREATE TABLE types_a ") + typed,
        std::string("CREATE TABLE types_b ") + typed,
        "INSERT INTO types_a VALUES (1, -5, 7, 2.5, 1.5, 2.25, 'same', 'same', x'01', "
        "'2020-02-29', '2020-02-29 23:59:59.999', '12:00:00', b'1', NULL)",
        "INSERT INTO types_b SELECT * FROM types_a",
        "INSERT INTO types_a VALUES (2, 9007199254740993, 18446744073709551615, "
        "1.000000000000000000000000000001, 3.14159, 0.1, 'abc', 'tab\\there', x'00FF', "
        "'2024-01-01', '2024-01-01 10:00:00.123', '-838:59:59', b'1', NULL)",
        "INSERT INTO types_b VALUES (2, 9007199254740992, 18446744073709551614, "
        "1.000000000000000000000000000002, 2.5, 0.2, 'ABC', 'tab\\there ', x'00FE', "
        "'2024-01-02', '2024-01-01 10:00:00.124', '838:59:59', b'0', 5)",
        "INSERT INTO types_a VALUES (3, 1, 1, 1, 1, 1, 'x', 'x', x'', '2024-01-01', "
        "'2024-01-01 00:00:00', '00:00:00', b'0', 4)",
        "INSERT INTO types_b VALUES (3, 1, 1, 1, 1, 1, 'x', 'x', x'', '2024-01-01', "
        "'2024-01-01 00:00:00', '00:00:00', b'0', NULL)",

        "CREATE TABLE kinds_a (id INT PRIMARY KEY, x INT, y DECIMAL(10,2), z DATE, w VARCHAR(10), "
        "v DOUBLE)",
        "CREATE TABLE kinds_b (id INT PRIMARY KEY, x DECIMAL(10,1), y DOUBLE, z DATETIME, w INT, "
        "v DECIMAL(5,2))",
        "INSERT INTO kinds_a VALUES (1, 1, 0.20, '2024-01-01', '7', 0.5)",
        "INSERT INTO kinds_b VALUES (1, 1.0, 0.2, '2024-01-01 00:00:00', 7, 0.50)",

        "CREATE TABLE order_a (id INT PRIMARY KEY, name VARCHAR(10), city VARCHAR(10), "
        "price DECIMAL(6,2))",
        "CREATE TABLE order_b (id INT PRIMARY KEY, city VARCHAR(10), name VARCHAR(10))",
        "INSERT INTO order_a VALUES (1, 'Ann', 'Oslo', 1.00), (2, 'Bo', 'Bo', 2.00)",
        "INSERT INTO order_b VALUES (1, 'Oslo', 'Ann'), (2, 'Bo', 'Bo')",

        "CREATE TABLE top_a (id INT PRIMARY KEY, name VARCHAR(10))",
        "CREATE TABLE top_b (id INT PRIMARY KEY, name VARCHAR(10))",
        "INSERT INTO top_a VALUES (1, 'a'), (2, 'b'), (3, 'c')",
        "INSERT INTO top_b VALUES (0, 'z'), (1, 'a'), (2, 'b'), (3, 'c')",

        "CREATE TABLE five (id INT PRIMARY KEY)", "CREATE TABLE three (id INT PRIMARY KEY)",
        "INSERT INTO five VALUES (1), (2), (3), (4), (5)", "INSERT INTO three VALUES (1), (2), (3)",
        "CREATE TABLE empty1 (id INT PRIMARY KEY)", "CREATE TABLE empty2 (id INT PRIMARY KEY)",

        "CREATE TABLE `my table` (id INT PRIMARY KEY, v INT)",
        "CREATE TABLE `select` (id INT PRIMARY KEY, v INT)",
        "CREATE TABLE `we``ird` (id INT PRIMARY KEY, v INT)",
        "CREATE TABLE `таблица` (id INT PRIMARY KEY, v INT)",
        "INSERT INTO `my table` VALUES (1, 1)", "INSERT INTO `select` VALUES (1, 2)",
        "INSERT INTO `we``ird` VALUES (1, 1), (2, 2)", "INSERT INTO `таблица` VALUES (1, 3)",
        "CREATE TABLE gone (id INT PRIMARY KEY)", "INSERT INTO gone VALUES (1)" };
}

} // namespace kestrune
