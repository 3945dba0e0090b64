#include "faults/privateserver.h"
#include "flow/valuetables.h"
#include "flow/wizard.h"
#include "support/confighome.h"
#include "support/controls.h"
#include "support/files.h"
#include "support/randomtables.h"
#include "support/testdb.h"

#include "cli/comparecommand.h"
#include "cli/compareoptions.h"
#include "db/odbc/odbc.h"
#include "widgets/resultspage.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sstream>
#include <unistd.h>

using namespace kestrune;
using kestrune::testfiles::contents;
using kestrune::testfiles::writeFile;

namespace {

const std::string valuesDatabase = "kt_cli_values";
const std::string randomDatabase = "kt_cli_random";
const std::string otherDatabase = "kt_cli_other";
const std::string syncDatabase = "kt_cli_sync";

struct Run {
    int status = -1;
    QByteArray out;
    QByteArray err;
};

// The probe as a process of its own, with no display and no platform plugin to fall back on,
// the settings store of that config home, and standard input no terminal.
// With `reader`, standard output goes to that command instead.
Run runProbe(const QStringList &arguments, const QString &configHome,
    const QString &outputFile = QString(), const QStringList &reader = QStringList())
{
    QProcess process;
    QProcess readerProcess;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : { "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM" })
        environment.remove(QString::fromLatin1(name));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
    process.setProcessEnvironment(environment);
    if (!outputFile.isEmpty())
        process.setStandardOutputFile(outputFile);
    if (!reader.isEmpty())
        process.setStandardOutputProcess(&readerProcess);
    process.start(QStringLiteral(KESTRUNE_COMPARE_PROBE), QStringList("--compare") + arguments);
    if (!reader.isEmpty())
        readerProcess.start(reader.first(), reader.mid(1));
    process.closeWriteChannel();
    Run run;
    if (!process.waitForFinished(300000) || process.exitStatus() != QProcess::NormalExit)
        return run;
    readerProcess.waitForFinished();
    run.status = process.exitCode();
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

// The mariadb client on `input`, logged in as `login` says.
Run runClient(const LoginDetails &login, const QByteArray &input, const QStringList &options = {})
{
    QProcess process;
    process.start("mariadb",
        QStringList { "--no-defaults", "--batch", "--skip-column-names",
            "--host=" + QString::fromStdString(login.server),
            "--port=" + QString::fromStdString(login.port),
            "--user=" + QString::fromStdString(login.user),
            "--password=" + QString::fromStdString(login.password) }
            + options + QStringList { QString::fromStdString(login.database) });
    process.write(input);
    process.closeWriteChannel();
    Run run;
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.status = process.exitCode();
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

// A certificate authority of the test's own and one nobody trusts, then a server certificate for
// 127.0.0.1 and a client certificate signed by the first: NAME.pem and NAME.key in `folder`.
QString makeCertificates(const QString &folder)
{
    struct Certificate {
        const char *name;
        const char *subject;
        const char *signer; // none: its own
        const char *altName;
    };
    const Certificate certificates[] = {
        { "ca", "/CN=Kestrune test authority", nullptr, nullptr },
        { "unknown-ca", "/CN=Kestrune unknown authority", nullptr, nullptr },
        { "server", "/CN=127.0.0.1", "ca", "subjectAltName=IP:127.0.0.1" },
        { "client", "/CN=kestrune client", "ca", nullptr },
    };
    for (const Certificate &certificate : certificates) {
        const QString name = folder + '/' + certificate.name;
        QStringList arguments { "req", "-x509", "-newkey", "ec", "-pkeyopt",
            "ec_paramgen_curve:prime256v1", "-nodes", "-days", "2", "-subj", certificate.subject,
            "-keyout", name + ".key", "-out", name + ".pem" };
        if (certificate.signer)
            arguments << "-CA" << folder + '/' + certificate.signer + ".pem"
                      << "-CAkey" << folder + '/' + certificate.signer + ".key";
        if (certificate.altName)
            arguments << "-addext" << certificate.altName;
        QProcess openssl;
        openssl.setProcessChannelMode(QProcess::MergedChannels);
        openssl.start("openssl", arguments);
        if (!openssl.waitForFinished(60000) || openssl.exitStatus() != QProcess::NormalExit
            || openssl.exitCode() != 0)
            return "openssl " + arguments.join(' ') + ": " + openssl.readAll();
    }
    return QString();
}

QStringList tlsServerArguments(const QString &folder)
{
    return { "--ssl-ca=" + folder + "/ca.pem", "--ssl-cert=" + folder + "/server.pem",
        "--ssl-key=" + folder + "/server.key" };
}

// What a terminal shows after the bytes: a carriage return goes back to the start of the line.
QByteArray shownLine(const std::string &bytes)
{
    QByteArray line;
    qsizetype column = 0;
    for (char c : bytes) {
        if (c == '\r') {
            column = 0;
            continue;
        }
        if (column == line.size())
            line += c;
        else
            line[column] = c;
        ++column;
    }
    return line;
}

} // namespace

class CompareCommandTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void sameBytesAsTheSavedFile_data();
    void sameBytesAsTheSavedFile();
    void runs_data();
    void runs();
    void optionsOverrideTheStoreAndLeaveItAlone();
    void progressOnATerminal();
    void jsonTellsWhatTheLinesTell_data();
    void jsonTellsWhatTheLinesTell();
    void checksumsGiveTheLinesOfTheKey_data();
    void checksumsGiveTheLinesOfTheKey();
    void scriptsMakeTable2EqualToTable1_data();
    void scriptsMakeTable2EqualToTable1();
    void serverStopsDuringTheRead_data();
    void serverStopsDuringTheRead();

private:
    QTemporaryDir m_folder;
    PrivateServer m_server; // a second server, for table 2 elsewhere
    // One with certificates that requires secure transport, for connections over TLS.
    PrivateServer m_tlsServer { 1, tlsServerArguments(m_folder.path()) };
    // One that takes small packets and reads the clock five hours ahead of UTC.
    PrivateServer m_smallServer { 2, { "--max-allowed-packet=1M", "--default-time-zone=+05:00" } };
};

