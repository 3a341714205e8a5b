// The check frequency as the accounts page shows and stores it.
#include "settings/TCheckFrequency.h"

#include <QtTest>

class TestCheckFrequency : public QObject
{
    Q_OBJECT
private slots:
    void shown_data();
    void shown();
    void stored_data();
    void stored();
    void parsed();
};

void TestCheckFrequency::shown_data()
{
    QTest::addColumn<qint32>("timer");
    QTest::addColumn<qint32>("number");
    QTest::addColumn<int>("unit");
    QTest::newRow("default") << 500000 << 8 << int(TCheckFrequency::Minutes);
    QTest::newRow("90 seconds") << 90000 << 1 << int(TCheckFrequency::Minutes);
    QTest::newRow("just below a minute") << 59999 << 59 << int(TCheckFrequency::Seconds);
    QTest::newRow("one minute") << 60000 << 1 << int(TCheckFrequency::Minutes);
    QTest::newRow("hand-edited negative") << -5000 << -5 << int(TCheckFrequency::Seconds);
}

void TestCheckFrequency::shown()
{
    QFETCH(qint32, timer);
    QFETCH(qint32, number);
    QFETCH(int, unit);
    const TCheckFrequency::Shown s = TCheckFrequency::fromTimer(timer);
    QCOMPARE(s.number, number);
    QCOMPARE(int(s.unit), unit);
}

void TestCheckFrequency::stored_data()
{
    QTest::addColumn<qint32>("number");
    QTest::addColumn<int>("unit");
    QTest::addColumn<qint32>("timer");
    QTest::newRow("8 min") << 8 << int(TCheckFrequency::Minutes) << 480000;
    QTest::newRow("59 sec") << 59 << int(TCheckFrequency::Seconds) << 59000;
    QTest::newRow("too often") << 3 << int(TCheckFrequency::Seconds) << 10000;
    QTest::newRow("zero") << 0 << int(TCheckFrequency::Minutes) << 60000;
    QTest::newRow("negative") << -4 << int(TCheckFrequency::Seconds) << 10000;
    QTest::newRow("a week in minutes") << 10080 << int(TCheckFrequency::Minutes) << 604800000;
    // 40000 minutes would wrap in 32 bits; it is bounded first.
    QTest::newRow("beyond a week") << 40000 << int(TCheckFrequency::Minutes) << 604800000;
    QTest::newRow("largest integer") << std::numeric_limits<qint32>::max() << int(TCheckFrequency::Seconds)
                                     << 604800000;
}

void TestCheckFrequency::stored()
{
    QFETCH(qint32, number);
    QFETCH(int, unit);
    QFETCH(qint32, timer);
    QCOMPARE(TCheckFrequency::toTimer(number, TCheckFrequency::Unit(unit)), timer);
}

void TestCheckFrequency::parsed()
{
    QCOMPARE(TCheckFrequency::parseNumber(QStringLiteral(" 12 ")), std::optional<qint32>(12));
    QCOMPARE(TCheckFrequency::parseNumber(QStringLiteral("-3")), std::optional<qint32>(-3));
    QVERIFY(!TCheckFrequency::parseNumber(QStringLiteral("1.5")));
    QVERIFY(!TCheckFrequency::parseNumber(QStringLiteral("abc")));
    QVERIFY(!TCheckFrequency::parseNumber(QString()));
    QVERIFY(!TCheckFrequency::parseNumber(QStringLiteral("99999999999")));
    // The account's position spreads the timers; the largest frequency still fits.
    QCOMPARE(TCheckFrequency::timerInterval(300000, 2), 300020);
    QCOMPARE(TCheckFrequency::timerInterval(TCheckFrequency::MaximumMs, 1000), TCheckFrequency::MaximumMs + 10000);
}

QTEST_GUILESS_MAIN(TestCheckFrequency)
#include "tst_TCheckFrequency.moc"
