#include "widgets/fileprocedures.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace kestrune;

class TestFileProcedures : public QObject {
    Q_OBJECT

private slots:
    void init();

    void fileExists_data();
    void fileExists();

    void deleteFileForcedRemovesTheFile_data();
    void deleteFileForcedRemovesTheFile();
    void deleteFileForcedIsSilentWhenNothingIsThere_data();
    void deleteFileForcedIsSilentWhenNothingIsThere();
    void deleteFileForcedLetsPendingEventsRun();

private:
    QString path(const QString &name) const { return m_dir->filePath(name); }
    void makeFile(const QString &name, QFile::Permissions permissions);

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestFileProcedures::init() { m_dir = std::make_unique<QTemporaryDir>(); }

void TestFileProcedures::makeFile(const QString &name, QFile::Permissions permissions)
{
    QFile file(path(name));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("line\r\n");
    file.close();
    QVERIFY(file.setPermissions(permissions));
}

void TestFileProcedures::fileExists_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("exists");

    QTest::newRow("a file") << "here.txt" << true;
    QTest::newRow("an empty file") << "empty.txt" << true;
    QTest::newRow("a read-only file") << "readonly.txt" << true;
    QTest::newRow("missing") << "nothing.txt" << false;
    QTest::newRow("under a missing folder") << "no/such/folder/here.txt" << false;
    QTest::newRow("under a file") << "here.txt/below.txt" << false;
    QTest::newRow("a link to nothing") << "dangling" << false;
    QTest::newRow("no path at all") << QString() << false;
}

void TestFileProcedures::fileExists()
{
    QFETCH(QString, name);
    QFETCH(bool, exists);
    makeFile(QStringLiteral("here.txt"), QFile::ReadOwner | QFile::WriteOwner);
    QVERIFY(QFile(path(QStringLiteral("empty.txt"))).open(QIODevice::WriteOnly));
    makeFile(QStringLiteral("readonly.txt"), QFile::ReadOwner);
    QVERIFY(QFile::link(path(QStringLiteral("gone")), path(QStringLiteral("dangling"))));

    QCOMPARE(FileExists(name.isNull() ? QString() : path(name)), exists);
}

void TestFileProcedures::deleteFileForcedRemovesTheFile_data()
{
    QTest::addColumn<int>("permissions");

    QTest::newRow("writable") << int(QFile::ReadOwner | QFile::WriteOwner);
    QTest::newRow("read-only") << int(QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    QTest::newRow("no permissions at all") << 0;
}

void TestFileProcedures::deleteFileForcedRemovesTheFile()
{
    QFETCH(int, permissions);
    makeFile(QStringLiteral("results.txt"), QFile::Permissions(permissions));
    makeFile(QStringLiteral("neighbour.txt"), QFile::ReadOwner | QFile::WriteOwner);

    DeleteFileForced(path(QStringLiteral("results.txt")));

    QVERIFY(!QFile::exists(path(QStringLiteral("results.txt"))));
    QVERIFY(QFile::exists(path(QStringLiteral("neighbour.txt"))));
}

void TestFileProcedures::deleteFileForcedIsSilentWhenNothingIsThere_data()
{
    QTest::addColumn<QString>("name");

    QTest::newRow("missing file") << "nothing.txt";
    QTest::newRow("under a missing folder") << "no/such/folder/results.txt";
    QTest::newRow("empty path") << QString();
}

void TestFileProcedures::deleteFileForcedIsSilentWhenNothingIsThere()
{
    QFETCH(QString, name);
    makeFile(QStringLiteral("neighbour.txt"), QFile::ReadOwner | QFile::WriteOwner);

    try {
        DeleteFileForced(name.isNull() ? QString() : path(name));
    } catch (...) {
        QFAIL("DeleteFileForced let an error out");
    }
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList { "neighbour.txt" });
}

// The pages repaint and take hover moves while a file is being replaced.
void TestFileProcedures::deleteFileForcedLetsPendingEventsRun()
{
    makeFile(QStringLiteral("results.txt"), QFile::ReadOwner | QFile::WriteOwner);
    bool ran = false;
    QTimer::singleShot(0, this, [&ran] { ran = true; });

    DeleteFileForced(path(QStringLiteral("results.txt")));

    QVERIFY(ran);
}

QTEST_MAIN(TestFileProcedures)
#include "tst_fileprocedures.moc"