void CompareCommandTest::initTestCase()
{
    testdb::run(testdb::freshDatabase(valuesDatabase), valueTables());
    testdb::run(testdb::freshDatabase(randomDatabase), randomTables());
    testdb::run(testdb::freshDatabase(otherDatabase),
        { "CREATE TABLE five (id INT PRIMARY KEY)", "INSERT INTO five VALUES (1), (2), (7)" });
    // Enough lines to fill a pipe, for a reader that stops early.
    testdb::run(testdb::loginTo(valuesDatabase),
        { "CREATE TABLE many_a (id INT PRIMARY KEY, v INT)",
            "CREATE TABLE many_b (id INT PRIMARY KEY, v INT)",
            "INSERT INTO many_a SELECT seq, seq FROM seq_1_to_20000",
            "INSERT INTO many_b SELECT seq, seq + 1 FROM seq_1_to_20000" });
    // Records paired by key: columns in another order and case, one in each table alone, rows
    // inserted and deleted in the middle; and keys that cannot pair records.
    testdb::run(testdb::loginTo(valuesDatabase),
        { "CREATE TABLE key_a (id INT PRIMARY KEY, City VARCHAR(10), qty INT, price DECIMAL(6,2))",
            "CREATE TABLE key_b (QTY INT, ID INT PRIMARY KEY, city VARCHAR(10), colour CHAR(3))",
            "INSERT INTO key_a VALUES (1, 'Lyon', 1, 1), (2, 'Nice', 2, 2), (4, 'Oslo', 4, 4), "
            "(5, 'Rome', 5, 5)",
            "INSERT INTO key_b VALUES (1, 1, 'LYON', 'red'), (3, 3, 'Bern', 'red'), "
            "(4, 4, 'Oslo', 'red'), (6, 5, 'Rome', 'red')",
            "CREATE TABLE key_twice (id INT, v INT)", "INSERT INTO key_twice VALUES (1, 1), (1, 2)",
            "CREATE TABLE key_null (id INT, v INT)", "INSERT INTO key_null VALUES (NULL, 1)",
            "CREATE TABLE key_text (id VARCHAR(5) PRIMARY KEY)",
            // A composite key of a text and a number; its twin on the other server is latin1.
            "CREATE TABLE key_coded (code VARCHAR(10), year INT, qty INT, PRIMARY KEY (code, "
            "year))",
            "INSERT INTO key_coded VALUES ('A 17', 2023, 1), ('A 17', 2024, 3), ('e', 1, 1), "
            "('é', 3, 1), ('E', 2, 1), ('Z', 1, 1)",
            // Values a line cannot be split back from.
            "CREATE TABLE json_a (id INT PRIMARY KEY, v VARCHAR(20))",
            "CREATE TABLE json_b (id INT PRIMARY KEY, v VARCHAR(20))",
            "INSERT INTO json_a VALUES (1, 'a\" to \"b'), (2, 'line\\nbreak'), (3, 'quote \"'), "
            "(4, CONCAT('ctl', CHAR(1), CHAR(127))), (5, '😀 東')",
            "INSERT INTO json_b VALUES (1, 'a'), (2, 'line break'), (3, 'quote'), (4, 'ctl'), "
            "(5, NULL), (6, '\\\\')" });
    // Columns and rows chosen: table 2 is a column narrower and names one column otherwise, and
    // one record of each is its own.
    testdb::run(testdb::loginTo(valuesDatabase),
        { "CREATE TABLE sel_a (id INT PRIMARY KEY, name VARCHAR(10), qty INT, note VARCHAR(10))",
            "CREATE TABLE sel_b (id INT PRIMARY KEY, label VARCHAR(10), qty INT)",
            "INSERT INTO sel_a VALUES (1, 'a', 1, 'x'), (2, 'b', 2, 'y'), (3, 'c', 3, 'z'), "
            "(4, 'd', 4, 'w')",
            "INSERT INTO sel_b VALUES (1, 'A', 1), (2, 'b', 5), (3, 'C', 3), (5, 'e', 5)",
            // Values that trade places between records cancel out of a sum that is linear.
            "CREATE TABLE swap_a (id INT PRIMARY KEY, v VARCHAR(5))",
            "CREATE TABLE swap_b (id INT PRIMARY KEY, v VARCHAR(5))",
            "INSERT INTO swap_a VALUES (1, 'a'), (2, 'b')",
            "INSERT INTO swap_b VALUES (1, 'b'), (2, 'a')",
            // Keys at both ends of their kinds, below zero too, where buckets reach both ways.
            "CREATE TABLE ends_a (id BIGINT PRIMARY KEY, v INT)",
            "CREATE TABLE ends_b (id BIGINT PRIMARY KEY, v INT)",
            "INSERT INTO ends_a VALUES (-9223372036854775808, 1), (-300, 1), (-1, 1), (0, 1), "
            "(1, 1), (9223372036854775807, 1)",
            "INSERT INTO ends_b VALUES (-9223372036854775808, 2), (-299, 1), (-1, 2), (0, 1), "
            "(1, 1), (9223372036854775806, 1)",
            "CREATE TABLE uends_a (id BIGINT UNSIGNED PRIMARY KEY, v INT)",
            "CREATE TABLE uends_b (id BIGINT UNSIGNED PRIMARY KEY, v INT)",
            "INSERT INTO uends_a VALUES (0, 1), (18446744073709551615, 1)",
            "INSERT INTO uends_b VALUES (0, 2), (18446744073709551614, 1)" });
    // A copy of random_a with a few records changed, one column each, deleted and added, so that
    // most of its ranges are equal.
    testdb::run(testdb::loginTo(randomDatabase),
        { "SET SESSION sql_mode = ''", "CREATE TABLE random_edited LIKE random_a",
            "INSERT INTO random_edited SELECT * FROM random_a",
            "UPDATE random_edited e JOIN random_b b USING (id) SET e.c13 = b.c13, e.c16 = b.c16 "
            "WHERE e.id = 700",
            "UPDATE random_edited e JOIN random_b b USING (id) SET e.c29 = b.c29 WHERE e.id = 1500",
            "UPDATE random_edited SET c14 = NULL WHERE id = 2200",
            "DELETE FROM random_edited WHERE id IN (1, 2999)",
            "INSERT INTO random_edited (id) VALUES (4000)" });
    writeFile(m_folder.filePath("password"), "kes-pw\n");
    QString error = m_server.start();
    QVERIFY2(error.isEmpty(), qPrintable(error));
    m_server.freshDatabase("kt_cli_elsewhere",
        { "CREATE TABLE three (id INT PRIMARY KEY)", "INSERT INTO three VALUES (1), (2), (3)",
            "CREATE TABLE key_coded (code VARCHAR(10), year INT, qty INT, PRIMARY KEY (code, "
            "year)) "
            "CHARACTER SET latin1",
            "INSERT INTO key_coded VALUES ('A 17', 2024, 4), ('e', 1, 1), ('é', 3, 2), "
            "('E', 2, 1), ('Z', 1, 1), ('ä', 4, 1)" });

    // Tables built to break a comparison by checksums, each one way: a text whose letters' case
    // is flipped where two CRCs cannot see it, keys whose kinds order or bound otherwise than
    // numbers and texts do, and TIMESTAMPs on servers in other zones.
    testdb::run(testdb::loginTo(valuesDatabase),
        { "CREATE TABLE crafted_a (id INT PRIMARY KEY, v VARCHAR(100))",
            "CREATE TABLE crafted_b LIKE crafted_a",
            "INSERT INTO crafted_a VALUES (1, 'kemubcrdlsbqgbcnnchcrnbsdhuusbssmbhbrejnerdsjrvfdssu"
            "gldrwcsbtgpvrnykosoljhzfwyhcsjqpkxoj')",
            "INSERT INTO crafted_b VALUES (1, 'KemuBCrDlsBQgBCNnCHcrnBsDHUusBssmBhbRejNERdSJrVfdSSU"
            "gLDrWcSBTgPVRnykosoljhzfwyhcsjqpkxoj')",
            "CREATE TABLE year_a (y YEAR(2) PRIMARY KEY, v INT)", "CREATE TABLE year_b LIKE year_a",
            "INSERT INTO year_a SELECT 1969 + seq, seq FROM seq_1_to_100",
            "INSERT INTO year_b SELECT y, IF(y = 2001, -1, v) FROM year_a WHERE y <> 1999",
            "CREATE TABLE enum_a (e ENUM('0','B','a','aZ','z'), n INT, PRIMARY KEY (e, n))",
            "CREATE TABLE enum_b (e VARCHAR(2) COLLATE utf8mb4_bin, n INT, PRIMARY KEY (e, n))",
            "INSERT INTO enum_a SELECT 1 + seq % 5, seq FROM seq_1_to_2000",
            "INSERT INTO enum_b SELECT e, IF(n = 1500, -1, n) FROM enum_a",
            "CREATE TABLE bit_a (k BIT(16) PRIMARY KEY, v INT)", "CREATE TABLE bit_b LIKE bit_a",
            "INSERT INTO bit_a SELECT seq * 7, seq FROM seq_1_to_1000",
            "INSERT INTO bit_b SELECT k, IF(v = 600, 0, v) FROM bit_a",
            // Keys and names that look like SQL, bounds of ranges read from table 1.
            "CREATE TABLE sql_a (`k``ey` VARCHAR(60) PRIMARY KEY, `v'); --` INT)",
            "CREATE TABLE sql_b LIKE sql_a",
            "INSERT INTO sql_a SELECT CONCAT('x''`\\\\''); DROP TABLE sql_a; -- ', seq), seq FROM "
            "seq_1_to_1000",
            "INSERT INTO sql_b SELECT `k``ey`, IF(`v'); --` = 700, 0, `v'); --`) FROM sql_a",
            // A stretch of keys with few gaps, below zero, its bounds known without numbering.
            "CREATE TABLE dense_a (id INT PRIMARY KEY, v INT)", "CREATE TABLE dense_b LIKE dense_a",
            "INSERT INTO dense_a SELECT CAST(seq AS SIGNED) - 40001, seq FROM seq_1_to_70000 "
            "WHERE seq % 1000 <> 7",
            "INSERT INTO dense_b SELECT id, IF(id IN (-40000, -39745, -39744, 25535, 25536, "
            "29999), "
            "0, v) FROM dense_a WHERE id <> -1",
            "INSERT INTO dense_b VALUES (30000, 0)",
            "CREATE TABLE instants (t TIMESTAMP(6) PRIMARY KEY, v INT)", "SET time_zone = '+00:00'",
            "INSERT INTO instants SELECT '2024-10-27 00:00:00' + INTERVAL seq * 90 SECOND, seq "
            "FROM "
            "seq_1_to_2000" });
    // Tables 1 of the scripts, each test's table 2 made afresh beside them.
    testdb::run(testdb::freshDatabase(syncDatabase),
        { "CREATE TABLE comp_a (a VARCHAR(20), b VARCHAR(20), v INT, w TEXT, PRIMARY KEY (a, b))",
            "INSERT INTO comp_a VALUES ('x', 'it''s', 1, 'one'), ('x', 'y', 2, NULL), "
            "('Zoë', '😀', 3, 'three'), ('a\\\\b', '0x41', 4, 'four')",
            "CREATE TABLE edges_a (id INT PRIMARY KEY, f FLOAT, g DOUBLE, d DATE, dt DATETIME(6), "
            "tm TIME(6), y YEAR, e ENUM('x','y z','it''s'), st SET('a','b','c'), j JSON, "
            "bt BIT(64), geo GEOMETRY, l VARCHAR(20) CHARACTER SET latin1, t TEXT, "
            "bs VARBINARY(20), de DECIMAL(65,30))",
            "INSERT INTO edges_a VALUES (1, 1.00000012, 1.0000000000000002, '0000-00-00', "
            "'2024-00-15 00:00:00.000001', '-838:59:59.999999', 1901, 'it''s', 'a,c', "
            "'{\"k\": \"é\\\\n\"}', 18446744073709551615, ST_GeomFromText('POINT(1 2)', 4326), "
            "'Ærø', CONCAT('it''s \\\\ \\\" ', CHAR(0), CHAR(10), CHAR(13), CHAR(26), ' 😀 0x41'), "
            "x'00ff27225c0a', 12345678901234567890123456789012345.123456789012345678901234567891),"
            " (2, -3.40282e38, 2.2250738585072014e-308, '2024-02-29', '0000-00-00 00:00:00', "
            "'838:59:59', 2155, 'y z', '', '[]', 0, NULL, '', '', x'', -0.5), "
            "(3, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, "
            "NULL, "
            "NULL)",
            "CREATE TABLE gen_a (id INT PRIMARY KEY, a INT, b INT, ts DATETIME)",
            "INSERT INTO gen_a VALUES (1, 1, 2, '2020-01-01'), (2, 5, 10, '2020-01-01'), "
            "(4, 7, 14, '2020-01-01')",
            "CREATE TABLE parent_a (id INT PRIMARY KEY, v INT)",
            "INSERT INTO parent_a VALUES (1, 10), (2, 20)",
            "CREATE TABLE emoji_a (id INT PRIMARY KEY, t VARCHAR(20))",
            "INSERT INTO emoji_a VALUES (1, 'plain'), (2, '😀')" });
    error = m_smallServer.start();
    QVERIFY2(error.isEmpty(), qPrintable(error));
    std::string wideColumns;
    std::string wideValues;
    for (int c = 1; c <= 30; ++c) {
        const std::string name
            = "a_rather_long_column_name_that_every_statement_repeats_" + std::to_string(c);
        wideColumns += ", " + name + " INT";
        wideValues += ", seq * " + std::to_string(c);
    }
    m_smallServer.freshDatabase("kt_cli_small",
        { "SET time_zone = '+00:00'", "CREATE TABLE instants (t TIMESTAMP(6) PRIMARY KEY, v INT)",
            "INSERT INTO instants SELECT '2024-10-27 00:00:00' + INTERVAL seq * 90 SECOND, seq "
            "FROM seq_1_to_2000",
            // Rows longer than a packet.
            "CREATE TABLE big_a (id INT PRIMARY KEY, a LONGTEXT, b LONGTEXT, c LONGTEXT)",
            "INSERT INTO big_a SELECT seq, REPEAT('a', 400000), REPEAT(CHAR(96 + seq), 400000), "
            "REPEAT('c', 400000) FROM seq_1_to_3",
            "CREATE TABLE big_b LIKE big_a", "INSERT INTO big_b SELECT * FROM big_a",
            "UPDATE big_b SET b = CONCAT(LEFT(b, 1000), 'X', SUBSTR(b, 1002)) WHERE id = 1",
            "UPDATE big_b SET id = 4 WHERE id = 3",
            // More ranges differing than one statement of the packet holds.
            "CREATE TABLE wide_a (k VARCHAR(200) PRIMARY KEY" + wideColumns + ")",
            "INSERT INTO wide_a SELECT CONCAT(REPEAT('key ', 40), seq)" + wideValues
                + " FROM seq_1_to_66000",
            "CREATE TABLE wide_b LIKE wide_a", "INSERT INTO wide_b SELECT * FROM wide_a",
            "UPDATE wide_b SET a_rather_long_column_name_that_every_statement_repeats_7 = 0 "
            "WHERE a_rather_long_column_name_that_every_statement_repeats_1 % 550 = 0" });

    error = makeCertificates(m_folder.path());
    QVERIFY2(error.isEmpty(), qPrintable(error));
    error = m_tlsServer.start();
    QVERIFY2(error.isEmpty(), qPrintable(error));
    // Filled in plain text, as the test's ODBC connections speak; from then on TLS only.
    m_tlsServer.freshDatabase("kt_cli_tls",
        { "CREATE TABLE five (id INT PRIMARY KEY)", "CREATE TABLE three (id INT PRIMARY KEY)",
            "INSERT INTO five VALUES (1), (2), (3), (4), (5)",
            "INSERT INTO three VALUES (1), (2), (3)",
            "CREATE USER IF NOT EXISTS 'kes_x509'@'127.0.0.1' IDENTIFIED BY 'kes-pw' REQUIRE X509",
            "GRANT SELECT ON kt_cli_tls.* TO 'kes_x509'@'127.0.0.1'",
            "SET GLOBAL require_secure_transport = ON" });
}

