#include "core/keyranges.h"

#include <QTest>

#include <limits>

using namespace kestrune;

class KeyRangesTest : public QObject {
    Q_OBJECT

private slots:
    // Every key lies in the range of the bucket the server's truncating DIV puts it in, below
    // zero too, and the ranges of neighbouring buckets meet.
    void bucketsHoldTheirKeys()
    {
        for (KeyNumber width : { 1, 3, 256 }) {
            for (KeyNumber key = -1000; key <= 1000; ++key) {
                const KeyRange range = bucketRange(key / width, width);
                QVERIFY2(range.low <= key && key < range.high,
                    qPrintable(QString("key %1, width %2")
                                   .arg(QString::fromStdString(keyNumberText(key)),
                                       QString::fromStdString(keyNumberText(width)))));
                QCOMPARE(bucketRange(key / width + 1, width).low, range.high);
            }
        }
    }

    void numbersAsTexts()
    {
        const KeyNumber lowest = std::numeric_limits<long long>::min();
        const KeyNumber highest = std::numeric_limits<unsigned long long>::max();
        QCOMPARE(keyNumberText(lowest), std::string("-9223372036854775808"));
        QCOMPARE(keyNumberText(highest + 1), std::string("18446744073709551616"));
        QCOMPARE(keyNumberText(0), std::string("0"));
        QVERIFY(parseKeyNumber("-9223372036854775808") == lowest);
        QVERIFY(parseKeyNumber("18446744073709551615") == highest);
        for (const char *text :
            { "", "-", "1.5", "12a", "999999999999999999999999999999999999999" })
            QVERIFY_THROWS_EXCEPTION(std::invalid_argument, parseKeyNumber(text));
    }

    // A bucket differs when its figures do, or when only one server has it; a bucket that spans
    // two ranges checked gives its part of each.
    void differingParts()
    {
        const std::vector<KeyRange> checked { { 0, 10 }, { 20, 30 }, { 40, 100 } };
        const std::vector<BucketFigures> one { { 0, 5, 7 }, { 1, 3, 1 }, { 4, 2, 9 }, { 6, 1, 1 } };
        const std::vector<BucketFigures> two { { 6, 1, 1 }, { 4, 2, 8 }, { 0, 5, 7 }, { 2, 1, 2 } };
        const std::vector<DifferingRange> differing = differingRanges(checked, 16, one, two);
        QStringList parts;
        for (const DifferingRange &part : differing)
            parts << QString("%1-%2:%3")
                         .arg(QString::fromStdString(keyNumberText(part.range.low)),
                             QString::fromStdString(keyNumberText(part.range.high)))
                         .arg(part.rows);
        QCOMPARE(parts, QStringList({ "20-30:3", "40-48:1", "64-80:2" }));
    }
};

QTEST_APPLESS_MAIN(KeyRangesTest)
#include "tst_keyranges.moc"
