-- The benchmark's two tables, the same on every run: everything derives from each row's id
-- through CRC32 and MD5. Run with @rows set.
--   a: @rows rows; about 2 % of the cells outside the key are NULL.
--   b: a copy of a without its last 1,000 rows, where about 1 % of all cells differ: 8 in 700
--      of each column's cells outside the key (the key stays, so both tables come in the same
--      order); a fifth of the changes of a value make it NULL, and a NULL always gets a value.

SET SESSION unique_checks = 0;
SET SESSION foreign_key_checks = 0;

DROP TABLE IF EXISTS a, b;

CREATE TABLE a (
    id INT NOT NULL PRIMARY KEY,
    quantity INT NULL,
    serial BIGINT NULL,
    amount DECIMAL(12, 2) NULL,
    ratio DOUBLE NULL,
    code VARCHAR(30) NULL,
    note VARCHAR(60) NULL,
    changed DATETIME NULL
) ENGINE = InnoDB;

-- h(salt, id): a deterministic 32-bit draw.
SET @insert_a = CONCAT('INSERT INTO a SELECT seq,',
    ' IF(CRC32(CONCAT(''n1'', seq)) % 50 = 0, NULL,',
    '    CAST(CRC32(CONCAT(''q'', seq)) AS SIGNED) - 2147483648),',
    ' IF(CRC32(CONCAT(''n2'', seq)) % 50 = 0, NULL,',
    '    (CAST(CRC32(CONCAT(''s'', seq)) AS SIGNED) - 2147483648) * 2147483647',
    '    + CAST(CRC32(CONCAT(''t'', seq)) AS SIGNED)),',
    ' IF(CRC32(CONCAT(''n3'', seq)) % 50 = 0, NULL,',
    '    (CAST(CRC32(CONCAT(''m'', seq)) AS SIGNED) * 47 % 200000000000 - 100000000000) / 100),',
    ' IF(CRC32(CONCAT(''n4'', seq)) % 50 = 0, NULL,',
    '    (CAST(CRC32(CONCAT(''r'', seq)) AS DOUBLE) - 2147483648) / 977.0),',
    ' IF(CRC32(CONCAT(''n5'', seq)) % 50 = 0, NULL,',
    '    LEFT(UPPER(MD5(CONCAT(''c'', seq))), 5 + CRC32(CONCAT(''cl'', seq)) % 26)),',
    ' IF(CRC32(CONCAT(''n6'', seq)) % 50 = 0, NULL,',
    '    LEFT(REPLACE(CONCAT(MD5(CONCAT(''e'', seq)), '' '', MD5(CONCAT(''f'', seq))),',
    '        ''0'', ''ø''), 10 + CRC32(CONCAT(''el'', seq)) % 51)),',
    ' IF(CRC32(CONCAT(''n7'', seq)) % 50 = 0, NULL,',
    '    TIMESTAMP''2000-01-01 00:00:00'' + INTERVAL CRC32(CONCAT(''d'', seq)) % 800000000 SECOND)',
    ' FROM seq_1_to_', @rows);
PREPARE statement FROM @insert_a;
EXECUTE statement;
DEALLOCATE PREPARE statement;

CREATE TABLE b LIKE a;

-- k: whether column x of row id changes (8 in 700); to NULL for a fifth of those with a value.
INSERT INTO b
SELECT id,
    IF(CRC32(CONCAT('k1', id)) % 700 >= 8, quantity,
        IF(quantity IS NULL, CRC32(CONCAT('v1', id)) % 100000,
            IF(CRC32(CONCAT('z1', id)) % 5 = 0, NULL,
                IF(quantity > 0, quantity - 1 - CAST(CRC32(CONCAT('v1', id)) % 1000 AS SIGNED),
                    quantity + 1 + CAST(CRC32(CONCAT('v1', id)) % 1000 AS SIGNED))))),
    IF(CRC32(CONCAT('k2', id)) % 700 >= 8, serial,
        IF(serial IS NULL, CRC32(CONCAT('v2', id)),
            IF(CRC32(CONCAT('z2', id)) % 5 = 0, NULL,
                IF(serial > 0, serial - 1 - CAST(CRC32(CONCAT('v2', id)) AS SIGNED),
                    serial + 1 + CAST(CRC32(CONCAT('v2', id)) AS SIGNED))))),
    IF(CRC32(CONCAT('k3', id)) % 700 >= 8, amount,
        IF(amount IS NULL, (CRC32(CONCAT('v3', id)) % 1000000) / 100,
            IF(CRC32(CONCAT('z3', id)) % 5 = 0, NULL,
                amount + (1 + CRC32(CONCAT('v3', id)) % 1000) / 100))),
    IF(CRC32(CONCAT('k4', id)) % 700 >= 8, ratio,
        IF(ratio IS NULL, CRC32(CONCAT('v4', id)) / 7.0,
            IF(CRC32(CONCAT('z4', id)) % 5 = 0, NULL, ratio * 1.5 + 0.25))),
    IF(CRC32(CONCAT('k5', id)) % 700 >= 8, code,
        IF(code IS NOT NULL AND CRC32(CONCAT('z5', id)) % 5 = 0, NULL,
            LEFT(LOWER(MD5(CONCAT('v5', id))), 5 + CRC32(CONCAT('w5', id)) % 26))),
    IF(CRC32(CONCAT('k6', id)) % 700 >= 8, note,
        IF(note IS NOT NULL AND CRC32(CONCAT('z6', id)) % 5 = 0, NULL,
            CONCAT('changed ', MD5(CONCAT('v6', id))))),
    IF(CRC32(CONCAT('k7', id)) % 700 >= 8, changed,
        IF(changed IS NULL, TIMESTAMP'2024-02-29 12:00:00',
            IF(CRC32(CONCAT('z7', id)) % 5 = 0, NULL,
                changed + INTERVAL 1 + CRC32(CONCAT('v7', id)) % 100000 MINUTE)))
FROM a
WHERE id <= @rows - 1000
ORDER BY id;
