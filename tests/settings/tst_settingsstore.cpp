#include "settings/settingsstore.h"

#include "support/confighome.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <stdexcept>
#include <sys/stat.h>

using namespace kestrune;

namespace {

QString get(const QString &key, const QString &fallback = QStringLiteral("fallback"))
{
    return getSetting(settingsApplication, settingsSection, key, fallback);
}

void save(const QString &key, const QString &value)
{
    saveSetting(settingsApplication, settingsSection, key, value);
}

} // namespace

class TestSettingsStore : public QObject {
    Q_OBJECT

private slots:
    void init() { m_config.clear(); }

    void storeIsTheIniFileInTheConfigHome();
    void absentKeyGivesTheCallersDefault();
    void keyStoredEmptyReadsEmpty();
    void valuesRoundTrip_data();
    void valuesRoundTrip();
    void readsAFileWrittenByHand();

    void fileIsCreatedPrivate();
    void widerFileIsNarrowedOnTheNextWrite();

    void unreadableStoreIsAnError_data();
    void unreadableStoreIsAnError();
    void writingMendsAMalformedStore();
    void writingWhereAFolderStandsIsAnError();

private:
    ConfigHome m_config;
};

void TestSettingsStore::storeIsTheIniFileInTheConfigHome()
{
    save(QStringLiteral("MyServer"), QStringLiteral("db.example"));
    save(QStringLiteral("MyPassword"), QStringLiteral("se3"));

    QVERIFY(QFileInfo::exists(m_config.file()));
    // Written through at once and kept as plain text.
    QCOMPARE(m_config.raw(QStringLiteral("MyServer")), QStringLiteral("db.example"));
    QCOMPARE(m_config.raw(QStringLiteral("MyPassword")), QStringLiteral("se3"));
}

void TestSettingsStore::absentKeyGivesTheCallersDefault()
{
    QCOMPARE(
        get(QStringLiteral("MyServer"), QStringLiteral("localhost")), QStringLiteral("localhost"));
    save(QStringLiteral("MyUser"), QStringLiteral("kes"));
    QCOMPARE(
        get(QStringLiteral("MyServer"), QStringLiteral("localhost")), QStringLiteral("localhost"));
    QCOMPARE(get(QStringLiteral("MyPort"), QStringLiteral("3306")), QStringLiteral("3306"));
    // Another section or application of the same store does not answer for ours.
    QCOMPARE(getSetting(settingsApplication, QStringLiteral("Other"), QStringLiteral("MyUser"),
                 QStringLiteral("none")),
        QStringLiteral("none"));
    QCOMPARE(getSetting(QStringLiteral("OtherMaker"), settingsSection, QStringLiteral("MyUser"),
                 QStringLiteral("none")),
        QStringLiteral("none"));
}

void TestSettingsStore::keyStoredEmptyReadsEmpty()
{
    save(QStringLiteral("MyServer"), QString());
    QCOMPARE(get(QStringLiteral("MyServer"), QStringLiteral("localhost")), QString());
    QCOMPARE(m_config.raw(QStringLiteral("MyServer")), QString());
}

void TestSettingsStore::valuesRoundTrip_data()
{
    QTest::addColumn<QString>("value");

    QTest::newRow("plain") << "kestrune_test";
    QTest::newRow("port that is no number") << "abc";
    QTest::newRow("blanks around") << "  padded  ";
    QTest::newRow("semicolon") << "p;w";
    QTest::newRow("equals and braces") << "a=b{c}}d";
    QTest::newRow("comment characters") << "#not;a comment";
    QTest::newRow("section lookalike") << "[Kestrune]";
    QTest::newRow("quotes and backslash") << "say \"hi\" \\ there";
    QTest::newRow("comma list lookalike") << "a,b,c";
    QTest::newRow("non-Latin") << QString::fromUtf8("Ünïcødé 表 пароль");
    QTest::newRow("at sign form") << "@Variant(abc)";
}

