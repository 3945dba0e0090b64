#include "cli/spooledlines.h"

#include <QTemporaryFile>
#include <QTest>

using namespace kestrune;

class SpooledLinesTest : public QObject {
    Q_OBJECT

private slots:
    void fieldDifferencesFirst_data();
    void fieldDifferencesFirst();
};

// The lines come interleaved; what is written holds every field difference first, each list in
// the order its lines came, whether it stayed in memory or went to its temporary file.
void SpooledLinesTest::fieldDifferencesFirst_data()
{
    QTest::addColumn<qulonglong>("memoryBytes"); // of each list
    QTest::addColumn<QStringList>("lines"); // a line with ",Field " is a field difference
    QTest::addColumn<QByteArray>("written");

    const QStringList interleaved { "Record 1,Field \"a\" has changed from \"1\" to \"2\"",
        "Record 7 added from t2", "Record 2,Field \"b\" has changed from NULL to \"x\"",
        "Record 8 added from t2", "Record 9 added from t2",
        "Record 4,Field \"a\" has changed from \"5\" to \"6\"" };
    const QByteArray fieldsThenRecords = "Record 1,Field \"a\" has changed from \"1\" to \"2\"\r\n"
                                         "Record 2,Field \"b\" has changed from NULL to \"x\"\r\n"
                                         "Record 4,Field \"a\" has changed from \"5\" to \"6\"\r\n"
                                         "Record 7 added from t2\r\n"
                                         "Record 8 added from t2\r\n"
                                         "Record 9 added from t2\r\n";
    QTest::newRow("in memory") << (qulonglong(1) << 20) << interleaved << fieldsThenRecords;
    QTest::newRow("both lists spilled at every line")
        << qulonglong(4) << interleaved << fieldsThenRecords;
    // A field difference fills memory at once; two records do, so the third stays in memory.
    QTest::newRow("a list partly spilled") << qulonglong(40) << interleaved << fieldsThenRecords;
    QTest::newRow("only added and deleted records")
        << qulonglong(4) << QStringList { "Record 3 deleted from t2", "Record 5 added from t2" }
        << QByteArray("Record 3 deleted from t2\r\nRecord 5 added from t2\r\n");
}

void SpooledLinesTest::fieldDifferencesFirst()
{
    QFETCH(qulonglong, memoryBytes);
    QFETCH(QStringList, lines);
    QFETCH(QByteArray, written);

    SpooledLines spooled(memoryBytes);
    QVERIFY(spooled.empty());
    for (const QString &line : lines) {
        const std::string bytes = line.toStdString();
        if (line.contains(",Field "))
            spooled.appendFieldDifference(bytes);
        else
            spooled.appendAddedDeleted(bytes);
    }
    QCOMPARE(spooled.empty(), written.isEmpty());

    QTemporaryFile file;
    QVERIFY(file.open());
    spooled.writeTo(file.handle());
    QVERIFY(file.seek(0));
    QCOMPARE(file.readAll(), written);
}

QTEST_APPLESS_MAIN(SpooledLinesTest)
#include "tst_spooledlines.moc"
