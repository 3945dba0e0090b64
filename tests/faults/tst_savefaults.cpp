#include "flow/wizard.h"
#include "program.h"
#include "support/controls.h"
#include "support/files.h"
#include "widgets/errorreport.h"

#include "support/testdb.h"
#include "widgets/listview.h"
#include "widgets/resultspage.h"

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <sys/mount.h>
#include <sys/stat.h>

using namespace kestrune;
using kestrune::testfiles::contents;
using kestrune::testfiles::writeFile;

namespace {

const char *database = "kt_fault_save";

QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

// A failed save: the report for statement 120, no "Done.", the pointer back to normal.
void verifySaveFailed(Wizard &wizard, const QString &reason)
{
    QCOMPARE(wizard.seam.messages.size(), 1);
    const ScriptedSeam::Message &report = wizard.seam.messages.constFirst();
    QCOMPARE(report.title, QStringLiteral("Application Error"));
    QCOMPARE(report.icon, Seam::Icon::Warning);
    QCOMPARE(report.text,
        reason
            + "\r\nin Kestrune2021/08/31.Form3.PushButton1_Click at line 120\r\rPlease email "
              "screenshot of this message to "
            + QString::fromUtf8(supportAddress.data(), supportAddress.size()));
    QCOMPARE(wizard.pages.resultsPage().pointerShape(), Page::Pointer::Default);
}

} // namespace

class SaveFaultsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void readOnlyFolder();
    void diskFullKeepsTheOldFile();

private:
    std::unique_ptr<Wizard> m_wizard;
};

void SaveFaultsTest::initTestCase()
{
    // Some 3,000 lines, about 180 kB: more than the small disk below holds.
    testdb::freshDatabase(database);
    testdb::run(testdb::loginTo(database),
        { "CREATE TABLE a (id INT PRIMARY KEY, name VARCHAR(30))",
            "CREATE TABLE b (id INT PRIMARY KEY, name VARCHAR(30))",
            "INSERT INTO a SELECT seq, CONCAT('name ', seq) FROM seq_1_to_3000",
            "INSERT INTO b SELECT seq, CONCAT('Name ', seq) FROM seq_1_to_3000" });
}

void SaveFaultsTest::init()
{
    m_wizard = std::make_unique<Wizard>(testdb::loginTo(database));
    m_wizard->compare("a", "b");
    QCOMPARE(control<ListView>(m_wizard->pages.resultsPage(), "ListView1")->count(), 3000);
}

void SaveFaultsTest::cleanup() { m_wizard.reset(); }

void SaveFaultsTest::readOnlyFolder()
{
    QTemporaryDir top;
    QString folder = top.filePath("locked");
    QVERIFY(QDir().mkdir(folder));
    QString path = folder + "/out.txt";
    writeFile(path, "keep me\r\n");
    QCOMPARE(::chmod(QFile::encodeName(top.path()).constData(), 0755), 0);
    QCOMPARE(::chmod(QFile::encodeName(folder).constData(), 0555), 0);
    auto unlock = qScopeGuard([&] { ::chmod(QFile::encodeName(folder).constData(), 0755); });

    m_wizard->seam.fileNames.append(path);
    {
        // Root writes into any folder: the save runs as an ordinary user, as a user's would.
        AsOrdinaryUser user;
        if (!user.ok())
            QSKIP("running as root and cannot switch to an ordinary user");
        QTest::mouseClick(
            control<QPushButton>(m_wizard->pages.resultsPage(), "PushButton1"), Qt::LeftButton);
    }
    verifySaveFailed(*m_wizard, "Permission denied");
    QCOMPARE(contents(path), QByteArray("keep me\r\n"));
    QCOMPARE(filesIn(folder), QStringList({ "out.txt" }));
}

void SaveFaultsTest::diskFullKeepsTheOldFile()
{
    QTemporaryDir top;
    QString disk = top.filePath("disk");
    QVERIFY(QDir().mkdir(disk));
    if (::mount("kt_fault_disk", QFile::encodeName(disk).constData(), "tmpfs", 0, "size=64k") != 0)
        QSKIP("no permission to mount a small file system that can fill up");
    auto unmount = qScopeGuard([&] { ::umount(QFile::encodeName(disk).constData()); });

    QString path = disk + "/out.txt";
    writeFile(path, "keep me\r\n");
    m_wizard->seam.fileNames.append(path);
    QTest::mouseClick(
        control<QPushButton>(m_wizard->pages.resultsPage(), "PushButton1"), Qt::LeftButton);
    verifySaveFailed(*m_wizard, "No space left on device");
    QCOMPARE(contents(path), QByteArray("keep me\r\n"));
    QCOMPARE(filesIn(disk), QStringList({ "out.txt" }));

    // With room again, the same lines are saved whole.
    QString elsewhere = top.filePath("out.txt");
    m_wizard->seam.messages.clear();
    m_wizard->seam.fileNames.append(elsewhere);
    QTest::mouseClick(
        control<QPushButton>(m_wizard->pages.resultsPage(), "PushButton1"), Qt::LeftButton);
    QCOMPARE(m_wizard->seam.messageTexts(), QStringList({ "Done." }));
    QByteArray saved = contents(elsewhere);
    QCOMPARE(saved.count("\r\n"), 3000);
    QVERIFY(saved.endsWith(
        "Record 3000,Field \"name\" has changed from \"name 3000\" to \"Name 3000\"\r\n"));
}

QTEST_MAIN(SaveFaultsTest)
#include "tst_savefaults.moc"
