// The checker window as it is laid out and painted: the geometry at the screen's density, the
// outline, both colour sets with their bevels, the field states, blinking and the shown count.
// Runs at 96 ppi and, as a second test entry, at 120 ppi.
#include "core/CheckerFixture.h"

#include "core/ui/TCheckerColors.h"
#include "core/ui/TCheckerField.h"
#include "core/ui/TCheckerLayout.h"
#include "platform/Platform.h"

#include <QFrame>
#include <QGuiApplication>
#include <QPalette>
#include <QScreen>
#include <QtTest>
#include <cmath>

namespace {
// A settings file with `count` accounts; `sections` adds lines per account (index 0 = account 1).
QByteArray iniWith(const QByteArray &main, const QByteArrayList &sections)
{
    QByteArray s = "[Main]\nECount=" + QByteArray::number(sections.size()) + "\n" + main;
    for (qsizetype i = 0; i < sections.size(); ++i)
        s += "[" + QByteArray::number(i + 1) + "]\nName=acc" + QByteArray::number(i + 1) + "\n" + sections.at(i);
    return s;
}

// The accounts' first timer ticks would start checks; these tests look at the window only.
void stopTimers(TF_CheckerWindow &w)
{
    for (qint32 n = 1; n <= w.Accounts.slotCapacity(); ++n)
        if (QTimer *t = w.Accounts.slot(n).CheckTimer)
            t->stop();
}

// Colours compared by their red, green and blue only.
QRgb pixelAt(const QImage &image, QPoint p)
{
    return image.pixel(p) & 0xFFFFFF;
}
QRgb rgbOf(const QColor &c)
{
    return c.rgb() & 0xFFFFFF;
}
} // namespace

class TestCheckerWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void windowStyle();
    void geometry_data();
    void geometry();
    void outline_data();
    void outline();
    void roundRectRegion_data();
    void roundRectRegion();
    void colourSets_data();
    void colourSets();
    void systemColours();
    void blinkPhases();
    void layoutPassClearsError();
    void shownCount();
    void countFitsTheField_data();
    void countFitsTheField();
    void placementCorrection_data();
    void placementCorrection();
    void resizeKeepsHiddenAccounts();
};

void TestCheckerWindow::initTestCase()
{
    const int ppi = Platform::screenPpi();
    QVERIFY2(ppi == 96 || ppi == 120, qPrintable(QStringLiteral("unexpected ppi %1").arg(ppi)));
    QCOMPARE(QGuiApplication::primaryScreen()->devicePixelRatio(), 1.0);
}

void TestCheckerWindow::windowStyle()
{
    CheckerFixture fx;
    TF_CheckerWindow &w = fx.start();
    QCOMPARE(w.windowTitle(), QStringLiteral("Vorlo"));
    const Qt::WindowFlags f = w.windowFlags();
    QVERIFY(f & Qt::FramelessWindowHint);
    QVERIFY(f & Qt::WindowStaysOnTopHint);
    // A tool window has no taskbar button.
    QCOMPARE(f & Qt::WindowType_Mask, Qt::Tool);
    QCOMPARE(w.panel()->objectName(), QStringLiteral("Panel1"));
    QCOMPARE(w.panel()->font().family(), QStringLiteral("Arial"));
    QCOMPARE(w.panel()->font().pointSize(), 8);
}

void TestCheckerWindow::geometry_data()
{
    QTest::addColumn<QByteArrayList>("accounts");
    QTest::addColumn<QList<int>>("lefts"); // per account, -1 = hidden
    QTest::addColumn<QSize>("field");
    QTest::addColumn<int>("top");
    QTest::addColumn<QSize>("window");
    const bool at96 = Platform::screenPpi() == 96;
    const QByteArray shown = "Show=1\n", hidden = "Show=0\n";
    if (at96) {
        QTest::newRow("none") << QByteArrayList{} << QList<int>{} << QSize(16, 14) << 6 << QSize(14, 27);
        QTest::newRow("one") << QByteArrayList{shown} << QList<int>{9} << QSize(16, 14) << 6 << QSize(35, 27);
        QTest::newRow("three") << QByteArrayList{shown, shown, shown} << QList<int>{9, 30, 51} << QSize(16, 14)
                               << 6 << QSize(76, 27);
        QTest::newRow("second hidden") << QByteArrayList{shown, hidden, shown} << QList<int>{9, -1, 30}
                                       << QSize(16, 14) << 6 << QSize(56, 27);
    } else {
        QTest::newRow("none") << QByteArrayList{} << QList<int>{} << QSize(20, 18) << 8 << QSize(18, 34);
        QTest::newRow("three") << QByteArrayList{shown, shown, shown} << QList<int>{12, 38, 64} << QSize(20, 18)
                               << 8 << QSize(96, 34);
        QTest::newRow("first hidden") << QByteArrayList{hidden, shown, shown} << QList<int>{-1, 12, 38}
                                      << QSize(20, 18) << 8 << QSize(70, 34);
    }
}

