#include "support/controls.h"
#include "support/files.h"
#include "wizard.h"

#include "support/testdb.h"
#include "widgets/listview.h"
#include "widgets/resultspage.h"
#include "widgets/tableselectionpage.h"

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using namespace kestrune;
using kestrune::testfiles::contents;
using kestrune::testfiles::writeFile;

namespace {

const char *database = "kt_flow_export";

} // namespace

class ExportTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void savesBothListsByteForByte();
    void replacesAnExistingFile_data();
    void replacesAnExistingFile();
    void emptyResultsGiveAnEmptyFile();
    void cancelDoesNothing();
    void failureKeepsTheOldFile_data();
    void failureKeepsTheOldFile();
    void backDuringASaveKeepsFieldDifferences();

private:
    void compareAndSave(const QString &table1, const QString &table2, const QString &path);

    std::unique_ptr<Wizard> m_wizard;
    QTemporaryDir m_folder;
};

void ExportTest::initTestCase()
{
    testdb::freshDatabase(database);
    testdb::run({ std::string("USE ") + database,
        "CREATE TABLE a (id INT PRIMARY KEY, name VARCHAR(20), price DECIMAL(6,2))",
        "CREATE TABLE b (id INT PRIMARY KEY, name VARCHAR(20), price DECIMAL(6,2))",
        "INSERT INTO a VALUES (1, 'Zoë', 1.50), (2, 'tea', 2.00), (3, 'x', 3.00)",
        "INSERT INTO b VALUES (1, 'Zoe', 1.50), (2, 'Tea', 2.10), (3, 'x', 3.00), (4, 'y', 4.00)",
        "CREATE TABLE c (id INT PRIMARY KEY, name VARCHAR(20), price DECIMAL(6,2))",
        "INSERT INTO c SELECT * FROM a" });
}

void ExportTest::init() { m_wizard = std::make_unique<Wizard>(testdb::loginTo(database)); }

void ExportTest::cleanup() { m_wizard.reset(); }

void ExportTest::compareAndSave(const QString &table1, const QString &table2, const QString &path)
{
    m_wizard->compare(table1, table2);
    QVERIFY(m_wizard->pages.resultsPage().isVisible());
    m_wizard->seam.fileNames.append(path);
    QTest::mouseClick(
        control<QPushButton>(m_wizard->pages.resultsPage(), "PushButton1"), Qt::LeftButton);
}

void ExportTest::savesBothListsByteForByte()
{
    // A name typed without an extension is used as it is.
    QString path = m_folder.filePath("results");
    compareAndSave("a", "b", path);
    QCOMPARE(m_wizard->seam.saveDialogs, QStringList({ "Save|Text Files (*.txt);;All Files (*)" }));
    QCOMPARE(m_wizard->seam.messageTexts(), QStringList({ "Done." }));
    QCOMPARE(m_wizard->seam.messages.constFirst().title, QStringLiteral("Kestrune"));
    QCOMPARE(contents(path),
        QByteArray("Record 1,Field \"name\" has changed from \"Zo\xC3\xAB\" to \"Zoe\"\r\n"
                   "Record 2,Field \"name\" has changed from \"tea\" to \"Tea\"\r\n"
                   "Record 2,Field \"price\" has changed from \"2.00\" to \"2.10\"\r\n"
                   "Record 4 added from b\r\n"));
    QCOMPARE(m_wizard->pages.resultsPage().pointerShape(), Page::Pointer::Default);
}

void ExportTest::replacesAnExistingFile_data()
{
    QTest::addColumn<bool>("readOnly");
    QTest::newRow("writable") << false;
    QTest::newRow("read-only") << true;
}

void ExportTest::replacesAnExistingFile()
{
    QFETCH(bool, readOnly);
    QString path = m_folder.filePath("old.txt");
    writeFile(path, "an older and much longer file than the new one\r\n\r\n\r\n");
    if (readOnly)
        QFile::setPermissions(path, QFile::ReadOwner);
    compareAndSave("a", "c", path);
    QCOMPARE(m_wizard->seam.messageTexts(), QStringList({ "Done." }));
    QCOMPARE(contents(path), QByteArray());

    // Saving twice to one name replaces the file without asking.
    QTest::mouseClick(
        control<QPushButton>(m_wizard->pages.resultsPage(), "PushButton2"), Qt::LeftButton);
    compareAndSave("a", "b", path);
    QVERIFY(contents(path).startsWith("Record 1,"));
    QVERIFY(contents(path).endsWith("Record 4 added from b\r\n"));
    QFile::remove(path);
}

