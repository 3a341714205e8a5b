// Geometry of the checker window from its metrics and the pixel density.
#include "core/ui/TCheckerLayout.h"

#include <QtTest>

class TestCheckerLayout : public QObject
{
    Q_OBJECT
private slots:
    void defaults_data();
    void defaults();
    void sumsBeforeScaling();
};

void TestCheckerLayout::defaults_data()
{
    QTest::addColumn<int>("ppi");
    QTest::addColumn<int>("visible");
    QTest::addColumn<QList<int>>("lefts");
    QTest::addColumn<QSize>("field");
    QTest::addColumn<int>("top");
    QTest::addColumn<QSize>("window");
    QTest::addColumn<int>("corner");
    QTest::newRow("96 ppi, none") << 96 << 0 << QList<int>{} << QSize() << 0 << QSize(14, 27) << 22;
    QTest::newRow("96 ppi, one") << 96 << 1 << QList<int>{9} << QSize(16, 14) << 6 << QSize(35, 27) << 22;
    QTest::newRow("96 ppi, two") << 96 << 2 << QList<int>{9, 30} << QSize(16, 14) << 6 << QSize(56, 27) << 22;
    QTest::newRow("96 ppi, three") << 96 << 3 << QList<int>{9, 30, 51} << QSize(16, 14) << 6 << QSize(76, 27) << 22;
    QTest::newRow("120 ppi, none") << 120 << 0 << QList<int>{} << QSize() << 0 << QSize(18, 34) << 26;
    QTest::newRow("120 ppi, three") << 120 << 3 << QList<int>{12, 38, 64} << QSize(20, 18) << 8 << QSize(96, 34) << 26;
}

void TestCheckerLayout::defaults()
{
    QFETCH(int, ppi);
    QFETCH(int, visible);
    QFETCH(QList<int>, lefts);
    QFETCH(QSize, field);
    QFETCH(int, top);
    QFETCH(QSize, window);
    QFETCH(int, corner);
    const auto r = TCheckerLayout::compute(TCheckerMetrics(), ppi, visible);
    QCOMPARE(r.fields.size(), lefts.size());
    for (qsizetype i = 0; i < lefts.size(); ++i) {
        QCOMPARE(r.fields.at(i).left(), lefts.at(i));
        QCOMPARE(r.fields.at(i).top(), top);
        QCOMPARE(r.fields.at(i).size(), field);
    }
    QCOMPARE(r.window, window);
    QCOMPARE(r.cornerWidth, corner);
}

void TestCheckerLayout::sumsBeforeScaling()
{
    // With odd metrics a per-term rounding would drift; the fourth field's left is scaled once.
    TCheckerMetrics m;
    m.CheckerWidth = 7;
    m.HSpace = 3;
    m.Round = false;
    const auto r = TCheckerLayout::compute(m, 96, 4);
    QCOMPARE(r.fields.at(3).left(), 96 * (2 * 3 + 3 * (7 + 3)) / 120);
    QCOMPARE(r.window.width(), 96 * (4 * 10 + 9) / 120);
    QCOMPARE(r.cornerWidth, 0);
}

QTEST_GUILESS_MAIN(TestCheckerLayout)
#include "tst_checkerlayout.moc"
