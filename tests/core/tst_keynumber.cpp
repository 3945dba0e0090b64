#include "core/keynumber.h"

#include <QTest>

#include <limits>

using namespace kestrune;

class KeyNumberTest : public QObject {
    Q_OBJECT

private slots:
    void numbersAsTexts()
    {
        const KeyNumber lowest = std::numeric_limits<long long>::min();
        const KeyNumber highest = std::numeric_limits<unsigned long long>::max();
        QVERIFY(parseKeyNumber("-9223372036854775808") == lowest);
        QVERIFY(parseKeyNumber("18446744073709551615") == highest);
        QVERIFY(parseKeyNumber("0") == 0);
        for (const char *text :
            { "", "-", "1.5", "12a", "999999999999999999999999999999999999999" })
            QVERIFY_THROWS_EXCEPTION(std::invalid_argument, parseKeyNumber(text));
    }
};

QTEST_APPLESS_MAIN(KeyNumberTest)
#include "tst_keynumber.moc"