void CompareCommandTest::sameBytesAsTheSavedFile_data()
{
    QTest::addColumn<QString>("database");
    QTest::addColumn<QString>("table1");
    QTest::addColumn<QString>("table2");
    auto pair = [](const std::string &database, const char *table1, const char *table2) {
        QTest::addRow("%s %s", table1, table2)
            << QString::fromStdString(database) << QString::fromUtf8(table1)
            << QString::fromUtf8(table2);
    };
    pair(valuesDatabase, "types_a", "types_b");
    pair(valuesDatabase, "kinds_a", "kinds_b");
    pair(valuesDatabase, "order_a", "order_b");
    pair(valuesDatabase, "top_a", "top_b");
    pair(valuesDatabase, "three", "five");
    pair(valuesDatabase, "five", "three");
    pair(valuesDatabase, "my table", "select");
    pair(valuesDatabase, "we`ird", "таблица");
    // Every column kind against its own kind, against others, and against a copy of itself.
    pair(randomDatabase, "random_a", "random_b");
    pair(randomDatabase, "random_a", "random_c");
    pair(randomDatabase, "random_b", "random_view");
    pair(randomDatabase, "random_a", "random_a_copy");
}

void CompareCommandTest::sameBytesAsTheSavedFile()
{
    QFETCH(QString, database);
    QFETCH(QString, table1);
    QFETCH(QString, table2);
    LoginDetails login = testdb::loginTo(database.toStdString());

    QString saved = m_folder.filePath("saved.txt");
    {
        Wizard wizard(login);
        wizard.compare(table1, table2);
        QVERIFY(wizard.pages.resultsPage().isVisible());
        wizard.seam.fileNames.append(saved);
        QTest::mouseClick(
            control<QPushButton>(wizard.pages.resultsPage(), "PushButton1"), Qt::LeftButton);
        QCOMPARE(wizard.seam.messageTexts(), QStringList({ "Done." }));
    }
    QByteArray expected = contents(saved);
    int status = expected.isEmpty() ? 0 : 1;

    ConfigHome store;
    store.remember(login);
    Run run = runProbe({ table1, table2 }, store.path());
    QCOMPARE(run.err, QByteArray());
    QCOMPARE(run.out, expected);
    QCOMPARE(run.status, status);

    QString output = m_folder.filePath("output.txt");
    writeFile(output, "an older file\r\n");
    run = runProbe({ "--output", output, table1, table2 }, store.path());
    QCOMPARE(run.err, QByteArray());
    QCOMPARE(run.out, QByteArray());
    QCOMPARE(contents(output), expected);
    QCOMPARE(run.status, status);
}