void TestCheckerWindow::geometry()
{
    QFETCH(QByteArrayList, accounts);
    QFETCH(QList<int>, lefts);
    QFETCH(QSize, field);
    QFETCH(int, top);
    QFETCH(QSize, window);
    CheckerFixture fx;
    fx.writeIni(iniWith("", accounts));
    TF_CheckerWindow &w = fx.start();
    stopTimers(w);
    QCOMPARE(w.size(), window);
    QCOMPARE(w.minimumSize(), window);
    QCOMPARE(w.maximumSize(), window);
    QCOMPARE(w.panel()->geometry(), QRect(QPoint(0, 0), window));
    for (qint32 n = 1; n <= lefts.size(); ++n) {
        TCheckerField *f = w.EShowVar(n);
        QVERIFY(f);
        QCOMPARE(f->parentWidget(), w.panel());
        if (lefts.at(n - 1) < 0) {
            QVERIFY(f->isHidden());
            continue;
        }
        QVERIFY(!f->isHidden());
        QCOMPARE(f->geometry(), QRect(QPoint(lefts.at(n - 1), top), field));
        QCOMPARE(f->font().pointSize(), 9);
        QVERIFY(f->font().bold());
        QCOMPARE(f->toolTip(), QStringLiteral("acc%1").arg(n));
        QVERIFY(f->text().isEmpty()); // nothing checked yet
    }
}

void TestCheckerWindow::outline_data()
{
    QTest::addColumn<bool>("round");
    QTest::addColumn<int>("accounts");
    QTest::newRow("round, none") << true << 0;
    QTest::newRow("round, two") << true << 2;
    QTest::newRow("plain, two") << false << 2;
}

void TestCheckerWindow::outline()
{
    QFETCH(bool, round);
    QFETCH(int, accounts);
    CheckerFixture fx;
    QByteArrayList sections;
    for (int i = 0; i < accounts; ++i)
        sections << QByteArray();
    fx.writeIni(iniWith(round ? "Round=1\n" : "Round=0\n", sections));
    TF_CheckerWindow &w = fx.start();
    stopTimers(w);
    const int wd = w.width(), h = w.height();
    const QRegion mask = w.mask();
    QCOMPARE(mask.boundingRect(), QRect(0, 0, wd, h));
    if (!round) {
        QCOMPARE(mask, QRegion(0, 0, wd, h));
        return;
    }
    // The ends are fully rounded: the middle of each end is in, the corners are out.
    const int ellipse = TCheckerLayout::scale(Platform::screenPpi(), 20) + 6;
    QCOMPARE(mask, TCheckerLayout::roundRectRegion(w.size(), ellipse, h));
    QVERIFY(mask.contains(QPoint(0, h / 2)));
    QVERIFY(mask.contains(QPoint(wd - 1, h / 2)));
    QVERIFY(mask.contains(QPoint(wd / 2, 0)));
    QVERIFY(mask.contains(QPoint(wd / 2, h - 1)));
    for (QPoint corner : {QPoint(0, 0), QPoint(wd - 1, 0), QPoint(0, h - 1), QPoint(wd - 1, h - 1)})
        QVERIFY(!mask.contains(corner));
    // Every field lies wholly inside the outline.
    for (qint32 n = 1; n <= accounts; ++n)
        QCOMPARE(mask.intersected(w.EShowVar(n)->geometry()), QRegion(w.EShowVar(n)->geometry()));
}