void TestSettingsStore::valuesRoundTrip()
{
    QFETCH(QString, value);
    save(QStringLiteral("MyPassword"), value);
    save(QStringLiteral("MyUser"), QStringLiteral("neighbour"));

    QCOMPARE(get(QStringLiteral("MyPassword")), value);
    QCOMPARE(get(QStringLiteral("MyUser")), QStringLiteral("neighbour"));
}

void TestSettingsStore::readsAFileWrittenByHand()
{
    m_config.write("[Kestrune]\nMyServer=db.example\nMyPort=33061\n\n[Other]\nMyUser=nobody\n");

    QCOMPARE(get(QStringLiteral("MyServer")), QStringLiteral("db.example"));
    QCOMPARE(get(QStringLiteral("MyPort")), QStringLiteral("33061"));
    QCOMPARE(get(QStringLiteral("MyUser"), QString()), QString());

    save(QStringLiteral("MyUser"), QStringLiteral("kes"));
    QCOMPARE(m_config.raw(QStringLiteral("MyServer")), QStringLiteral("db.example"));
    QCOMPARE(m_config.raw(QStringLiteral("MyUser")), QStringLiteral("kes"));
}

void TestSettingsStore::fileIsCreatedPrivate()
{
    WideUmask wide;
    QCOMPARE(m_config.mode(), -1);

    save(QStringLiteral("MyServer"), QStringLiteral("localhost"));

    QCOMPARE(m_config.mode(), 0600);
    // No temporary copy was left lying around with the password in it.
    QCOMPARE(QFileInfo(m_config.file()).dir().entryList(QDir::Files | QDir::Hidden),
        QStringList { "Vandrell.ini" });
}

void TestSettingsStore::widerFileIsNarrowedOnTheNextWrite()
{
    m_config.write("[Kestrune]\nMyServer=db.example\n");
    QVERIFY(QFile::setPermissions(m_config.file(),
        QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther));

    save(QStringLiteral("MyPassword"), QStringLiteral("secret"));

    QCOMPARE(m_config.mode(), 0600);
    QCOMPARE(get(QStringLiteral("MyServer")), QStringLiteral("db.example"));
}

void TestSettingsStore::unreadableStoreIsAnError_data()
{
    QTest::addColumn<bool>("folder");
    QTest::addColumn<QByteArray>("content");

    QTest::newRow("a folder in place of the file") << true << QByteArray();
    QTest::newRow("section without its closing bracket")
        << false << QByteArray("[Kestrune\nMyServer=db.example\n");
}

void TestSettingsStore::unreadableStoreIsAnError()
{
    QFETCH(bool, folder);
    QFETCH(QByteArray, content);
    if (folder)
        QVERIFY(QDir().mkpath(m_config.file()));
    else
        m_config.write(content);

    // Every reading says so, not just the first one that looked at the file.
    for (const char *key : { "MyServer", "MyUser", "MyPassword", "MyDatabase", "MyPort" })
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, get(QString::fromLatin1(key)));
}

void TestSettingsStore::writingMendsAMalformedStore()
{
    m_config.write("junk line\n[Kestrune\nMyServer=db.example\n");
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, get(QStringLiteral("MyServer")));

    save(QStringLiteral("MyUser"), QStringLiteral("kes"));

    QCOMPARE(get(QStringLiteral("MyUser")), QStringLiteral("kes"));
    QCOMPARE(get(QStringLiteral("MyServer")), QStringLiteral("db.example"));
    QCOMPARE(m_config.raw(QStringLiteral("MyServer")), QStringLiteral("db.example"));
    QCOMPARE(m_config.mode(), 0600);
}

void TestSettingsStore::writingWhereAFolderStandsIsAnError()
{
    QVERIFY(QDir().mkpath(m_config.file()));
    for (int attempt = 0; attempt < 2; ++attempt)
        QVERIFY_THROWS_EXCEPTION(
            std::runtime_error, save(QStringLiteral("MyServer"), QStringLiteral("x")));
    QVERIFY(QFileInfo(m_config.file()).isDir());
}

QTEST_MAIN(TestSettingsStore)
#include "tst_settingsstore.moc"