// The run's lines, messages and status. Without lines, it is a run that made no comparison.
void CompareCommandTest::runs_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("lines");
    QTest::addColumn<QString>("message"); // a pattern of the whole message
    QTest::addColumn<QString>("standardOutput"); // a file, or a command reading it; none: kept

    const QString tryHelp = "Try 'kestrune --help' for more information\\.\n";
    const QString port2 = QString::fromStdString(m_server.login("").port);
    const QString password = m_folder.filePath("password");
    auto row = [](const char *name, const QStringList &arguments, const QString &message,
                   const QByteArray &lines = QByteArray(), const QString &standardOutput = {}) {
        QTest::newRow(name) << arguments << lines << message << standardOutput;
    };
    row("same table twice", { "five", "five" }, "Please select 2 different tables to compare\\.\n");
    row("empty table", { "five", "empty2" }, "empty2 does not contain any data\\.\n");
    // The client library's words, as they are.
    row("missing table", { "five", "nosuch" },
        "Could not join this tables\\.\nTable 'kt_cli_values\\.nosuch' doesn't exist\n");
    row("refused login", { "--password-file", "/dev/null", "five", "three" },
        "Could not join this tables\\.\nAccess denied for user 'kes'.*\n");
    // The command line's own files are named as other tools name them.
    row("unreadable password file", { "five", "three", "--password-file", "/nonexistent/pw" },
        "kestrune: /nonexistent/pw: No such file or directory\n");
    row("unwritable output", { "five", "three", "--output", "/nonexistent/out.txt" },
        "kestrune: /nonexistent/out\\.txt: No such file or directory\n");
    row("a full disk", { "many_a", "many_b" },
        "kestrune: standard output: No space left on device\n", {}, "/dev/full");
    // A reader that has read enough is no failure: nothing is said.
    row("a reader that stops early", { "many_a", "many_b" }, "", {}, "| head -n 2");
    row("a port that is no number", { "five", "three", "--port", "abc" },
        "kestrune: invalid port 'abc'\n");
    row("a second port out of range", { "five", "three", "--port2=65536" },
        "kestrune: invalid port '65536'\n");
    row("no table names", {}, "kestrune: two table names are needed\n" + tryHelp);
    row("one table name", { "five" }, "kestrune: a second table name is needed\n" + tryHelp);
    row("unknown option", { "five", "three", "--colour" },
        "kestrune: unknown option --colour\n" + tryHelp);
    row("option without value", { "five", "three", "--output" },
        "kestrune: option --output needs a value\n" + tryHelp);
    row("password as an argument", { "--password=kes-pw", "five", "three" },
        "kestrune: a password is never taken as an argument; use --password-file FILE\n" + tryHelp);
    const QString noKeyColumn
        = "kestrune: --key needs column names separated by commas\n" + tryHelp;
    row("an empty key", { "five", "three", "--key", "" }, noKeyColumn);
    row("a doubled comma in the key", { "five", "three", "--key", "id,,v" }, noKeyColumn);
    row("a trailing comma in the key", { "--key=id,", "five", "three" }, noKeyColumn);

    // Table 2 elsewhere. The same name in another database is another table.
    const QByteArray againstOther = "Record 3,Field \"id\" has changed from \"3\" to \"7\"\r\n"
                                    "Record 4 deleted from five\r\nRecord 5 deleted from five\r\n";
    row("another database", { "five", "five", "--database2", "kt_cli_other" }, "", againstOther);
    // Blanks around a value are the driver's to trim, and localhost is reached over the network.
    row("the second login as typed",
        { "five", "five", "--server2", "localhost", "--database2", " kt_cli_other\t",
            "--password-file2", password },
        "", againstOther);
    // Two places are one as the readers reach them, whatever blanks were typed around the values.
    const LoginDetails here = testdb::loginTo(valuesDatabase);
    row("the same table with blanks typed",
        { "five", "five", "--server2", " " + QString::fromStdString(here.server), "--database2",
            QString::fromStdString(here.database) + "\t" },
        "Please select 2 different tables to compare\\.\n");
    // With nobody to ask, a second password asked for would be none.
    row("the same user with blanks typed",
        { "five", "three", "--user2", QString::fromStdString(here.user) + " " }, "",
        "Record 4 deleted from three\r\nRecord 5 deleted from three\r\n");
    row("another server, its password from a file",
        { "five", "three", "--port2", port2, "--database2", "kt_cli_elsewhere", "--password-file2",
            password },
        "", "Record 4 deleted from three\r\nRecord 5 deleted from three\r\n");
    // Another server's password is never the first one: with nobody to ask, there is none.
    row("another server, no password",
        { "five", "three", "--port2", port2, "--database2", "kt_cli_elsewhere" },
        "Could not join this tables\\.\nAccess denied for user 'kes'.*\\(using password: NO\\)\n");
    row("the second login refused",
        { "five", "five", "--database2", "kt_cli_other", "--user2", "nobody", "--password-file2",
            "/dev/null" },
        "Could not join this tables\\.\nAccess denied for user 'nobody'.*\n");

    // Records paired by key, told by their key, field differences first.
    row("by key, columns by name", { "key_a", "key_b", "--key", "id" },
        "kestrune: column price is only in key_a; not compared\n"
        "kestrune: column colour is only in key_b; not compared\n",
        "Record id=1,Field \"City\" has changed from \"Lyon\" to \"LYON\"\r\n"
        "Record id=5,Field \"qty\" has changed from \"5\" to \"6\"\r\n"
        "Record id=2 deleted from key_b\r\nRecord id=3 added from key_b\r\n");
    // Texts by their UTF-8 bytes on both servers, whatever their character sets sort by.
    row("by a composite key, table 2 elsewhere in latin1",
        { "key_coded", "key_coded", "--key", "PRIMARY", "--port2", port2, "--database2",
            "kt_cli_elsewhere", "--password-file2", password },
        "",
        "Record code=\"A 17\" year=2024,Field \"qty\" has changed from \"3\" to \"4\"\r\n"
        "Record code=\"é\" year=3,Field \"qty\" has changed from \"1\" to \"2\"\r\n"
        "Record code=\"A 17\" year=2023 deleted from key_coded\r\n"
        "Record code=\"ä\" year=4 added from key_coded\r\n");
    row("by key, an empty table", { "five", "empty2", "--key", "ID" }, "",
        "Record id=1 deleted from empty2\r\nRecord id=2 deleted from empty2\r\n"
        "Record id=3 deleted from empty2\r\nRecord id=4 deleted from empty2\r\n"
        "Record id=5 deleted from empty2\r\n");
    row("by key, a key that repeats", { "key_twice", "key_a", "--key", "id" },
        "kestrune: column v is only in key_twice; not compared\n"
        "kestrune: column City is only in key_a; not compared\n"
        "kestrune: column qty is only in key_a; not compared\n"
        "kestrune: column price is only in key_a; not compared\n"
        "kestrune: key_twice: key id=1 appears twice\n");
    row("by key, a NULL key", { "five", "key_null", "--key", "id" },
        "kestrune: column v is only in key_null; not compared\n"
        "kestrune: key_null: key column id holds NULL\n");
    row("by key, unlike kinds", { "five", "key_text", "--key", "id" },
        "kestrune: key column id is a number in five but a text in key_text\n");
    row("by key, no primary key", { "key_twice", "five", "--key", "PRIMARY" },
        "kestrune: key_twice: no primary key\n");
    row("by key, a key column one table lacks", { "key_a", "five", "--key", "city" },
        "kestrune: five: no column named city\n");
    row("a summary at the end", { "key_a", "key_b", "--key", "id", "--summary" },
        "kestrune: column price is only in key_a; not compared\n"
        "kestrune: column colour is only in key_b; not compared\n"
        "kestrune: 2 field differences in 2 records, 1 record added, 1 deleted, 4 rows read of "
        "key_a and 4 of key_b, in [0-9]+\\.[0-9]{2} s\n",
        "Record id=1,Field \"City\" has changed from \"Lyon\" to \"LYON\"\r\n"
        "Record id=5,Field \"qty\" has changed from \"5\" to \"6\"\r\n"
        "Record id=2 deleted from key_b\r\nRecord id=3 added from key_b\r\n");
    // Ranges would miss a key repeated in two equal ones; the key's uniqueness is the table's.
    row("checksums of a key no index holds unique",
        { "key_a", "key_twice", "--key", "id", "--checksum" },
        "kestrune: column City is only in key_a; not compared\n"
        "kestrune: column qty is only in key_a; not compared\n"
        "kestrune: column price is only in key_a; not compared\n"
        "kestrune: column v is only in key_twice; not compared\n"
        "kestrune: --checksum needs a key that key_twice holds unique: no primary key or unique "
        "index of it is made of the key's columns\n");
    row("checksums without a key", { "five", "three", "--checksum" },
        "kestrune: --checksum needs --key\n" + tryHelp);
    row("checksums of an unknown kind", { "five", "three", "--key", "id", "--checksum=slow" },
        "kestrune: --checksum takes fast, or no value, not 'slow'\n" + tryHelp);
    row("an unknown format", { "five", "three", "--format", "xml" },
        "kestrune: --format takes text, json or sql, not 'xml'\n" + tryHelp);
    row("statements by position", { "five", "three", "--format", "sql" },
        "kestrune: --format sql needs --key: by position a record has no key that a statement "
        "could name it by\n"
            + tryHelp);

    // Columns chosen by table 1's names, whatever their case; table 2 is too narrow for note, so
    // it is never compared by position.
    row("only the columns chosen", { "sel_a", "sel_b", "--columns", "NAME" }, "",
        "Record 1,Field \"name\" has changed from \"a\" to \"A\"\r\n"
        "Record 3,Field \"name\" has changed from \"c\" to \"C\"\r\n"
        "Record 4,Field \"name\" has changed from \"d\" to \"e\"\r\n");
    row("a chosen column table 2 is too narrow for", { "sel_a", "sel_b", "--columns=note,qty" }, "",
        "Record 2,Field \"qty\" has changed from \"2\" to \"5\"\r\n"
        "Record 4,Field \"qty\" has changed from \"4\" to \"5\"\r\n");
    row("all but the columns left out", { "sel_a", "sel_b", "--ignore-columns", "Name" }, "",
        "Record 2,Field \"qty\" has changed from \"2\" to \"5\"\r\n"
        "Record 4,Field \"id\" has changed from \"4\" to \"5\"\r\n"
        "Record 4,Field \"qty\" has changed from \"4\" to \"5\"\r\n");
    // Only columns that would have been compared are said to be in one table only; the key
    // pairs records whether chosen or not.
    row("by key, only the columns chosen",
        { "key_a", "key_b", "--key", "id", "--columns", "qty,colour" },
        "kestrune: column colour is only in key_b; not compared\n",
        "Record id=5,Field \"qty\" has changed from \"5\" to \"6\"\r\n"
        "Record id=2 deleted from key_b\r\nRecord id=3 added from key_b\r\n");
    row("by key, all but the columns left out",
        { "key_a", "key_b", "--key", "id", "--ignore-columns", "QTY,colour,id" },
        "kestrune: column price is only in key_a; not compared\n",
        "Record id=1,Field \"City\" has changed from \"Lyon\" to \"LYON\"\r\n"
        "Record id=2 deleted from key_b\r\nRecord id=3 added from key_b\r\n");
    row("a chosen column neither table has", { "sel_a", "sel_b", "--columns", "name,colour" },
        "kestrune: --columns: neither sel_a nor sel_b has a column named colour\n" + tryHelp);
    row("by key, a column left out that neither table has",
        { "key_a", "key_b", "--key", "id", "--ignore-columns", "colour,nosuch" },
        "kestrune: --ignore-columns: neither key_a nor key_b has a column named nosuch\n"
            + tryHelp);
    row("both ways of choosing columns",
        { "sel_a", "sel_b", "--columns", "id", "--ignore-columns", "qty" },
        "kestrune: --columns and --ignore-columns cannot be given together\n" + tryHelp);
    row("no column chosen", { "sel_a", "sel_b", "--columns", "" },
        "kestrune: --columns needs column names separated by commas\n" + tryHelp);
    row("a trailing comma in the columns left out", { "sel_a", "sel_b", "--ignore-columns=id," },
        "kestrune: --ignore-columns needs column names separated by commas\n" + tryHelp);

    // Rows chosen by the user's own SQL; records are numbered as they are selected.
    row("only the rows selected", { "sel_a", "sel_b", "--where", "id > 1" }, "",
        "Record 1,Field \"qty\" has changed from \"2\" to \"5\"\r\n"
        "Record 2,Field \"name\" has changed from \"c\" to \"C\"\r\n"
        "Record 3,Field \"id\" has changed from \"4\" to \"5\"\r\n"
        "Record 3,Field \"name\" has changed from \"d\" to \"e\"\r\n"
        "Record 3,Field \"qty\" has changed from \"4\" to \"5\"\r\n");
    // Table 2's own condition is not added to table 1's: it selects id 5, which --where does not.
    row("table 2's own rows selected",
        { "sel_a", "sel_b", "--where", "id < 4", "--where2", "id <> 2", "--columns", "id" }, "",
        "Record 2,Field \"id\" has changed from \"2\" to \"3\"\r\n"
        "Record 3,Field \"id\" has changed from \"3\" to \"5\"\r\n");
    // A comment closing the condition leaves the rest of the query alone.
    row("a condition that ends in a comment", { "sel_a", "sel_b", "--where", "id = 2 -- the one" },
        "", "Record 1,Field \"qty\" has changed from \"2\" to \"5\"\r\n");
    row("by key, only the rows selected",
        { "key_a", "key_b", "--key", "id", "--where", "id <> 2", "--columns", "city" }, "",
        "Record id=1,Field \"City\" has changed from \"Lyon\" to \"LYON\"\r\n"
        "Record id=3 added from key_b\r\n");
    row("by key, table 2's own rows selected",
        { "key_a", "key_b", "--key", "id", "--where", "id < 5", "--where2", "qty > 3", "--columns",
            "city" },
        "",
        "Record id=1 deleted from key_b\r\nRecord id=2 deleted from key_b\r\n"
        "Record id=5 added from key_b\r\n");
    row("a condition the server refuses", { "sel_a", "sel_b", "--where2", "nosuch > 1" },
        "Could not join this tables\\.\nUnknown column 'nosuch' in .*\n");
    row("an empty condition", { "sel_a", "sel_b", "--where", " " },
        "kestrune: option --where needs a condition\n" + tryHelp);

    // Over TLS, to the server that requires it; refusals in the library's words. Table 2's place
    // is table 1's, TLS choices included, unless its own options say otherwise.
    const QString tlsPort = QString::fromStdString(m_tlsServer.login("").port);
    const QString ca = m_folder.filePath("ca.pem");
    const QStringList overTls = { "five", "three", "--port", tlsPort, "--database", "kt_cli_tls" };
    const QByteArray fiveAgainstThree
        = "Record 4 deleted from three\r\nRecord 5 deleted from three\r\n";
    row("TLS, the server's certificate verified",
        overTls + QStringList { "--ssl-ca", ca, "--ssl-verify-server-cert" }, "", fiveAgainstThree);
    row("TLS by default where the server offers it", overTls, "", fiveAgainstThree);
    row("a client certificate",
        overTls
            + QStringList { "--user", "kes_x509", "--ssl-cert", m_folder.filePath("client.pem"),
                "--ssl-key", m_folder.filePath("client.key") },
        "", fiveAgainstThree);
    row("a certificate of an unknown authority",
        overTls
            + QStringList { "--ssl-ca", m_folder.filePath("unknown-ca.pem"),
                "--ssl-verify-server-cert" },
        "Could not join this tables\\.\nTLS/SSL error: self-signed certificate in certificate "
        "chain\n");
    // The server's certificate is for 127.0.0.1, not for the name connected to.
    row("a certificate for another host name",
        overTls
            + QStringList { "--server", "localhost", "--ssl-ca", ca, "--ssl-verify-server-cert" },
        "Could not join this tables\\.\nTLS/SSL error: Validation of SSL server certificate "
        "failed\n");
    const QString noTls = "Could not join this tables\\.\nTLS/SSL error: SSL is required, but the "
                          "server does not support it\n";
    row("TLS asked of a server without it", { "five", "three", "--ssl" }, noTls);
    row("table 2 verified as table 1 is, on a server without TLS",
        overTls
            + QStringList { "--ssl-ca", ca, "--ssl-verify-server-cert", "--port2",
                QString::fromStdString(here.port), "--database2", "kt_cli_values",
                "--password-file2", password },
        noTls);
    row("table 2's own TLS choices",
        { "five", "three", "--port2", tlsPort, "--database2", "kt_cli_tls", "--password-file2",
            password, "--ssl-ca2", m_folder.filePath("unknown-ca.pem") },
        "Could not join this tables\\.\nTLS/SSL error: self-signed certificate in certificate "
        "chain\n");
    row("plain text asked of a server that requires TLS", overTls + QStringList { "--skip-ssl" },
        "Could not join this tables\\.\nAccess denied for user 'kes'.*\n");
    row("an unreadable certificate authority",
        { "five", "three", "--ssl-ca", "/nonexistent/ca.pem" },
        "kestrune: /nonexistent/ca\\.pem: No such file or directory\n");
    row("a TLS switch with a value", { "five", "three", "--ssl=yes" },
        "kestrune: option --ssl takes no value\n" + tryHelp);
    row("an empty certificate file name", { "five", "three", "--ssl-key2=" },
        "kestrune: option --ssl-key2 needs a file name\n" + tryHelp);
    row("plain text and TLS for one table", { "five", "three", "--ssl-ca", ca, "--skip-ssl" },
        "kestrune: --skip-ssl cannot go with other TLS options\n" + tryHelp);
}

