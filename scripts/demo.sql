-- The demo database kestrune_demo: a few pairs of similar tables whose comparison shows every
-- kind of result. Loading it again drops and rebuilds it from scratch.
--
--   customers_2023 -> customers_2024  changed text, dates, date-times and amounts; a city that
--                                     differs only in case; NULL against a value both ways; 2 records added
--   products_old   -> products_new    changed prices (DECIMAL), weights (DOUBLE) and stock (INT);
--                                     2 records deleted
--   staff_archive  -> staff           the archive lacks the last column, which is then ignored;
--                                     its whole-number salaries equal the current ones with cents
--   orders         -> orders_backup   an exact copy, NULLs included: no differences at all
--   empty_audit                       no rows: "empty_audit does not contain any data."
--
-- Every table has a primary key and no other index, so the server returns rows in key order.

DROP DATABASE IF EXISTS kestrune_demo;
CREATE DATABASE kestrune_demo CHARACTER SET utf8mb4 COLLATE utf8mb4_general_ci;
USE kestrune_demo;

CREATE TABLE customers_2023 (
    id INT NOT NULL PRIMARY KEY,
    name VARCHAR(60) NOT NULL,
    email VARCHAR(80) NOT NULL,
    city VARCHAR(40) NOT NULL,
    phone VARCHAR(24) NULL,
    born_on DATE NOT NULL,
    credit_limit DECIMAL(10, 2) NOT NULL,
    last_login DATETIME NULL
) ENGINE = InnoDB;

INSERT INTO customers_2023 VALUES
    (1, 'Ana Lima', 'ana.lima@example.com', 'Porto', NULL, '1985-04-12', 1500.00, '2023-12-18 09:14:00'),
    (2, 'Ben Carter', 'ben.carter@example.com', 'Leeds', '+44 113 496 0011', '1979-11-03', 2500.00, '2023-11-30 17:45:10'),
    (3, 'Chloé Martin', 'chloe.martin@example.com', 'Lyon', NULL, '1992-07-21', 1000.00, NULL),
    (4, 'Dmitri Ivanov', 'd.ivanov@example.com', 'Tallinn', '+372 5550 1234', '1988-02-28', 3000.00, '2023-12-01 12:00:00'),
    (5, 'Emma Schultz', 'emma.schultz@example.com', 'Hamburg', NULL, '1990-09-09', 2000.00, '2023-10-05 08:30:00'),
    (6, 'Farid Haddad', 'farid.haddad@example.com', 'Marseille', '+33 4 91 55 01 02', '1983-05-17', 1200.00, '2023-12-20 21:02:33'),
    (7, 'Grace O''Neill', 'grace.oneill@example.com', 'Dublin', NULL, '1995-12-24', 800.00, '2023-09-14 10:10:10'),
    (8, 'Henrik Sørensen', 'henrik.sorensen@example.com', 'Aarhus', '+45 8612 3456', '1975-06-30', 5000.00, '2023-12-29 16:20:00');

CREATE TABLE customers_2024 LIKE customers_2023;

INSERT INTO customers_2024 VALUES
    -- a higher credit limit and a newer login
    (1, 'Ana Lima', 'ana.lima@example.com', 'Porto', NULL, '1985-04-12', 1750.00, '2024-03-02 14:05:00'),
    -- moved to York; the login is unknown now: a value against NULL
    (2, 'Ben Carter', 'ben.carter@example.com', 'York', '+44 113 496 0011', '1979-11-03', 2500.00, NULL),
    -- the city differs only in case; phone NULL in both, login NULL before and a value now
    (3, 'Chloé Martin', 'chloe.martin@example.com', 'LYON', NULL, '1992-07-21', 1000.00, '2024-01-15 11:00:00'),
    -- a corrected date of birth
    (4, 'Dmitri Ivanov', 'd.ivanov@example.com', 'Tallinn', '+372 5550 1234', '1988-02-29', 3000.00, '2023-12-01 12:00:00'),
    -- a corrected name and e-mail address
    (5, 'Emma Schulz', 'emma.schulz@example.com', 'Hamburg', NULL, '1990-09-09', 2000.00, '2023-10-05 08:30:00'),
    -- unchanged
    (6, 'Farid Haddad', 'farid.haddad@example.com', 'Marseille', '+33 4 91 55 01 02', '1983-05-17', 1200.00, '2023-12-20 21:02:33'),
    -- a phone number where there was none: NULL against a value
    (7, 'Grace O''Neill', 'grace.oneill@example.com', 'Dublin', '+353 1 555 0170', '1995-12-24', 800.00, '2023-09-14 10:10:10'),
    -- a lower credit limit and a newer login
    (8, 'Henrik Sørensen', 'henrik.sorensen@example.com', 'Aarhus', '+45 8612 3456', '1975-06-30', 4500.00, '2024-02-11 07:45:30'),
    -- new customers: records 9 and 10 added
    (9, 'Inês Costa', 'ines.costa@example.com', 'Lisboa', NULL, '1998-03-08', 600.00, '2024-02-20 19:30:00'),
    (10, 'Jonas Berg', 'jonas.berg@example.com', 'Uppsala', '+46 18 555 0101', '1987-08-14', 1500.00, NULL);

CREATE TABLE products_old (
    id INT NOT NULL PRIMARY KEY,
    sku VARCHAR(12) NOT NULL,
    name VARCHAR(60) NOT NULL,
    price DECIMAL(8, 2) NOT NULL,
    weight_kg DOUBLE NOT NULL,
    stock INT NOT NULL
) ENGINE = InnoDB;

