// The transparency component on a plain window: the opacity clamp, the blend types, and that
// nothing reaches the window before it is prepared.
#include "desktop/TAgBlend.h"

#include <QWidget>
#include <QtTest>

class TestAgBlend : public QObject
{
    Q_OBJECT
private slots:
    void defaults();
    void opacityClamp_data();
    void opacityClamp();
    void preparedWindow_data();
    void preparedWindow();
    void switchingOff();
};

namespace {
int alphaOf(const QWidget &w)
{
    return qRound(w.windowOpacity() * 255);
}
} // namespace

void TestAgBlend::defaults()
{
    QWidget window;
    TAgBlend blend(&window);
    QVERIFY(!blend.Active());
    QCOMPARE(blend.Opacity(), 255);
    QCOMPARE(blend.BlendType(), TAgBlend::TBlendType::ColorKey);
    QCOMPARE(blend.TransparentColor(), 0u);
    QCOMPARE(blend.owner(), &window);
    QCOMPARE(blend.parent(), &window);
}

void TestAgBlend::opacityClamp_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("stored");
    QTest::newRow("300") << 300 << 255;
    QTest::newRow("256") << 256 << 255;
    QTest::newRow("255") << 255 << 255;
    QTest::newRow("128") << 128 << 128;
    QTest::newRow("0") << 0 << 0;
    QTest::newRow("-5") << -5 << 0;
}

void TestAgBlend::opacityClamp()
{
    QFETCH(int, value);
    QFETCH(int, stored);
    QWidget window;
    TAgBlend blend(&window);
    blend.setBlendType(TAgBlend::TBlendType::Alpha);
    blend.prepareWindow();
    blend.setActive(true);
    blend.setOpacity(value);
    QCOMPARE(blend.Opacity(), stored);
    QCOMPARE(alphaOf(window), stored);
}

void TestAgBlend::preparedWindow_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("active");
    QTest::addColumn<int>("alpha");
    QTest::newRow("alpha, active") << int(TAgBlend::TBlendType::Alpha) << true << 120;
    QTest::newRow("alpha, not active") << int(TAgBlend::TBlendType::Alpha) << false << 255;
    // No colour keys here: such a window stays opaque.
    QTest::newRow("colour key") << int(TAgBlend::TBlendType::ColorKey) << true << 255;
    QTest::newRow("opaque") << int(TAgBlend::TBlendType::Opaque) << true << 255;
}

void TestAgBlend::preparedWindow()
{
    QFETCH(int, type);
    QFETCH(bool, active);
    QFETCH(int, alpha);
    QWidget window;
    window.show();
    TAgBlend blend(&window);
    // Settings made before the window is prepared have no effect on it yet.
    blend.setBlendType(TAgBlend::TBlendType(type));
    blend.setOpacity(120);
    if (active)
        blend.setActive(true);
    QCOMPARE(alphaOf(window), 255);
    QVERIFY(!blend.isPrepared());
    blend.prepareWindow();
    QCOMPARE(alphaOf(window), alpha);
    QCOMPARE(blend.Active(), active);
}

void TestAgBlend::switchingOff()
{
    QWidget window;
    TAgBlend blend(&window);
    blend.setBlendType(TAgBlend::TBlendType::Alpha);
    blend.setOpacity(80);
    blend.prepareWindow();
    blend.applyBlend();
    QVERIFY(blend.Active());
    QCOMPARE(alphaOf(window), 80);
    blend.setActive(false);
    QCOMPARE(alphaOf(window), 255);
    // While off an opacity is stored only.
    blend.setOpacity(40);
    QCOMPARE(alphaOf(window), 255);
    // Owned by a window that is not the checker window, the registered apply is the plain one.
    blend.apply();
    QVERIFY(blend.Active());
    QCOMPARE(alphaOf(window), 40);
}

QTEST_MAIN(TestAgBlend)
#include "tst_TAgBlend.moc"