void CompareCommandTest::runs()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, lines);
    QFETCH(QString, message);
    QFETCH(QString, standardOutput);
    ConfigHome store;
    store.remember(testdb::loginTo(valuesDatabase));
    Run run = standardOutput.startsWith('|')
        ? runProbe(arguments, store.path(), {}, standardOutput.mid(1).trimmed().split(' '))
        : runProbe(arguments, store.path(), standardOutput);
    QRegularExpression pattern(QRegularExpression::anchoredPattern(message));
    QVERIFY2(pattern.match(QString::fromUtf8(run.err)).hasMatch(), run.err.constData());
    if (standardOutput.isEmpty())
        QCOMPARE(run.out, lines);
    QCOMPARE(run.status, lines.isEmpty() ? 2 : 1);
}

void CompareCommandTest::optionsOverrideTheStoreAndLeaveItAlone()
{
    LoginDetails login = testdb::loginTo(valuesDatabase);
    ConfigHome good;
    good.remember(login);
    Run expected = runProbe({ "types_a", "types_b" }, good.path());
    QCOMPARE(expected.status, 1);

    ConfigHome other;
    other.remember(LoginDetails { .server = "elsewhere.invalid",
        .port = "1",
        .user = "nobody",
        .password = "wrong",
        .database = "nosuch" });
    QByteArray stored = contents(other.file());
    int mode = other.mode();
    QString passwordFile = m_folder.filePath("password");
    writeFile(passwordFile, QByteArray::fromStdString(login.password) + "\r\nnot this line\n");
    Run run = runProbe(
        { "types_a", "--server=" + QString::fromStdString(login.server), "--port",
            QString::fromStdString(login.port), "--user", QString::fromStdString(login.user),
            "--database", QString::fromStdString(login.database), "--password-file", passwordFile,
            "types_b" },
        other.path());
    QCOMPARE(run.err, QByteArray());
    QCOMPARE(run.out, expected.out);
    QCOMPARE(run.status, 1);
    QCOMPARE(contents(other.file()), stored);
    QCOMPARE(other.mode(), mode);
}

