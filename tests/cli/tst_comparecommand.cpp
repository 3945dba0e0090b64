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
#include "db/odbc.h"
#include "widgets/resultspage.h"

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

// The lines of an in-process run, and the questions it asked.
struct InProcess {
    int status = -1;
    QByteArray out;
    std::string err;
    QStringList questions;
};

InProcess runHere(const std::vector<std::string> &arguments)
{
    InProcess run;
    QTemporaryDir folder;
    const QString outFile = folder.filePath(QStringLiteral("out"));
    int out = ::open(QFile::encodeName(outFile).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::ostringstream err;
    CommandStreams streams { out, err, false, [&](const std::string &question) {
                                run.questions << QString::fromStdString(question);
                                return std::optional<std::string>("not-the-password");
                            } };
    run.status = runCompare(arguments, streams);
    ::close(out);
    run.out = contents(outFile);
    run.err = err.str();
    return run;
}

} // namespace

class CompareCommandTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void sameBytesAsTheSavedFile_data();
    void sameBytesAsTheSavedFile();
    void noComparison_data();
    void noComparison();
    void standardOutputTrouble_data();
    void standardOutputTrouble();
    void optionsOverrideTheStoreAndLeaveItAlone();
    void progressOnATerminal();
    void tableTwoElsewhere_data();
    void tableTwoElsewhere();
    void serverStopsDuringTheRead_data();
    void serverStopsDuringTheRead();

private:
    QTemporaryDir m_folder;
    PrivateServer m_server; // a second server, for table 2 elsewhere
};

void CompareCommandTest::initTestCase()
{
    testdb::run(testdb::freshDatabase(valuesDatabase), valueTables());
    LoginDetails random = testdb::freshDatabase(randomDatabase);
    for (const RandomTable &table : randomTables())
        testdb::run(random, table.statements);
    testdb::run(testdb::freshDatabase(otherDatabase),
        { "CREATE TABLE five (id INT PRIMARY KEY)", "INSERT INTO five VALUES (1), (2), (7)" });
    // Enough lines to fill a pipe, for a reader that stops early.
    testdb::run(testdb::loginTo(valuesDatabase),
        { "CREATE TABLE many_a (id INT PRIMARY KEY, v INT)",
            "CREATE TABLE many_b (id INT PRIMARY KEY, v INT)",
            "INSERT INTO many_a SELECT seq, seq FROM seq_1_to_20000",
            "INSERT INTO many_b SELECT seq, seq + 1 FROM seq_1_to_20000" });
    writeFile(m_folder.filePath("password"), "kes-pw\n");
    QString error = m_server.start();
    QVERIFY2(error.isEmpty(), qPrintable(error));
    m_server.freshDatabase("kt_cli_elsewhere",
        { "CREATE TABLE three (id INT PRIMARY KEY)", "INSERT INTO three VALUES (1), (2), (3)" });
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
    // Every column kind against its own kind and against others.
    pair(randomDatabase, "random_numbers", "random_every_kind");
    pair(randomDatabase, "random_every_kind", "random_texts");
    pair(randomDatabase, "random_times", "random_expressions");
    pair(randomDatabase, "random_texts", "random_long_values");
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

void CompareCommandTest::noComparison_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message"); // a pattern of the whole message

    const QString tryHelp = "Try 'kestrune --help' for more information\\.\n";
    QTest::newRow("same table twice")
        << QStringList({ "five", "five" }) << "Please select 2 different tables to compare\\.\n";
    QTest::newRow("empty table") << QStringList({ "five", "empty2" })
                                 << "empty2 does not contain any data\\.\n";
    // The client library's words, as they are.
    QTest::newRow("missing table")
        << QStringList({ "five", "nosuch" })
        << "Could not join this tables\\.\nTable 'kt_cli_values\\.nosuch' doesn't exist\n";
    QTest::newRow("refused login")
        << QStringList({ "--password-file", "/dev/null", "five", "three" })
        << "Could not join this tables\\.\nAccess denied for user 'kes'.*\n";
    // The command line's own files are named as other tools name them.
    QTest::newRow("unreadable password file")
        << QStringList({ "five", "three", "--password-file", "/nonexistent/pw" })
        << "kestrune: /nonexistent/pw: No such file or directory\n";
    QTest::newRow("unwritable output")
        << QStringList({ "five", "three", "--output", "/nonexistent/out.txt" })
        << "kestrune: /nonexistent/out\\.txt: No such file or directory\n";
    QTest::newRow("a port that is no number")
        << QStringList({ "five", "three", "--port", "abc" }) << "kestrune: invalid port 'abc'\n";
    QTest::newRow("a second port out of range")
        << QStringList({ "five", "three", "--port2=65536" }) << "kestrune: invalid port '65536'\n";
    QTest::newRow("no table names")
        << QStringList() << "kestrune: two table names are needed\n" + tryHelp;
    QTest::newRow("one table name")
        << QStringList({ "five" }) << "kestrune: a second table name is needed\n" + tryHelp;
    QTest::newRow("unknown option") << QStringList({ "five", "three", "--colour" })
                                    << "kestrune: unknown option --colour\n" + tryHelp;
    QTest::newRow("option without value") << QStringList({ "five", "three", "--output" })
                                          << "kestrune: option --output needs a value\n" + tryHelp;
    QTest::newRow("password as an argument")
        << QStringList({ "--password=kes-pw", "five", "three" })
        << "kestrune: a password is never taken as an argument; use --password-file FILE\n"
            + tryHelp;
}

