#include "core/resultfile.h"
#include "support/files.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace kestrune;
using kestrune::testfiles::contents;
using kestrune::testfiles::writeFile;

class ResultFileTest : public QObject {
    Q_OBJECT

private slots:
    void sameBytesToStreamAndFile_data();
    void sameBytesToStreamAndFile();
    void largeOutputMatchesStream();
    void emptyResultLeavesEmptyFile();
    void secondSaveReplacesWholeFile();
    void readOnlyTargetIsReplaced();
    void failureLeavesFolderUntouched_data();
    void failureLeavesFolderUntouched();
    void readOnlyFolderFails();
    void writeFailureRemovesTemporaryFile();
    void linkIsKeptAndItsFileReplaced();
    void devices_data();
    void devices();
};

namespace {

// The plain way to write the lines, against which the buffered file writer is checked.
void writeResultLines(std::ostream &out, const TextLines &first, const TextLines &second)
{
    for (const TextLines *lines : { &first, &second }) {
        for (std::size_t i = 0; i < lines->size(); ++i) {
            std::string_view line = lines->at(i);
            out.write(line.data(), static_cast<std::streamsize>(line.size()));
            out.write("\r\n", 2);
        }
    }
}

TextLines textLines(const QStringList &lines)
{
    TextLines out;
    for (const QString &line : lines)
        out.append(line.toStdString());
    return out;
}

// Every entry under a folder, hidden ones too, with the content of each file.
QMap<QString, QByteArray> snapshot(const QString &folder)
{
    QMap<QString, QByteArray> entries;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
        QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QString path = it.next();
        entries.insert(path, it.fileInfo().isFile() ? contents(path) : QByteArray("<folder>"));
    }
    return entries;
}

// The reason saveResultFile gave, or nothing when it succeeded.
std::optional<QString> saveError(
    const QString &path, const TextLines &first, const TextLines &second = {})
{
    try {
        saveResultFile(path.toStdString(), first, second);
    } catch (const std::runtime_error &error) {
        return QString::fromLocal8Bit(error.what());
    }
    return std::nullopt;
}

mode_t currentUmask()
{
    mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

const TextLines someLines = textLines({ "Record 1,Field \"a\" has changed from \"1\" to \"2\"" });

} // namespace

void ResultFileTest::sameBytesToStreamAndFile_data()
{
    QTest::addColumn<QStringList>("first");
    QTest::addColumn<QStringList>("second");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("both lists, first first")
        << QStringList { "one", "Grüße 東京" } << QStringList { "Record 3 added from t2" }
        << QByteArray("one\r\nGr\xC3\xBC\xC3\x9F"
                      "e \xE6\x9D\xB1\xE4\xBA\xAC\r\n"
                      "Record 3 added from t2\r\n");
    QTest::newRow("only the second list")
        << QStringList() << QStringList { "a", "b" } << QByteArray("a\r\nb\r\n");
    QTest::newRow("only the first list")
        << QStringList { "a" } << QStringList() << QByteArray("a\r\n");
    QTest::newRow("empty lines are kept")
        << QStringList { "", "x" } << QStringList { "" } << QByteArray("\r\nx\r\n\r\n");
    QTest::newRow("both empty") << QStringList() << QStringList() << QByteArray();
}

void ResultFileTest::sameBytesToStreamAndFile()
{
    QFETCH(QStringList, first);
    QFETCH(QStringList, second);
    QFETCH(QByteArray, expected);

    std::ostringstream stream;
    writeResultLines(stream, textLines(first), textLines(second));
    QCOMPARE(QByteArray::fromStdString(stream.str()), expected);

    // The name is used as given: no extension is added and nothing else is left beside it.
    QTemporaryDir dir;
    QString path = dir.filePath("results");
    QCOMPARE(saveError(path, textLines(first), textLines(second)), std::nullopt);
    QCOMPARE(snapshot(dir.path()), (QMap<QString, QByteArray> { { path, expected } }));
}

void ResultFileTest::largeOutputMatchesStream()
{
    TextLines first;
    TextLines second;
    for (int i = 0; i < 60000; ++i) {
        std::string line = "Record " + std::to_string(i + 1) + ",Field \"name\" has changed";
        (i % 3 == 0 ? second : first).append(line);
    }
    std::ostringstream stream;
    writeResultLines(stream, first, second);
    QVERIFY(stream.str().size() > (std::size_t(2) << 20));

    QTemporaryDir dir;
    QString path = dir.filePath("big.txt");
    QCOMPARE(saveError(path, first, second), std::nullopt);
    QVERIFY(contents(path) == QByteArray::fromStdString(stream.str()));
}

void ResultFileTest::emptyResultLeavesEmptyFile()
{
    QTemporaryDir dir;
    QString path = dir.filePath("out.txt");
    writeFile(path, "old line\r\n");

    QCOMPARE(saveError(path, {}, {}), std::nullopt);
    QVERIFY(QFileInfo::exists(path));
    QCOMPARE(contents(path), QByteArray());
}

void ResultFileTest::secondSaveReplacesWholeFile()
{
    QTemporaryDir dir;
    QString path = dir.filePath("out.txt");
    QCOMPARE(saveError(path, textLines({ "a long first line", "and another" })), std::nullopt);
    QCOMPARE(saveError(path, textLines({ "short" })), std::nullopt);
    QCOMPARE(contents(path), QByteArray("short\r\n"));
}