void CompareCommandTest::progressOnATerminal()
{
    // Off a terminal nothing is shown: the runs above have standard error on a pipe.
    ConfigHome store;
    store.remember(testdb::loginTo(valuesDatabase));
    std::ostringstream err;
    CommandStreams streams { ::open("/dev/null", O_WRONLY | O_CLOEXEC), err, true, {} };
    QCOMPARE(runCompare({ "five", "three" }, streams), 1);
    ::close(streams.out);
    // The server's estimate of the rows, or none.
    static const QRegularExpression shown(
        "^\rReading five: 5( of ~[0-9]+)? rows, three: 3( of ~[0-9]+)? rows");
    QVERIFY2(shown.match(QString::fromStdString(err.str())).hasMatch(), err.str().c_str());
    QCOMPARE(shownLine(err.str()).trimmed(), QByteArray());

    // By checksums: the ranges checked and differing, and the rows read of those.
    std::ostringstream checked;
    CommandStreams checking { ::open("/dev/null", O_WRONLY | O_CLOEXEC), checked, true, {} };
    QCOMPARE(runCompare({ "five", "three", "--key", "id", "--checksum" }, checking), 1);
    ::close(checking.out);
    static const QRegularExpression ranges(
        "^\rChecking ranges: 1 checked, 1 differ; read five: 0 rows, three: 0 rows");
    QVERIFY2(ranges.match(QString::fromStdString(checked.str())).hasMatch(), checked.str().c_str());
    QCOMPARE(shownLine(checked.str()).trimmed(), QByteArray());
}

// Every JSON line, read back by a parser, tells what the text line in its place tells.
void CompareCommandTest::jsonTellsWhatTheLinesTell_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("values no line can be split back from") << QStringList { "json_a", "json_b" };
    QTest::newRow("every column kind") << QStringList { "types_a", "types_b" };
    QTest::newRow("random tables") << QStringList { "random_a", "random_b", "--database",
        QString::fromStdString(randomDatabase) };
    QTest::newRow("by key") << QStringList { "json_a", "json_b", "--key", "id" };
    QTest::newRow("by a composite key, table 2 elsewhere")
        << QStringList { "key_coded", "key_coded", "--key", "code,year", "--port2",
               QString::fromStdString(m_server.login("").port), "--database2", "kt_cli_elsewhere",
               "--password-file2", m_folder.filePath("password") };
}

void CompareCommandTest::jsonTellsWhatTheLinesTell()
{
    QFETCH(QStringList, arguments);
    ConfigHome store;
    store.remember(testdb::loginTo(valuesDatabase));
    const Run text = runProbe(arguments, store.path());
    const Run json = runProbe(arguments + QStringList { "--format=json" }, store.path());
    QCOMPARE(json.status, text.status);
    QVERIFY2(json.err == text.err, json.err.constData());
    QVERIFY(json.out.endsWith('\n') && !json.out.contains('\r'));
    // The text lines end with CR LF; a value may hold a bare line feed.
    const QStringList textLines = QString::fromUtf8(text.out).split("\r\n");
    const QList<QByteArray> jsonLines = json.out.split('\n');
    QCOMPARE(jsonLines.size(), textLines.size());
    const QString &table2 = arguments.at(1);
    for (qsizetype i = 0; i + 1 < jsonLines.size(); ++i) {
        QJsonParseError error;
        const QJsonObject line = QJsonDocument::fromJson(jsonLines[i], &error).object();
        QVERIFY2(error.error == QJsonParseError::NoError, jsonLines[i].constData());
        // The record as the line tells it: its number, or each key column's value, quoted or
        // not as its kind is written.
        QString record = "Record ";
        const QJsonValue told = line.value("record");
        const QString &expected = textLines[i];
        if (told.isObject()) {
            QStringList parts;
            for (const QString &name : told.toObject().keys()) {
                const QString value = told.toObject().value(name).toString();
                const QString quoted = name + "=\"" + value + "\"";
                parts << (expected.contains(quoted) ? quoted : name + "=" + value);
            }
            std::sort(parts.begin(), parts.end(), [&](const QString &a, const QString &b) {
                return expected.indexOf(a) < expected.indexOf(b);
            });
            record += parts.join(' ');
        } else {
            record += QString::number(told.toInt());
        }
        auto value = [](const QJsonValue &v) {
            return v.isNull() ? QString("NULL") : "\"" + v.toString() + "\"";
        };
        const QString kind = line.value("kind").toString();
        QString rebuilt;
        if (kind == "changed")
            rebuilt = record + ",Field \"" + line.value("field").toString() + "\" has changed from "
                + value(line.value("old")) + " to " + value(line.value("new"));
        else
            rebuilt = record + " " + kind + " from " + table2;
        QCOMPARE(rebuilt, expected);
    }
}