void TestCheckerWindow::roundRectRegion_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("ellipseWidth");
    QTest::addColumn<int>("ellipseHeight");
    QTest::newRow("35x27, ends") << QSize(35, 27) << 22 << 27;
    QTest::newRow("96x34, ends") << QSize(96, 34) << 26 << 34;
    QTest::newRow("ellipse wider than window") << QSize(14, 27) << 22 << 27;
    QTest::newRow("small corners") << QSize(60, 40) << 10 << 8;
}

void TestCheckerWindow::roundRectRegion()
{
    QFETCH(QSize, size);
    QFETCH(int, ellipseWidth);
    QFETCH(int, ellipseHeight);
    const QRegion r = TCheckerLayout::roundRectRegion(size, ellipseWidth, ellipseHeight);
    const int w = size.width(), h = size.height();
    QCOMPARE(r.boundingRect(), QRect(0, 0, w, h));
    // Mirror-symmetric both ways, the middle row whole.
    qint64 area = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const bool in = r.contains(QPoint(x, y));
            area += in;
            QCOMPARE(in, r.contains(QPoint(w - 1 - x, y)));
            QCOMPARE(in, r.contains(QPoint(x, h - 1 - y)));
        }
    for (int x = 0; x < w; ++x)
        QVERIFY(r.contains(QPoint(x, h / 2)));
    QVERIFY(!r.contains(QPoint(0, 0)));
    // The area of a rectangle less its four corners outside the quarter ellipses.
    const double a = qMin(ellipseWidth, w) / 2.0, b = qMin(ellipseHeight, h) / 2.0;
    const double expected = double(w) * h - (4 - M_PI) * a * b;
    QVERIFY2(std::abs(area - expected) <= 0.03 * expected,
             qPrintable(QStringLiteral("area %1, expected about %2").arg(area).arg(expected)));
    // No ellipse: the plain rectangle.
    QCOMPARE(TCheckerLayout::roundRectRegion(size, 0, 0), QRegion(0, 0, w, h));
}

void TestCheckerWindow::colourSets_data()
{
    QTest::addColumn<QByteArray>("main");
    QTest::addColumn<QByteArray>("blue");
    QTest::addColumn<bool>("usesBlue");
    QTest::addColumn<int>("panelBevel");
    QTest::addColumn<int>("fieldBevel");
    QTest::addColumn<QColor>("back");
    QTest::addColumn<QColor>("active");
    QTest::addColumn<QColor>("idle");
    QTest::addColumn<quint32>("font");
    const QColor menu = QGuiApplication::palette().color(QPalette::Window);
    QTest::newRow("blue, round") << QByteArray("ColorSet=blue\nRound=1\n") << QByteArray() << true << 0 << 0
                                 << QColor(0, 0, 102) << QColor(128, 128, 176) << QColor(64, 64, 144)
                                 << quint32(0xFFFFFF);
    QTest::newRow("blue, plain") << QByteArray("ColorSet=blue\nRound=0\n") << QByteArray() << true << 0 << 0
                                 << QColor(0, 0, 102) << QColor(128, 128, 176) << QColor(64, 64, 144)
                                 << quint32(0xFFFFFF);
    QTest::newRow("blue edited, round") << QByteArray("ColorSet=blue\nRound=1\n")
                                        << QByteArray("[BlueColorSet]\nBorderSize=2\nBack=32768\nIdle=255\n")
                                        << true << 2 << 2 << QColor(0, 128, 0) << QColor(128, 128, 176)
                                        << QColor(255, 0, 0) << quint32(0xFFFFFF);
    QTest::newRow("windows, round") << QByteArray("ColorSet=gray\nRound=1\n") << QByteArray() << false << 0 << 1
                                    << menu << QColor(255, 255, 255) << QColor(128, 128, 128) << quint32(0);
    QTest::newRow("windows, plain") << QByteArray("ColorSet=gray\nRound=0\n") << QByteArray() << false << 1 << 1
                                    << menu << QColor(255, 255, 255) << QColor(128, 128, 128) << quint32(0);
}

