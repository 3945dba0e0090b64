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

    QCOMPARE(kestrune::fileExists(name.isNull() ? QString() : path(name)), exists);
}

QTEST_MAIN(TestFileProcedures)
#include "tst_fileprocedures.moc"