// The same lines and messages by key with --checksum as without, on every kind of value: equal
// ranges are not read, and a range that differs is read and compared as it would be whole.
void CompareCommandTest::checksumsGiveTheLinesOfTheKey_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("fewerRead"); // ranges equal: fewer rows read than by key
    QTest::addColumn<int>("status"); // by key, when it is known; -1 else
    QTest::addColumn<QString>("checksum");
    const QString port2 = QString::fromStdString(m_server.login("").port);
    const QStringList random = { "--database", "kt_cli_random", "--key", "id" };
    auto row = [](const char *name, const QStringList &arguments, bool fewerRead = false,
                   int status = -1) {
        QTest::newRow(name) << arguments << fewerRead << status << QString("--checksum");
    };
    // By the two CRCs.
    auto fast = [](const char *name, const QStringList &arguments, bool fewerRead) {
        QTest::newRow(name) << arguments << fewerRead << -1 << QString("--checksum=fast");
    };
    fast("random values, by CRCs", QStringList { "random_a", "random_b" } + random, false);
    fast("a few records changed, by CRCs", QStringList { "random_a", "random_edited" } + random,
        true);
    row("columns by name", { "key_a", "key_b", "--key", "id" });
    row("every kind", { "types_a", "types_b", "--key", "id" });
    // FLOAT against DOUBLE, INT against DECIMAL: checksums that differ, and no line.
    row("kinds that meet", { "kinds_a", "kinds_b", "--key", "id" });
    row("values swapped between records", { "swap_a", "swap_b", "--key", "id" });
    row("keys at their kinds' ends", { "ends_a", "ends_b", "--key", "id" });
    row("unsigned keys at their ends", { "uends_a", "uends_b", "--key", "id" });
    row("random values", QStringList { "random_a", "random_b" } + random);
    row("random values of other kinds", QStringList { "random_a", "random_c" } + random);
    row("a copy", QStringList { "random_a", "random_a_copy" } + random, true);
    row("a few records changed", QStringList { "random_a", "random_edited" } + random, true);
    row("an empty table", { "five", "empty2", "--key", "ID" });
    row("only the columns chosen", { "key_a", "key_b", "--key", "id", "--columns", "qty,colour" });
    row("rows selected",
        { "key_a", "key_b", "--key", "id", "--where", "id < 5", "--where2", "qty > 3", "--columns",
            "city" });
    row("a composite key, table 2 elsewhere in latin1",
        { "key_coded", "key_coded", "--key", "PRIMARY", "--port2", port2, "--database2",
            "kt_cli_elsewhere", "--password-file2", m_folder.filePath("password") });
    const QStringList small = { "--port", QString::fromStdString(m_smallServer.login("").port),
        "--database", "kt_cli_small", "--password-file", m_folder.filePath("password") };
    row("letters flipped where two CRCs cannot see it", { "crafted_a", "crafted_b", "--key", "id" },
        false, 1);
    row("a two-digit year", { "year_a", "year_b", "--key", "y" }, false, 1);
    row("an ENUM against a binary text", { "enum_a", "enum_b", "--key", "e,n" }, true, 1);
    row("a BIT key", { "bit_a", "bit_b", "--key", "k" }, true, 1);
    row("a key of nearly every number in a stretch", { "dense_a", "dense_b", "--key", "id" }, true,
        1);
    row("keys and names that look like SQL", { "sql_a", "sql_b", "--key", "k`ey" }, true, 1);
    row("TIMESTAMPs on servers in other zones",
        { "instants", "instants", "--key", "t", "--port2",
            QString::fromStdString(m_smallServer.login("").port), "--database2", "kt_cli_small",
            "--password-file2", m_folder.filePath("password") },
        true, 0);
    row("rows longer than a packet", QStringList { "big_a", "big_b", "--key", "id" } + small, false,
        1);
    row("more ranges than a packet holds", QStringList { "wide_a", "wide_b", "--key", "k" } + small,
        true, 1);
}

void CompareCommandTest::checksumsGiveTheLinesOfTheKey()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, fewerRead);
    QFETCH(int, status);
    QFETCH(QString, checksum);
    ConfigHome store;
    store.remember(testdb::loginTo(valuesDatabase));
    const Run byKey = runProbe(arguments + QStringList { "--summary" }, store.path());
    const Run checked = runProbe(arguments + QStringList { "--summary", checksum }, store.path());
    QCOMPARE(checked.out, byKey.out);
    QCOMPARE(checked.status, byKey.status);
    QVERIFY2(byKey.status != 2, byKey.err.constData());
    if (status >= 0)
        QCOMPARE(byKey.status, status);
    // The messages are the same up to the summary, whose rows read and time are not.
    static const QRegularExpression summary("kestrune: [^\n]* rows? read of [^ ]+ and ([0-9]+) of "
                                            "[^\n]*\n$");
    const QRegularExpressionMatch keySummary = summary.match(QString::fromUtf8(byKey.err));
    const QRegularExpressionMatch checkedSummary = summary.match(QString::fromUtf8(checked.err));
    QVERIFY2(keySummary.hasMatch() && checkedSummary.hasMatch(), checked.err.constData());
    QCOMPARE(checked.err.left(checkedSummary.capturedStart()),
        byKey.err.left(keySummary.capturedStart()));
    if (fewerRead)
        QVERIFY2(checkedSummary.captured(1).toLongLong() < keySummary.captured(1).toLongLong(),
            checked.err.constData());
}

// The server of one table stops while both are read: no lines, and the old output file stays.
// The script applied with the mariadb client makes table 2 equal to table 1: compared again, no
// line. Table 2 is made afresh from `setup` in its database first.
void CompareCommandTest::scriptsMakeTable2EqualToTable1_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("far"); // table 2 on the server in another time zone
    QTest::addColumn<QStringList>("setup");
    QTest::addColumn<QStringList>("clientOptions");
    QTest::addColumn<QString>("unchanged"); // a query on table 2's side that gives the same after
    QTest::addColumn<bool>("applies");
    const QStringList none;
    auto row = [&](const char *name, const QStringList &arguments, const QStringList &setup,
                   const QString &unchanged = QString(), const QStringList &clientOptions = {}) {
        QTest::newRow(name) << arguments << false << setup << clientOptions << unchanged << true;
    };
    auto copyOf = [](const char *table, const std::string &database, const char *source) {
        const QString from = QString::fromStdString(database) + "." + source;
        return QStringList { QString("DROP TABLE IF EXISTS ") + table,
            QString("CREATE TABLE ") + table + " LIKE " + from,
            QString("INSERT INTO ") + table + " SELECT * FROM " + from };
    };
    row("every kind",
        { "types_a", "types", "--key", "id", "--database", QString::fromStdString(valuesDatabase),
            "--database2", QString::fromStdString(syncDatabase) },
        copyOf("types", valuesDatabase, "types_b"));
    row("random values",
        { "random_a", "random", "--key", "id", "--database", QString::fromStdString(randomDatabase),
            "--database2", QString::fromStdString(syncDatabase) },
        copyOf("random", randomDatabase, "random_b"));
    row("names and values that look like SQL",
        { "sql_a", "sync`; --", "--key", "k`ey", "--database",
            QString::fromStdString(valuesDatabase), "--database2",
            QString::fromStdString(syncDatabase) },
        { "DROP TABLE IF EXISTS `sync``; --`", "CREATE TABLE `sync``; --` LIKE kt_cli_values.sql_b",
            "INSERT INTO `sync``; --` SELECT * FROM kt_cli_values.sql_b WHERE `v'); --` % 9 <> 0",
            "INSERT INTO `sync``; --` VALUES ('''); DROP TABLE sql_a; --', 1)" });
    // A key that table 2's collation calls equal to table 1's is deleted before it is inserted.
    row("a composite text key, in another order, and a column only in table 2",
        { "comp_a", "comp", "--key", "a,b" },
        { "DROP TABLE IF EXISTS comp",
            "CREATE TABLE comp (extra INT DEFAULT 7, w TEXT, b VARCHAR(20), v INT, a VARCHAR(20), "
            "PRIMARY KEY (b, a))",
            "INSERT INTO comp (a, b, v, w) VALUES ('x', 'it''s', 1, 'one!'), ('x', 'Y', 2, NULL), "
            "('gone', 'z', 5, 'five')" },
        "SELECT DISTINCT extra FROM comp");
    row("values at their edges, under another sql_mode", { "edges_a", "edges", "--key", "id" },
        { "DROP TABLE IF EXISTS edges", "CREATE TABLE edges LIKE edges_a",
            "INSERT INTO edges VALUES (1, 1, 1, '0000-00-01', '2024-00-15 00:00:00.000002', "
            "'-838:59:59.999998', 1902, 'x', 'a', '{}', 18446744073709551614, "
            "ST_GeomFromText('POINT(1 3)', 4326), 'Aero', 'x', x'00', 1), "
            "(3, 0, 0, '2024-01-01', '2024-01-01 00:00:00', '00:00:00', 2000, 'x', 'b', 'null', 1, "
            "ST_GeomFromText('POINT(0 0)'), 'x', 'x', x'01', 0), "
            "(4, 1, 1, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, "
            "NULL)" },
        QString(),
        { "--init-command=SET SESSION sql_mode='ANSI_QUOTES,NO_BACKSLASH_ESCAPES,"
          "STRICT_ALL_TABLES,NO_ZERO_DATE'" });
    row("a generated column, and one set on update", { "gen_a", "gen", "--key", "id" },
        { "DROP TABLE IF EXISTS gen",
            "CREATE TABLE gen (id INT PRIMARY KEY, a INT, b INT AS (a * 2) STORED, "
            "ts DATETIME DEFAULT '2020-01-01' ON UPDATE CURRENT_TIMESTAMP)",
            "INSERT INTO gen (id, a) VALUES (1, 1), (2, 6), (3, 9)" });
    row("only the records selected", { "gen_a", "gen", "--key", "id", "--where", "id < 3" },
        { "DROP TABLE IF EXISTS gen",
            "CREATE TABLE gen (id INT PRIMARY KEY, a INT, b INT AS (a * 2) STORED, ts DATETIME)",
            "INSERT INTO gen (id, a, ts) VALUES (1, 1, '2020-01-01'), (2, 6, NULL), (3, 9, NULL)" },
        "SELECT id, a FROM gen WHERE id >= 3");
    row("a parent whose children go with it", { "parent_a", "parent", "--key", "id" },
        { "DROP TABLE IF EXISTS child", "DROP TABLE IF EXISTS parent",
            "CREATE TABLE parent (id INT PRIMARY KEY, v INT) ENGINE=InnoDB",
            "CREATE TABLE child (id INT PRIMARY KEY, p INT, FOREIGN KEY (p) REFERENCES parent (id) "
            "ON DELETE CASCADE) ENGINE=InnoDB",
            "INSERT INTO parent VALUES (1, 11), (2, 20)",
            "INSERT INTO child VALUES (1, 1), (2, 1), (3, 2)" },
        "SELECT id, p FROM child ORDER BY id");
    QTest::newRow("TIMESTAMPs, table 2's server in another zone")
        << QStringList { "instants", "sync_instants", "--key", "t", "--database",
               QString::fromStdString(valuesDatabase), "--port2",
               QString::fromStdString(m_smallServer.login("").port), "--database2", "kt_cli_small",
               "--password-file2", m_folder.filePath("password") }
        << true
        << QStringList { "DROP TABLE IF EXISTS sync_instants",
               "CREATE TABLE sync_instants LIKE instants",
               "INSERT INTO sync_instants SELECT t, IF(v % 97 = 0, 0, v) FROM instants "
               "WHERE v % 101 <> 0",
               "INSERT INTO sync_instants VALUES ('2030-01-01 00:00:00', 1)" }
        << none << QString() << true;
    // Tens of megabytes of statements, each within a packet of 1 MiB.
    const QString m = "a_rather_long_column_name_that_every_statement_repeats_";
    QTest::newRow("many records, on a server of a small packet")
        << QStringList { "wide_a", "sync_wide", "--key", "k", "--port",
               QString::fromStdString(m_smallServer.login("").port), "--database", "kt_cli_small",
               "--password-file", m_folder.filePath("password") }
        << true
        << QStringList { "DROP TABLE IF EXISTS sync_wide", "CREATE TABLE sync_wide LIKE wide_a",
               "INSERT INTO sync_wide SELECT * FROM wide_a WHERE " + m + "1 % 3 = 0",
               "UPDATE sync_wide SET " + m + "7 = -1 WHERE " + m + "1 % 9 = 0",
               "INSERT INTO sync_wide (k) SELECT CONCAT(REPEAT('gone ', 30), seq) FROM "
               "seq_1_to_20000" }
        << none << QString() << true;
    // The insert fails, and the delete and update before it are undone.
    QTest::newRow("a latin1 table 2 that cannot hold an emoji")
        << QStringList { "emoji_a", "emoji", "--key", "id" } << false
        << QStringList { "DROP TABLE IF EXISTS emoji",
               "CREATE TABLE emoji (id INT PRIMARY KEY, t VARCHAR(20) CHARACTER SET latin1)",
               "INSERT INTO emoji VALUES (1, 'plane'), (3, 'three')" }
        << none << QString("CHECKSUM TABLE emoji") << false;
}