void TestCheckerWindow::colourSets()
{
    QFETCH(QByteArray, main);
    QFETCH(QByteArray, blue);
    QFETCH(bool, usesBlue);
    QFETCH(int, panelBevel);
    QFETCH(int, fieldBevel);
    QFETCH(QColor, back);
    QFETCH(QColor, active);
    QFETCH(QColor, idle);
    QFETCH(quint32, font);
    CheckerFixture fx;
    fx.writeIni(iniWith(main, {"Active=1\n", "Active=0\n"}) + blue);
    TF_CheckerWindow &w = fx.start();
    stopTimers(w);
    QCOMPARE(w.Colors.UsesBlueSet, usesBlue);
    QCOMPARE(w.panel()->property("bevelWidth").toInt(), panelBevel);
    TCheckerField *f1 = w.EShowVar(1), *f2 = w.EShowVar(2);
    QCOMPARE(f1->bevelWidth(), fieldBevel);
    QCOMPARE(f1->textColorValue(), font);
    QCOMPARE(f2->textColorValue(), font);

    // What is drawn: the background between the fields, the fields' faces and the bevels.
    const QImage image = w.grab().toImage();
    const QPalette palette = QGuiApplication::palette();
    const QRect r1 = f1->geometry(), r2 = f2->geometry();
    const int midY = w.height() / 2;
    QCOMPARE(pixelAt(image, QPoint((r1.right() + r2.left()) / 2, midY)), rgbOf(back));
    QCOMPARE(pixelAt(image, QPoint(r1.center().x(), r1.top() + 2)), rgbOf(active));
    QCOMPARE(pixelAt(image, QPoint(r2.center().x(), r2.top() + 2)), rgbOf(idle));
    // The field's raised bevel: lit on the left, shaded on the right.
    QCOMPARE(pixelAt(image, QPoint(r2.left(), r2.center().y())),
             rgbOf(fieldBevel > 0 ? palette.color(QPalette::Light) : idle));
    QCOMPARE(pixelAt(image, QPoint(r2.right(), r2.center().y())),
             rgbOf(fieldBevel > 0 ? palette.color(QPalette::Dark) : idle));
    // The background: a raised outer bevel, one pixel of its colour, a lowered inner bevel.
    if (panelBevel > 0) {
        QCOMPARE(pixelAt(image, QPoint(0, midY)), rgbOf(palette.color(QPalette::Light)));
        QCOMPARE(pixelAt(image, QPoint(w.width() - 1, midY)), rgbOf(palette.color(QPalette::Dark)));
        QCOMPARE(pixelAt(image, QPoint(panelBevel, midY)), rgbOf(back));
        QCOMPARE(pixelAt(image, QPoint(panelBevel + 1, midY)), rgbOf(palette.color(QPalette::Dark)));
        QCOMPARE(pixelAt(image, QPoint(w.width() - 2 - panelBevel, midY)), rgbOf(palette.color(QPalette::Light)));
    } else {
        QCOMPARE(pixelAt(image, QPoint(0, midY)), rgbOf(back));
        QCOMPARE(pixelAt(image, QPoint(w.width() - 1, midY)), rgbOf(back));
    }
}

void TestCheckerWindow::systemColours()
{
    const QPalette palette = QGuiApplication::palette();
    QCOMPARE(TCheckerColors::toQColor(0x80000004), palette.color(QPalette::Window)); // menu
    QCOMPARE(TCheckerColors::toQColor(0x80000005), palette.color(QPalette::Base));   // window
    QCOMPARE(TCheckerColors::toQColor(0x8000000D), palette.color(QPalette::Highlight));
    QCOMPARE(TCheckerColors::toQColor(0x80000019), QColor(0, 0, 0)); // no such colour
    QCOMPARE(TCheckerColors::toQColor(0x00BBDD), QColor(221, 187, 0));
    QCOMPARE(TCheckerColors::toQColor(0x123456), QColor(0x56, 0x34, 0x12));
}

