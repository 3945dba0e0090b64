#include "widgets/trap.h"

#include <QTest>

#include <stdexcept>
#include <string>
#include <vector>

using namespace kestrune;

class TrapTest : public QObject {
    Q_OBJECT

private slots:
    void failingStatementIsReportedAndHandlerGoesOn();
    void failureInCalledProcedureReportsCaller();
    void twoFailuresTwoReportsInOrder();
    void condition_data();
    void condition();
};

namespace {

constexpr std::string_view label = "in Kestrune2021/08/31.Form1.Form_Load ";

// A trap that records each report as "description|label|line" instead of showing it.
struct RecordingTrap {
    QStringList reports;
    Trap trap { label,
        [this](const std::string &description, std::string_view traceLabel, int line) {
            reports << QString::fromStdString(
                description + "|" + std::string(traceLabel) + "|" + std::to_string(line));
        } };
};

void fail(const char *description) { throw std::runtime_error(description); }

} // namespace

void TrapTest::failingStatementIsReportedAndHandlerGoesOn()
{
    RecordingTrap recording;
    std::vector<int> ran;
    recording.trap.step(100, [&] { ran.emplace_back(100); });
    recording.trap.step(102, [&] {
        fail("Access denied");
        ran.emplace_back(-102);
    });
    recording.trap.step(104, [&] { ran.emplace_back(104); });

    QCOMPARE(ran, std::vector<int>({ 100, 104 }));
    QCOMPARE(recording.reports,
        QStringList { "Access denied|in Kestrune2021/08/31.Form1.Form_Load |102" });
}

void TrapTest::failureInCalledProcedureReportsCaller()
{
    RecordingTrap recording;
    std::vector<std::string> ran;
    auto procedure = [&] {
        ran.emplace_back("procedure start");
        fail("Disk full");
        ran.emplace_back("procedure rest");
    };
    recording.trap.step(102, [&] { ran.emplace_back("102"); });
    recording.trap.step(104, procedure);
    recording.trap.step(106, [&] { ran.emplace_back("106"); });

    QCOMPARE(ran, std::vector<std::string>({ "102", "procedure start", "106" }));
    QCOMPARE(
        recording.reports, QStringList { "Disk full|in Kestrune2021/08/31.Form1.Form_Load |104" });
}

void TrapTest::twoFailuresTwoReportsInOrder()
{
    RecordingTrap recording;
    bool reachedEnd = false;
    recording.trap.step(100, [] { fail("first"); });
    recording.trap.step(102, [] {});
    recording.trap.step(104, [] { fail("second"); });
    recording.trap.step(106, [&] { reachedEnd = true; });

    QVERIFY(reachedEnd);
    QCOMPARE(recording.reports,
        QStringList({ "first|in Kestrune2021/08/31.Form1.Form_Load |100",
            "second|in Kestrune2021/08/31.Form1.Form_Load |104" }));
}

void TrapTest::condition_data()
{
    QTest::addColumn<bool>("throws");
    QTest::addColumn<bool>("value");
    QTest::addColumn<bool>("result");
    QTest::addColumn<QStringList>("reports");

    QTest::newRow("failing condition runs the Then branch")
        << true << false << true
        << QStringList { "Not connected|in Kestrune2021/08/31.Form1.Form_Load |108" };
    QTest::newRow("true stays true") << false << true << true << QStringList();
    QTest::newRow("false stays false") << false << false << false << QStringList();
}

void TrapTest::condition()
{
    QFETCH(bool, throws);
    QFETCH(bool, value);
    QFETCH(bool, result);
    QFETCH(QStringList, reports);

    RecordingTrap recording;
    bool thenRan = false;
    if (recording.trap.condition(108, [&] {
            if (throws)
                fail("Not connected");
            return value;
        }))
        recording.trap.step(110, [&] { thenRan = true; });

    QCOMPARE(thenRan, result);
    QCOMPARE(recording.reports, reports);
}

QTEST_APPLESS_MAIN(TrapTest)
#include "tst_trap.moc"
