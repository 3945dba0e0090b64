#include "widgets/errorreport.h"

#include <QTest>

using namespace kestrune;

class ErrorReportTest : public QObject {
    Q_OBJECT

private slots:
    void message_data();
    void message();
    void nextLabelRunsIntoLineNumber();
    void traceLabels_data();
    void traceLabels();
};

namespace {

QByteArray bytes(std::string_view text) { return QByteArray(text.data(), qsizetype(text.size())); }

const QByteArray request = "Please email screenshot of this message to " + bytes(supportAddress);

} // namespace

void ErrorReportTest::message_data()
{
    QTest::addColumn<QByteArray>("description");
    QTest::addColumn<QByteArray>("label");
    QTest::addColumn<int>("line");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("help handler, statement 112")
        << QByteArray("Table 'shop.nosuch' doesn't exist") << bytes(trace::loginHelp) << 112
        << "Table 'shop.nosuch' doesn't exist\r\n"
           "in Kestrune2021/08/31.Form1.PushButton2_Click at line 112\r\r"
            + request;
    QTest::newRow("empty description starts with CR LF")
        << QByteArray() << bytes(trace::resultsSave) << 120
        << "\r\nin Kestrune2021/08/31.Form3.PushButton1_Click at line 120\r\r" + request;
    QTest::newRow("description kept as worded")
        << QByteArray("Zeile 1\r\nGrüße 東京 ") << bytes(trace::loginLoad) << 100
        << "Zeile 1\r\nGrüße 東京 \r\nin Kestrune2021/08/31.Form1.Form_Load at line 100\r\r"
            + request;
    QTest::newRow("no statement stored yet")
        << QByteArray("x") << bytes(trace::tableSelectionLoad) << 0
        << "x\r\nin Kestrune2021/08/31.Form2.Form_Load at line 0\r\r" + request;
    QTest::newRow("largest number, no separators")
        << QByteArray("x") << bytes(trace::resultsBack) << 2147483647
        << "x\r\nin Kestrune2021/08/31.Form3.PushButton2_Click at line 2147483647\r\r" + request;
}

void ErrorReportTest::message()
{
    QFETCH(QByteArray, description);
    QFETCH(QByteArray, label);
    QFETCH(int, line);
    QFETCH(QByteArray, expected);

    std::string text = applicationErrorText(description.toStdString(), label.toStdString(), line);
    QCOMPARE(QByteArray::fromStdString(text), expected);
}

void ErrorReportTest::nextLabelRunsIntoLineNumber()
{
    QByteArray text = QByteArray::fromStdString(applicationErrorText("D", trace::loginNext, 108));
    QVERIFY(text.contains(".Form1.PushButton3_Click at line 108\r\r"));
    QVERIFY(!text.contains("  "));
}

void ErrorReportTest::traceLabels_data()
{
    QTest::addColumn<QByteArray>("label");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("Form1 load") << bytes(trace::loginLoad) << QByteArray("Form1.Form_Load");
    QTest::newRow("Form1 help") << bytes(trace::loginHelp) << QByteArray("Form1.PushButton2_Click");
    QTest::newRow("Form1 next") << bytes(trace::loginNext) << QByteArray("Form1.PushButton3_Click");
    QTest::newRow("Form1 test connection")
        << bytes(trace::loginTestConnection) << QByteArray("Form1.PushButton5_Click");
    QTest::newRow("Form2 load") << bytes(trace::tableSelectionLoad)
                                << QByteArray("Form2.Form_Load");
    QTest::newRow("Form2 back") << bytes(trace::tableSelectionBack)
                                << QByteArray("Form2.PushButton2_Click");
    QTest::newRow("Form3 load") << bytes(trace::resultsLoad) << QByteArray("Form3.Form_Load");
    QTest::newRow("Form3 save") << bytes(trace::resultsSave)
                                << QByteArray("Form3.PushButton1_Click");
    QTest::newRow("Form3 back") << bytes(trace::resultsBack)
                                << QByteArray("Form3.PushButton2_Click");
}

void ErrorReportTest::traceLabels()
{
    QFETCH(QByteArray, label);
    QFETCH(QByteArray, expected);

    QCOMPARE(label, "in Kestrune2021/08/31." + expected + " ");
}

QTEST_APPLESS_MAIN(ErrorReportTest)
#include "tst_errorreport.moc"