void TestCheckerWindow::blinkPhases()
{
    CheckerFixture fx;
    fx.writeIni(iniWith("ColorSet=blue\n", {"Active=1\n", "Active=0\n", "Active=1\n"}));
    TF_CheckerWindow &w = fx.start();
    stopTimers(w);
    const TCheckerColors c = w.Colors;
    w.Accounts.data(1).Busy = true;
    w.Accounts.data(2).Busy = true;
    QList<quint32> seen1, seen2;
    for (int tick = 0; tick < 4; ++tick) {
        w.Timer6Timer();
        seen1 << w.EShowVar(1)->colorValue();
        seen2 << w.EShowVar(2)->colorValue();
    }
    // Busy fields blink in step; an on-demand account shows Idle in the Active phase.
    QCOMPARE(seen1, QList<quint32>({c.Connected, c.Active, c.Connected, c.Active}));
    QCOMPARE(seen2, QList<quint32>({c.Connected, c.Idle, c.Connected, c.Idle}));
    QCOMPARE(w.EShowVar(3)->colorValue(), c.Active); // not busy: untouched

    // With blinking off a busy field keeps its colour.
    w.Options.Blinking = false;
    const quint32 before = w.EShowVar(1)->colorValue();
    w.Timer6Timer();
    QCOMPARE(w.EShowVar(1)->colorValue(), before);
}

void TestCheckerWindow::layoutPassClearsError()
{
    CheckerFixture fx;
    fx.writeIni(iniWith("", {"Active=1\n", "Active=0\n"}));
    TF_CheckerWindow &w = fx.start();
    stopTimers(w);
    w.setFieldColor(1, w.Colors.Error);
    w.setFieldColor(2, w.Colors.Error);
    QCOMPARE(w.EShowVar(1)->color(), QColor(255, 0, 0));
    // A metric changed on the preference page re-lays the window at once.
    const int oldWidth = w.width();
    w.Metrics.CheckerWidth = 30;
    w.EShowTest();
    QVERIFY(w.width() > oldWidth);
    QCOMPARE(w.EShowVar(1)->colorValue(), w.Colors.Active);
    QCOMPARE(w.EShowVar(2)->colorValue(), w.Colors.Idle);
    QCOMPARE(w.EShowVar(1)->width(), TCheckerLayout::scale(Platform::screenPpi(), 30));
}

void TestCheckerWindow::shownCount()
{
    CheckerFixture fx;
    fx.writeIni(iniWith("", {""}));
    TF_CheckerWindow &w = fx.start();
    stopTimers(w);
    TCheckerField *f = w.EShowVar(1);
    w.setFieldText(1, QStringLiteral("3"));
    QCOMPARE(f->text(), QStringLiteral("3"));
    // MailCount 3 with ZeroBase 5.
    w.setFieldText(1, QString::number(3 - 5));
    QCOMPARE(f->text(), QStringLiteral("..."));
    // Only numbers are taken.
    w.setFieldText(1, QStringLiteral("x7"));
    QCOMPARE(f->text(), QStringLiteral("..."));
    // "Set MailCount to Zero" at 7, then two new messages.
    w.Accounts.data(1).MailCount = 7;
    w.ZeroClick(1);
    QCOMPARE(f->text(), QStringLiteral("0"));
    QCOMPARE(w.Accounts.data(1).ZeroBase, 7);
    w.setFieldText(1, QString::number(9 - w.Accounts.data(1).ZeroBase));
    QCOMPARE(f->text(), QStringLiteral("2"));
}

void TestCheckerWindow::countFitsTheField_data()
{
    QTest::addColumn<QString>("count");
    QTest::addColumn<bool>("designedSize");
    QTest::newRow("one digit") << QStringLiteral("7") << true;
    QTest::newRow("three digits") << QStringLiteral("123") << false;
    QTest::newRow("four digits") << QStringLiteral("1234") << false;
}