void ExportTest::emptyResultsGiveAnEmptyFile()
{
    QString path = m_folder.filePath("empty.txt");
    writeFile(path, "stale lines\r\n");
    compareAndSave("a", "c", path);
    QCOMPARE(m_wizard->seam.messageTexts(), QStringList({ "Done." }));
    QVERIFY(QFile::exists(path));
    QCOMPARE(contents(path), QByteArray());
}

void ExportTest::cancelDoesNothing()
{
    m_wizard->compare("a", "b");
    QTest::mouseClick(
        control<QPushButton>(m_wizard->pages.resultsPage(), "PushButton1"), Qt::LeftButton);
    QCOMPARE(m_wizard->seam.saveDialogs.size(), 1);
    QCOMPARE(m_wizard->seam.messages.size(), 0);
    QCOMPARE(m_wizard->pages.resultsPage().pointerShape(), Page::Pointer::Default);
}

void ExportTest::failureKeepsTheOldFile_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("reason");
    QTest::newRow("missing folder") << "no/such/folder/out.txt"
                                    << "No such file or directory";
    QTest::newRow("full disk") << "/dev/full"
                               << "No space left on device";
    if (geteuid() != 0)
        QTest::newRow("read-only folder") << "locked/out.txt"
                                          << "Permission denied";
}

void ExportTest::failureKeepsTheOldFile()
{
    QFETCH(QString, target);
    QFETCH(QString, reason);
    QTemporaryDir folder;
    QString path = target.startsWith('/') ? target : folder.filePath(target);
    QDir().mkpath(folder.filePath("locked"));
    QString old = folder.filePath("locked/out.txt");
    writeFile(old, "keep me\r\n");
    QFile::setPermissions(folder.filePath("locked"), QFile::ReadOwner | QFile::ExeOwner);

    compareAndSave("a", "b", path);
    QFile::setPermissions(
        folder.filePath("locked"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    QCOMPARE(m_wizard->seam.messages.size(), 1);
    const ScriptedSeam::Message &report = m_wizard->seam.messages.constFirst();
    QCOMPARE(report.title, QStringLiteral("Application Error"));
    QCOMPARE(report.icon, Seam::Icon::Warning);
    QVERIFY2(report.text.startsWith(reason + "\r\n"), qPrintable(report.text));
    QVERIFY2(
        report.text.contains("\r\nin Kestrune2021/08/31.Form3.PushButton1_Click at line 120\r\r"),
        qPrintable(report.text));
    QCOMPARE(m_wizard->pages.resultsPage().pointerShape(), Page::Pointer::Default);
    QCOMPARE(contents(old), QByteArray("keep me\r\n"));
    // No temporary file is left behind.
    QCOMPARE(QDir(folder.filePath("locked")).entryList(QDir::Files | QDir::Hidden),
        QStringList({ "out.txt" }));
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
}

void ExportTest::backDuringASaveKeepsFieldDifferences()
{
    // While a save runs the page is busy: "< Back" then leaves the field differences alone.
    m_wizard->compare("a", "b");
    ResultsPage &results = m_wizard->pages.resultsPage();
    results.setPointerShape(Page::Pointer::Hourglass);
    QTest::mouseClick(control<QPushButton>(results, "PushButton2"), Qt::LeftButton);
    QCOMPARE(control<ListView>(results, "ListView1")->count(), 3);
    QCOMPARE(control<ListView>(results, "ListView2")->count(), 0);
    QVERIFY(m_wizard->pages.tableSelectionPage().isVisible());
    results.setPointerShape(Page::Pointer::Default);
    m_wizard->compare("a", "b");
    QCOMPARE(control<ListView>(results, "ListView1")->count(), 6);
}

QTEST_MAIN(ExportTest)
#include "tst_export.moc"
