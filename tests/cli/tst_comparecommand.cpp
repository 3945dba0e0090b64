#include "flow/valuetables.h"
#include "flow/wizard.h"
#include "support/confighome.h"
#include "support/controls.h"
#include "support/files.h"
#include "support/testdb.h"

#include "cli/comparecommand.h"
#include "cli/compareoptions.h"
#include "widgets/resultspage.h"

#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <sstream>

using namespace kestrune;
using kestrune::testfiles::contents;
using kestrune::testfiles::writeFile;

namespace {

const std::string valuesDatabase = "kt_cli_values";

struct Run {
    int status = -1;
    QByteArray out;
    QByteArray err;
};

// The probe as a process of its own, with no display and no platform plugin to fall back on,
// the settings store of that config home, and standard input no terminal.
Run runProbe(
    const QStringList &arguments, const QString &configHome, const QString &outputFile = QString())
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : { "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM" })
        environment.remove(QString::fromLatin1(name));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
    process.setProcessEnvironment(environment);
    if (!outputFile.isEmpty())
        process.setStandardOutputFile(outputFile);
    process.start(QStringLiteral(KESTRUNE_COMPARE_PROBE), QStringList("--compare") + arguments);
    process.closeWriteChannel();
    Run run;
    if (!process.waitForFinished(300000) || process.exitStatus() != QProcess::NormalExit)
        return run;
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

} // namespace

class CompareCommandTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void sameBytesAsTheSavedFile_data();
    void sameBytesAsTheSavedFile();
    void noComparison_data();
    void noComparison();
    void fullStandardOutput();
    void optionsOverrideTheStoreAndLeaveItAlone();
    void progressOnATerminal();

private:
    QTemporaryDir m_folder;
};

void CompareCommandTest::initTestCase()
{
    testdb::run(testdb::freshDatabase(valuesDatabase), valueTables());
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
    pair(valuesDatabase, "three", "five");
    pair(valuesDatabase, "my table", "select");
    pair(valuesDatabase, "we`ird", "таблица");
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
    QTest::addColumn<bool>("usage"); // the usage text follows the message

    QTest::newRow("same table twice")
        << QStringList({ "five", "five" }) << "Please select 2 different tables to compare\\.\n"
        << false;
    QTest::newRow("empty table") << QStringList({ "five", "empty2" })
                                 << "empty2 does not contain any data\\.\n"
                                 << false;
    QTest::newRow("missing table")
        << QStringList({ "five", "nosuch" })
        << "Could not join this tables\\.\n\\[ma-3\\.1\\.15\\].*Table 'kt_cli_values\\.nosuch' "
           "doesn't exist\n"
        << false;
    QTest::newRow("refused login")
        << QStringList({ "--password-file", "/dev/null", "five", "three" })
        << "Could not join this tables\\.\n\\[ma-3\\.1\\.15\\]Access denied for user 'kes'.*\n"
        << false;
    QTest::newRow("unreadable password file")
        << QStringList({ "five", "three", "--password-file", "/nonexistent/pw" })
        << "Could not join this tables\\.\n/nonexistent/pw: No such file or directory\n"
        << false;
    // The saved file's writer keeps the old file on any failure; here the command's words for it.
    QTest::newRow("unwritable output")
        << QStringList({ "five", "three", "--output", "/nonexistent/out.txt" })
        << "Could not join this tables\\.\n/nonexistent/out\\.txt: No such file or directory\n"
        << false;
    QTest::newRow("no table names") << QStringList() << "kestrune: two table names are needed\n"
                                    << true;
    QTest::newRow("one table name")
        << QStringList({ "five" }) << "kestrune: a second table name is needed\n"
        << true;
    QTest::newRow("unknown option")
        << QStringList({ "five", "three", "--colour" }) << "kestrune: unknown option --colour\n"
        << true;
    QTest::newRow("option without value") << QStringList({ "five", "three", "--output" })
                                          << "kestrune: option --output needs a value\n"
                                          << true;
    QTest::newRow("password as an argument")
        << QStringList({ "--password=kes-pw", "five", "three" })
        << "kestrune: a password is never taken as an argument; use --password-file FILE\n"
        << true;
}

void CompareCommandTest::noComparison()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    QFETCH(bool, usage);
    ConfigHome store;
    store.remember(testdb::loginTo(valuesDatabase));
    Run run = runProbe(arguments, store.path());
    QCOMPARE(run.status, 2);
    QCOMPARE(run.out, QByteArray());
    QByteArray err = run.err;
    if (usage) {
        QVERIFY2(err.endsWith(compareUsage().data()), err.constData());
        err.chop(static_cast<qsizetype>(compareUsage().size()));
    }
    QRegularExpression pattern(QRegularExpression::anchoredPattern(message));
    QVERIFY2(pattern.match(QString::fromUtf8(err)).hasMatch(), err.constData());
}

void CompareCommandTest::fullStandardOutput()
{
    ConfigHome store;
    store.remember(testdb::loginTo(valuesDatabase));
    Run run = runProbe({ "five", "three" }, store.path(), QStringLiteral("/dev/full"));
    QCOMPARE(
        run.err, QByteArray("Could not join this tables.\nStandard output could not be written\n"));
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
    std::ostringstream out;
    std::ostringstream err;
    CommandStreams streams { out, err, true, {} };
    QCOMPARE(runCompare({ "five", "three" }, streams), 1);
    QVERIFY2(err.str().starts_with("\rReading five: 5 of ~5 rows, three: 3 of ~3 rows"),
        err.str().c_str());
    QCOMPARE(shownLine(err.str()).trimmed(), QByteArray());
}

QTEST_MAIN(CompareCommandTest)
#include "tst_comparecommand.moc"