// The count's ink, found as the pixels that differ from the empty field, lies inside the field;
// a short count keeps the designed size.
void TestCheckerWindow::countFitsTheField()
{
    QFETCH(QString, count);
    QFETCH(bool, designedSize);
    CheckerFixture fx;
    fx.writeIni(iniWith("", {""}));
    TF_CheckerWindow &w = fx.start();
    stopTimers(w);
    TCheckerField *f = w.EShowVar(1);
    w.setFieldText(1, QString());
    const QImage empty = f->grab().toImage();
    w.setFieldText(1, count);
    const QImage drawn = f->grab().toImage();
    QCOMPARE(drawn.size(), empty.size());

    QRect ink;
    for (int y = 0; y < drawn.height(); ++y)
        for (int x = 0; x < drawn.width(); ++x)
            if (drawn.pixel(x, y) != empty.pixel(x, y))
                ink |= QRect(x, y, 1, 1);
    const QString where = QStringLiteral("ink %1,%2 %3x%4 in a field of %5x%6")
                              .arg(ink.x()).arg(ink.y()).arg(ink.width()).arg(ink.height())
                              .arg(drawn.width()).arg(drawn.height());
    QVERIFY2(!ink.isEmpty(), qPrintable(where));
    QVERIFY2(ink.left() > 0 && ink.top() > 0 && ink.right() < drawn.width() - 1 && ink.bottom() < drawn.height() - 1,
             qPrintable(where));
    QCOMPARE(f->textFont() == f->font(), designedSize);
}

void TestCheckerWindow::placementCorrection_data()
{
    QTest::addColumn<bool>("atRightEdge");
    QTest::newRow("at the right edge") << true;
    QTest::newRow("elsewhere") << false;
}

void TestCheckerWindow::placementCorrection()
{
    QFETCH(bool, atRightEdge);
    const int screenWidth = QGuiApplication::primaryScreen()->geometry().width();
    const int ppi = Platform::screenPpi();
    const int oneField = TCheckerLayout::compute(TCheckerMetrics(), ppi, 1).window.width();
    const int defaultX = atRightEdge ? screenWidth - oneField : 100;
    CheckerFixture fx;
    fx.writeIni(iniWith("defaultX=" + QByteArray::number(defaultX) + "\ndefaultY=50\n", {""}));
    TF_CheckerWindow &w = fx.start();
    stopTimers(w);
    QCOMPARE(w.pos(), QPoint(defaultX, 50));

    w.Accounts.AccountCount = 2;
    w.E_Setlengths();
    stopTimers(w);
    const int step = TCheckerLayout::scale(ppi, 20) + TCheckerLayout::scale(ppi, 6);
    QCOMPARE(w.Options.defaultX, atRightEdge ? defaultX - step : defaultX);
    QCOMPARE(w.x(), w.Options.defaultX);
    QVERIFY(!w.EShowVar(2)->isHidden());
}

void TestCheckerWindow::resizeKeepsHiddenAccounts()
{
    CheckerFixture fx;
    fx.writeIni(iniWith("", {"Show=0\nActive=1\nTimer=60000\nSound=0\nList=0\n", "Active=1\n"}));
    TF_CheckerWindow &w = fx.start();
    stopTimers(w);
    QVERIFY(w.EShowVar(1)->isHidden());

    // Adding an account leaves the hidden one as it was and gives the new slot the defaults.
    w.Accounts.AccountCount = 3;
    w.Accounts.resizeColumns();
    w.Accounts.data(3).Active = true; // left over from nothing: a new slot starts clean
    w.E_Setlengths();
    stopTimers(w);
    const TAccountData &hiddenOne = w.Accounts.data(1);
    QCOMPARE(hiddenOne.Show, false);
    QCOMPARE(hiddenOne.Active, true);
    QCOMPARE(hiddenOne.Timer, 60000);
    QCOMPARE(hiddenOne.Sound, false);
    QCOMPARE(hiddenOne.List, false);
    QVERIFY(w.EShowVar(1)->isHidden());
    QCOMPARE(w.Accounts.data(3).Active, false);
    QCOMPARE(w.Accounts.data(3).Show, true);

    // A slot freed by a deletion and taken again starts with the defaults, its field shown.
    w.Accounts.removeAccountData(2);
    w.E_Setlengths();
    QVERIFY(w.EShowVar(3)->isHidden());
    w.Accounts.AccountCount = 3;
    w.E_Setlengths();
    stopTimers(w);
    QCOMPARE(w.Accounts.data(3).Active, false);
    QVERIFY(!w.EShowVar(3)->isHidden());
    QCOMPARE(w.Accounts.data(1).Active, true);
}

QTEST_MAIN(TestCheckerWindow)
#include "tst_checkerwindow.moc"