void CompareCommandTest::scriptsMakeTable2EqualToTable1()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, far);
    QFETCH(QStringList, setup);
    QFETCH(QStringList, clientOptions);
    QFETCH(QString, unchanged);
    QFETCH(bool, applies);
    ConfigHome store;
    store.remember(testdb::loginTo(syncDatabase));
    const LoginDetails target
        = far ? m_smallServer.login("kt_cli_small") : testdb::loginTo(syncDatabase);
    std::vector<std::string> statements;
    for (const QString &statement : setup)
        statements.push_back(statement.toStdString());
    testdb::run(target, statements);
    const Run before = runClient(target, unchanged.toUtf8());

    const QStringList sql = { "--format", "sql" };
    const Run script = runProbe(arguments + sql, store.path());
    QVERIFY2(script.status == 1, script.err.constData());
    QVERIFY(script.out.startsWith("SET NAMES utf8mb4;\n") && script.out.endsWith("COMMIT;\n"));
    const Run checked = runProbe(arguments + sql + QStringList("--checksum"), store.path());
    QCOMPARE(checked.out, script.out);
    QCOMPARE(checked.status, 1);

    const Run applied = runClient(target, script.out, clientOptions);
    QCOMPARE(runClient(target, unchanged.toUtf8()).out, before.out);
    if (!applies) {
        QVERIFY2(applied.status == 1 && applied.err.contains("Incorrect string value"),
            applied.err.constData());
        return;
    }
    QVERIFY2(applied.status == 0, (applied.err + script.out).constData());
    const Run again = runProbe(arguments, store.path());
    QVERIFY2(again.status == 0 && again.out.isEmpty(), (again.out + again.err).constData());
}

void CompareCommandTest::serverStopsDuringTheRead_data()
{
    QTest::addColumn<bool>("firstTable");
    QTest::addColumn<bool>("checksum");
    QTest::newRow("the first table's server") << true << false;
    QTest::newRow("the second table's server") << false << false;
    // Its first range checked, the next fails.
    QTest::newRow("the first table's server, between ranges checked") << true << true;
    QTest::newRow("the second table's server, between ranges checked") << false << true;
}

void CompareCommandTest::serverStopsDuringTheRead()
{
    QFETCH(bool, firstTable);
    QFETCH(bool, checksum);
    LoginDetails login = m_server.freshDatabase("kt_cli_stop",
        { "CREATE TABLE big (id INT PRIMARY KEY, a CHAR(30), b INT) ENGINE=MyISAM",
            "INSERT INTO big SELECT seq, 'abcdefghijabcdefghij', seq % 7 FROM seq_1_to_3000000" });
    ConfigHome store;
    store.remember(testdb::loginTo(valuesDatabase));
    QString output = m_folder.filePath("kept.txt");
    writeFile(output, "an older file\r\n");
    auto place = [&](const QString &suffix, const LoginDetails &at) {
        return QStringList { "--server" + suffix, QString::fromStdString(at.server),
            "--port" + suffix, QString::fromStdString(at.port), "--database" + suffix,
            QString::fromStdString(at.database), "--password-file" + suffix,
            m_folder.filePath("password") };
    };
    const LoginDetails here = testdb::loginTo(valuesDatabase);
    QStringList arguments = QStringList { "--output", output }
        + place("", firstTable ? login : here) + place("2", firstTable ? here : login)
        + (firstTable ? QStringList { "big", "five" } : QStringList { "five", "big" });
    if (checksum)
        arguments << "--key"
                  << "id"
                  << "--checksum";

    PrivateServer::StopWhileRunning stopper(
        m_server, checksum ? "select count(*),count(case when" : "select * from `big`");
    Run run = runProbe(arguments, store.path());
    QString stopped = stopper.wait();
    QVERIFY2(stopped.isEmpty(), qPrintable(stopped));
    m_server.stop();
    QString error = m_server.start();
    QVERIFY2(error.isEmpty(), qPrintable(error));

    QCOMPARE(run.status, 2);
    QCOMPARE(run.out, QByteArray());
    // By key, the columns only one table has are told first.
    static const QRegularExpression lost(
        "^(kestrune: column [a-z]+ is only in big; not "
        "compared\n)*Could not join this tables\\.\n.*(Lost connection|"
        "Server shutdown in progress|server has gone away).*\n$");
    QVERIFY2(lost.match(QString::fromUtf8(run.err)).hasMatch(), run.err.constData());
    QCOMPARE(contents(output), QByteArray("an older file\r\n"));
}

QTEST_MAIN(CompareCommandTest)
#include "tst_comparecommand.moc"