INSERT INTO products_old VALUES
    (1, 'NB-A5-DOT', 'Notebook A5, dotted', 4.50, 0.25, 120),
    (2, 'PEN-FTN-01', 'Fountain pen', 24.90, 0.03, 40),
    (3, 'LMP-DESK', 'Desk lamp', 39.00, 1.5, 12),
    (4, 'CHR-OFF-2', 'Office chair', 189.00, 14.5, 5),
    (5, 'ARM-MON', 'Monitor arm', 59.90, 3.75, 0),
    (6, 'HUB-USBC', 'USB-C hub, 7 ports', 34.99, 0.125, 25),
    (7, 'CLP-100', 'Paper clips (100)', 1.20, 0.05, 300),
    (8, 'WB-9060', 'Whiteboard 90x60', 45.00, 6.0, 8),
    (9, 'STP-24', 'Stapler', 9.99, 0.4, 60),
    (10, 'INK-BLU', 'Ink cartridges, blue (6)', 3.80, 0.02, 150),
    (11, 'TRY-LTR', 'Letter tray', 7.50, 0.6, 30),
    (12, 'TIE-50', 'Cable ties (50)', 2.40, 0.1, 80);

CREATE TABLE products_new LIKE products_old;

-- The letter tray and the cable ties (records 11 and 12) are no longer sold: deleted.
INSERT INTO products_new VALUES
    (1, 'NB-A5-DOT', 'Notebook A5, dotted', 4.50, 0.25, 95),
    (2, 'PEN-FTN-01', 'Fountain pen', 26.50, 0.03, 35),
    (3, 'LMP-DESK', 'Desk lamp, LED', 39.00, 1.25, 12),
    (4, 'CHR-OFF-2', 'Office chair', 179.00, 14.5, 5),
    (5, 'ARM-MON', 'Monitor arm', 59.90, 3.75, 12),
    (6, 'HUB-USBC', 'USB-C hub, 7 ports', 34.99, 0.125, 25),
    (7, 'CLP-100', 'Paper clips (100)', 1.20, 0.05, 300),
    (8, 'WB-9060', 'Whiteboard 90x60', 49.00, 5.5, 8),
    (9, 'STP-24', 'Stapler', 9.90, 0.4, 58),
    (10, 'INK-BLU', 'Ink cartridges, blue (6)', 3.80, 0.02, 150);

-- Last year's layout: whole-number salaries and no review date.
CREATE TABLE staff_archive (
    id INT NOT NULL PRIMARY KEY,
    name VARCHAR(60) NOT NULL,
    department VARCHAR(30) NOT NULL,
    salary INT NOT NULL,
    hired_on DATE NOT NULL
) ENGINE = InnoDB;

INSERT INTO staff_archive VALUES
    (1, 'Karin Holm', 'Sales', 52000, '2015-03-01'),
    (2, 'Luis Ortega', 'Support', 41000, '2019-09-16'),
    (3, 'Mei Tanaka', 'Finance', 58000, '2012-01-09'),
    (4, 'Nils Ekdahl', 'Sales', 46000, '2021-05-03'),
    (5, 'Olga Petrova', 'IT', 61000, '2017-11-20'),
    (6, 'Paul Dubois', 'Warehouse', 36000, '2020-02-10');

CREATE TABLE staff (
    id INT NOT NULL PRIMARY KEY,
    name VARCHAR(60) NOT NULL,
    department VARCHAR(30) NOT NULL,
    salary DECIMAL(10, 2) NOT NULL,
    hired_on DATE NOT NULL,
    last_review DATETIME NULL
) ENGINE = InnoDB;

INSERT INTO staff VALUES
    (1, 'Karin Holm', 'Sales', 52000.00, '2015-03-01', '2024-01-22 10:00:00'),
    (2, 'Luis Ortega', 'Customer Care', 41000.00, '2019-09-16', '2024-01-23 14:30:00'),
    (3, 'Mei Tanaka', 'Finance', 60500.00, '2012-01-09', NULL),
    (4, 'Nils Ekdahl', 'Sales', 48000.00, '2021-05-03', '2024-02-05 09:15:00'),
    (5, 'Olga Petrova', 'IT', 61000.00, '2017-11-20', '2024-02-06 16:45:00'),
    (6, 'Paul Dubois', 'Warehouse', 36000.00, '2020-02-10', NULL);

CREATE TABLE orders (
    id INT NOT NULL PRIMARY KEY,
    customer_id INT NOT NULL,
    ordered_at DATETIME NOT NULL,
    total DECIMAL(10, 2) NOT NULL,
    status VARCHAR(20) NOT NULL,
    note VARCHAR(100) NULL
) ENGINE = InnoDB;

INSERT INTO orders VALUES
    (1001, 1, '2024-01-03 10:12:00', 53.40, 'shipped', NULL),
    (1002, 4, '2024-01-05 15:47:21', 189.00, 'shipped', 'Leave at reception'),
    (1003, 2, '2024-01-09 09:05:00', 12.00, 'cancelled', NULL),
    (1004, 8, '2024-01-12 18:30:45', 254.85, 'shipped', NULL),
    (1005, 6, '2024-01-20 11:00:00', 34.99, 'open', 'Gift wrap, please');

CREATE TABLE orders_backup LIKE orders;

-- A copy: NULL against NULL is no difference.
INSERT INTO orders_backup SELECT * FROM orders;

CREATE TABLE empty_audit (
    id INT NOT NULL AUTO_INCREMENT PRIMARY KEY,
    happened_at DATETIME NOT NULL,
    who VARCHAR(40) NOT NULL,
    what VARCHAR(200) NOT NULL
) ENGINE = InnoDB;