void CompareCommandTest::noComparison()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    ConfigHome store;
    store.remember(testdb::loginTo(valuesDatabase));
    Run run = runProbe(arguments, store.path());
    QCOMPARE(run.status, 2);
    QCOMPARE(run.out, QByteArray());
    QRegularExpression pattern(QRegularExpression::anchoredPattern(message));
    QVERIFY2(pattern.match(QString::fromUtf8(run.err)).hasMatch(), run.err.constData());
}

void CompareCommandTest::standardOutputTrouble_data()
{
    QTest::addColumn<QString>("outputFile");
    QTest::addColumn<QStringList>("reader");
    QTest::addColumn<QByteArray>("message");
    QTest::newRow("a full disk") << "/dev/full" << QStringList()
                                 << QByteArray(
                                        "kestrune: standard output: No space left on device\n");
    // A reader that has read enough is no failure: nothing is said.
    QTest::newRow("a reader that stops early")
        << QString() << QStringList({ "head", "-n", "2" }) << QByteArray();
}

void CompareCommandTest::standardOutputTrouble()
{
    QFETCH(QString, outputFile);
    QFETCH(QStringList, reader);
    QFETCH(QByteArray, message);
    ConfigHome store;
    store.remember(testdb::loginTo(valuesDatabase));
    Run run = runProbe({ "many_a", "many_b" }, store.path(), outputFile, reader);
    QCOMPARE(run.err, message);
    QCOMPARE(run.status, 2);
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
}

void CompareCommandTest::tableTwoElsewhere_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QByteArray>("lines");
    QTest::addColumn<QString>("message"); // a pattern of standard error
    QTest::addColumn<QStringList>("questions");
    const QString port2 = m_server.login("").port.c_str();
    const QByteArray fiveAgainstOther
        = "Record 3,Field \"id\" has changed from \"3\" to \"7\"\r\n"
          "Record 4 deleted from five\r\nRecord 5 deleted from five\r\n";
    const QByteArray fiveAgainstElsewhere
        = "Record 4 deleted from three\r\nRecord 5 deleted from three\r\n";

    // The same name in another database is another table; the password goes along.
    QTest::newRow("another database")
        << QStringList({ "five", "five", "--database2", QString::fromStdString(otherDatabase) })
        << fiveAgainstOther << "" << QStringList();
    QTest::newRow("another server, its password from a file")
        << QStringList({ "five", "three", "--port2", port2, "--database2", "kt_cli_elsewhere",
               "--password-file2", m_folder.filePath("password") })
        << fiveAgainstElsewhere << "" << QStringList();
    // Another server without a password file asks for its password.
    QTest::newRow("another server, asked")
        << QStringList({ "five", "three", "--port2", port2, "--database2", "kt_cli_elsewhere" })
        << QByteArray() << "Could not join this tables\\.\nAccess denied for user 'kes'.*\n"
        << QStringList({ "Password for kes@127.0.0.1: " });
    QTest::newRow("the second login refused")
        << QStringList({ "five", "five", "--database2", QString::fromStdString(otherDatabase),
               "--user2", "nobody", "--password-file2", "/dev/null" })
        << QByteArray() << "Could not join this tables\\.\nAccess denied for user 'nobody'.*\n"
        << QStringList();
}

void CompareCommandTest::tableTwoElsewhere()
{
    QFETCH(QStringList, options);
    QFETCH(QByteArray, lines);
    QFETCH(QString, message);
    QFETCH(QStringList, questions);
    ConfigHome store;
    store.remember(testdb::loginTo(valuesDatabase));
    std::vector<std::string> arguments;
    for (const QString &option : options)
        arguments.push_back(option.toStdString());
    InProcess run = runHere(arguments);
    QRegularExpression pattern(QRegularExpression::anchoredPattern(message));
    QVERIFY2(pattern.match(QString::fromStdString(run.err)).hasMatch(), run.err.c_str());
    QCOMPARE(run.out, lines);
    QCOMPARE(run.status, lines.isEmpty() ? 2 : 1);
    QCOMPARE(run.questions, questions);
}

// The server of one table stops while both are read: no lines, and the old output file stays.
void CompareCommandTest::serverStopsDuringTheRead_data()
{
    QTest::addColumn<bool>("firstTable");
    QTest::newRow("the first table's server") << true;
    QTest::newRow("the second table's server") << false;
}

void CompareCommandTest::serverStopsDuringTheRead()
{
    QFETCH(bool, firstTable);
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

    PrivateServer::StopWhileRunning stopper(m_server, "select * from `big`");
    Run run = runProbe(arguments, store.path());
    QString stopped = stopper.wait();
    QVERIFY2(stopped.isEmpty(), qPrintable(stopped));
    m_server.stop();
    QString error = m_server.start();
    QVERIFY2(error.isEmpty(), qPrintable(error));

    QCOMPARE(run.status, 2);
    QCOMPARE(run.out, QByteArray());
    static const QRegularExpression lost("^Could not join this tables\\.\n.*(Lost connection|"
                                         "Server shutdown in progress|server has gone away).*\n$");
    QVERIFY2(lost.match(QString::fromUtf8(run.err)).hasMatch(), run.err.constData());
    QCOMPARE(contents(output), QByteArray("an older file\r\n"));
}

QTEST_MAIN(CompareCommandTest)
#include "tst_comparecommand.moc"