void ResultFileTest::readOnlyTargetIsReplaced()
{
    QTemporaryDir dir;
    QString path = dir.filePath("out.txt");
    writeFile(path, "old\r\n");
    QCOMPARE(::chmod(QFile::encodeName(path), 0444), 0);

    QCOMPARE(saveError(path, someLines), std::nullopt);
    QCOMPARE(
        contents(path), QByteArray("Record 1,Field \"a\" has changed from \"1\" to \"2\"\r\n"));
    // The new file gets the mode of any newly created file.
    struct stat info;
    QCOMPARE(::stat(QFile::encodeName(path), &info), 0);
    QCOMPARE(info.st_mode & 07777, 0666 & ~currentUmask());
}

void ResultFileTest::failureLeavesFolderUntouched_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("reason");

    QTest::newRow("missing folder") << "missing/out.txt"
                                    << "No such file or directory";
    QTest::newRow("folder is a file") << "old.txt/out.txt"
                                      << "Not a directory";
    QTest::newRow("target is a folder") << "sub"
                                        << "Is a directory";
}

void ResultFileTest::failureLeavesFolderUntouched()
{
    QFETCH(QString, name);
    QFETCH(QString, reason);

    QTemporaryDir dir;
    writeFile(dir.filePath("old.txt"), "old\r\n");
    QVERIFY(QDir(dir.path()).mkdir("sub"));
    writeFile(dir.filePath("sub/keep.txt"), "keep\r\n");
    QMap<QString, QByteArray> before = snapshot(dir.path());

    QCOMPARE(saveError(dir.filePath(name), someLines), reason);
    QCOMPARE(snapshot(dir.path()), before);
}

void ResultFileTest::readOnlyFolderFails()
{
    QTemporaryDir dir;
    QString folder = dir.filePath("locked");
    QVERIFY(QDir(dir.path()).mkdir("locked"));
    QString path = folder + "/out.txt";
    writeFile(path, "old\r\n");
    QCOMPARE(::chmod(QFile::encodeName(folder), 0555), 0);
    // Writable again, so the temporary folder can be removed whatever the outcome.
    auto unlock = qScopeGuard([&] { ::chmod(QFile::encodeName(folder), 0755); });

    // Root writes into any folder, so the save runs as an ordinary user then.
    bool switched = false;
    if (::geteuid() == 0) {
        QCOMPARE(::chmod(QFile::encodeName(dir.path()), 0755), 0);
        if (::seteuid(65534) != 0)
            QSKIP(
                "running as root and cannot switch to an ordinary user, so no folder is read-only");
        switched = true;
    }
    std::optional<QString> reason = saveError(path, someLines);
    if (switched)
        QCOMPARE(::seteuid(0), 0);

    QCOMPARE(reason, QString("Permission denied"));
    QCOMPARE(snapshot(folder), (QMap<QString, QByteArray> { { path, "old\r\n" } }));
}

void ResultFileTest::writeFailureRemovesTemporaryFile()
{
    QTemporaryDir dir;
    QString path = dir.filePath("out.txt");
    writeFile(path, "old\r\n");

    TextLines lines;
    for (int i = 0; i < 100000; ++i)
        lines.append("Record " + std::to_string(i + 1) + " added from a table with a long name");

    // A file size limit makes the write fail part way, after the temporary file has grown.
    rlimit saved;
    QCOMPARE(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit limited = saved;
    limited.rlim_cur = rlim_t(64) * 1024;
    auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    QCOMPARE(::setrlimit(RLIMIT_FSIZE, &limited), 0);
    std::optional<QString> reason = saveError(path, lines);
    QCOMPARE(::setrlimit(RLIMIT_FSIZE, &saved), 0);
    std::signal(SIGXFSZ, previousHandler);

    QCOMPARE(reason, QString("File too large"));
    QCOMPARE(snapshot(dir.path()), (QMap<QString, QByteArray> { { path, "old\r\n" } }));
}

void ResultFileTest::linkIsKeptAndItsFileReplaced()
{
    QTemporaryDir dir;
    QString real = dir.filePath("real.txt");
    QString link = dir.filePath("link.txt");
    writeFile(real, "old\r\n");
    QVERIFY(QFile::link("real.txt", link));

    QCOMPARE(saveError(link, textLines({ "new" })), std::nullopt);
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(contents(real), QByteArray("new\r\n"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
        QStringList({ "link.txt", "real.txt" }));
}

void ResultFileTest::devices_data()
{
    QTest::addColumn<QString>("device");
    QTest::addColumn<std::optional<QString>>("reason");

    QTest::newRow("full device") << "/dev/full"
                                 << std::optional<QString>("No space left on device");
    QTest::newRow("null device") << "/dev/null" << std::optional<QString>();
}

void ResultFileTest::devices()
{
    QFETCH(QString, device);
    QFETCH(std::optional<QString>, reason);

    struct stat info;
    if (::stat(QFile::encodeName(device), &info) != 0 || !S_ISCHR(info.st_mode))
        QSKIP("this system has no such device");

    QCOMPARE(saveError(device, someLines), reason);
    // Written directly: a device is never replaced by a file.
    QCOMPARE(::stat(QFile::encodeName(device), &info), 0);
    QVERIFY(S_ISCHR(info.st_mode));
}

QTEST_APPLESS_MAIN(ResultFileTest)
#include "tst_resultfile.moc"
