// The checker window on a real (virtual) X display with a window manager, a compositor and a
// tray host: its place and size as the display reports them, its rounded outline and field
// colours read back from the screen, its transparency, dragging by the background, and the
// tray icon in the tray.
#include "core/CheckerFixture.h"

#include "core/ui/TCheckerField.h"
#include "desktop/TCheckerDesktop.h"
#include "desktop/TCoolTrayIcon.h"
#include "gui/XTools.h"

#include <QCursor>
#include <QFrame>
#include <QGuiApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QtTest>

namespace {
using XTools::geometryFromTheDisplay;
using XTools::run;

QByteArray settings(const QByteArray &main)
{
    return "[Main]\nECount=3\nColorSet=blue\nRound=1\ndefaultX=200\ndefaultY=150\n" + main +
           "[1]\nName=first\nActive=1\n[2]\nName=second\nActive=0\n[3]\nName=third\nActive=1\n";
}

void stopTimers(TF_CheckerWindow &w)
{
    for (qint32 n = 1; n <= w.Accounts.slotCapacity(); ++n)
        if (QTimer *t = w.Accounts.slot(n).CheckTimer)
            t->stop();
}

// The screen as the X server shows it, in screen coordinates.
QImage screenShot()
{
    return QGuiApplication::primaryScreen()->grabWindow(0).toImage();
}

QRgb rgbAt(const QImage &image, QPoint p)
{
    return image.pixel(p) & 0xFFFFFF;
}

} // namespace

class TestGuiCheckerWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void placeSizeShapeAndColours();
    void translucent();
    void dragByTheBackground();
    void trayIconInTheTray();
};

void TestGuiCheckerWindow::initTestCase()
{
    QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
    QCOMPARE(QGuiApplication::primaryScreen()->logicalDotsPerInch(), 96.0);
    QCOMPARE(QGuiApplication::primaryScreen()->devicePixelRatio(), 1.0);
}

void TestGuiCheckerWindow::placeSizeShapeAndColours()
{
    CheckerFixture fx;
    fx.writeIni(settings("Transparency=0\n"));
    TF_CheckerWindow &w = fx.start();
    stopTimers(w);
    TCheckerDesktop::install(w);
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QTRY_COMPARE_WITH_TIMEOUT(geometryFromTheDisplay(), QRect(200, 150, 76, 27), 10000);

    // The outline: the background colour shows at the middle of both ends, the desktop at the
    // corners; each field shows its colour.
    const QRgb back = 0x000066, active = 0x8080B0, idle = 0x404090;
    const QPoint at(200, 150);
    QImage shot;
    auto painted = [&] {
        shot = screenShot();
        return rgbAt(shot, at + QPoint(38, 1)) == back;
    };
    QTRY_VERIFY_WITH_TIMEOUT(painted(), 10000);
    QCOMPARE(rgbAt(shot, at + QPoint(1, 13)), back);
    QCOMPARE(rgbAt(shot, at + QPoint(74, 13)), back);
    for (QPoint corner : {QPoint(0, 0), QPoint(75, 0), QPoint(0, 26), QPoint(75, 26)})
        QVERIFY2(rgbAt(shot, at + corner) != back,
                 qPrintable(QStringLiteral("corner %1,%2").arg(corner.x()).arg(corner.y())));
    // Field faces (above the count text, which is empty before a check anyway).
    QCOMPARE(rgbAt(shot, at + QPoint(9 + 8, 6 + 2)), active);
    QCOMPARE(rgbAt(shot, at + QPoint(30 + 8, 6 + 2)), idle);
    QCOMPARE(rgbAt(shot, at + QPoint(51 + 8, 6 + 2)), active);
    // Between the fields: the background.
    QCOMPARE(rgbAt(shot, at + QPoint(27, 13)), back);

    // The count, drawn in the font colour, shows on the field.
    w.setFieldText(2, QStringLiteral("8"));
    auto countShows = [&] {
        const QImage s = screenShot();
        for (int y = 6; y < 20; ++y)
            for (int x = 30; x < 46; ++x)
                if (qGray(s.pixel(at + QPoint(x, y))) > 200)
                    return true;
        return false;
    };
    QTRY_VERIFY_WITH_TIMEOUT(countShows(), 10000);
}

void TestGuiCheckerWindow::translucent()
{
    CheckerFixture fx;
    fx.writeIni(settings("Transparency=1\nTransparencyValue=128\n"));
    TF_CheckerWindow &w = fx.start();
    stopTimers(w);
    TCheckerDesktop::install(w);
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QVERIFY(std::abs(w.windowOpacity() - 128 / 255.0) < 0.01);
    const QPoint field(200 + 9 + 8, 150 + 6 + 2);
    // With the compositor the field's colour is mixed half and half with the desktop behind it
    // (read at the window's own rounded-off corner).
    auto mixed = [](int fore, int behind) { return (fore * 128 + behind * 127) / 255; };
    auto blended = [&] {
        const QImage shot = screenShot();
        const QRgb c = rgbAt(shot, field), behind = rgbAt(shot, QPoint(200, 150));
        return qAbs(qRed(c) - mixed(0x80, qRed(behind))) <= 3 && qAbs(qGreen(c) - mixed(0x80, qGreen(behind))) <= 3
            && qAbs(qBlue(c) - mixed(0xB0, qBlue(behind))) <= 3 && qBlue(c) != 0xB0;
    };
    QTRY_VERIFY_WITH_TIMEOUT(blended(), 10000);
}

void TestGuiCheckerWindow::dragByTheBackground()
{
    CheckerFixture fx;
    fx.writeIni(settings("Transparency=0\n"));
    TF_CheckerWindow &w = fx.start();
    stopTimers(w);
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QTRY_COMPARE_WITH_TIMEOUT(geometryFromTheDisplay().topLeft(), QPoint(200, 150), 10000);
    // Press on the gap at the left end, move, release: the window follows; positions stay.
    run(QStringLiteral("xdotool"), {"mousemove", "--sync", "203", "163", "mousedown", "1"});
    // The program has taken the press (and handed the move to the window manager) before the
    // mouse goes on.
    QTRY_VERIFY_WITH_TIMEOUT(QGuiApplication::mouseButtons() & Qt::LeftButton, 10000);
    // The window manager takes the pointer over some time after the press, in a loaded run
    // later than the program sees the press: the mouse goes on moving until the window follows.
    bool nudge = false;
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
            nudge = !nudge;
            run(QStringLiteral("xdotool"), {"mousemove", "--sync", nudge ? "303" : "304", "263"});
            return geometryFromTheDisplay().topLeft() != QPoint(200, 150);
        }(),
        10000);
    run(QStringLiteral("xdotool"), {"mousemove", "--sync", "353", "313", "mouseup", "1"});
    QTRY_COMPARE_WITH_TIMEOUT(geometryFromTheDisplay().topLeft(), QPoint(350, 300), 10000);
    QTRY_COMPARE_WITH_TIMEOUT(w.pos(), QPoint(350, 300), 10000);
    QCOMPARE(QPoint(w.Options.defaultX, w.Options.defaultY), QPoint(200, 150));
}

void TestGuiCheckerWindow::trayIconInTheTray()
{
    // The tray host was started with the display; it may still be settling in.
    QTRY_VERIFY_WITH_TIMEOUT(QSystemTrayIcon::isSystemTrayAvailable(), 10000);
    CheckerFixture fx;
    fx.writeIni(settings("Transparency=0\n"));
    TF_CheckerWindow &w = fx.start();
    stopTimers(w);
    TCoolTrayIcon *tray = TCheckerDesktop::createTrayIcon(w);
    QTRY_VERIFY_WITH_TIMEOUT(tray->systemIcon()->geometry().isValid(), 10000);
    // The icon's window sits inside the tray host's panel, as the display's window tree shows.
    QRect panel, icon;
    auto iconInPanel = [&] {
        const QString tree = QString::fromLocal8Bit(run(QStringLiteral("xwininfo"), {"-root", "-tree"}));
        const QString app = QRegularExpression::escape(QCoreApplication::applicationName());
        // A line reads: 0x200003 "panel": ("panel" "trayer")  120x24+0+0  +904+0
        const QString size = QStringLiteral("\\s+(\\d+)x(\\d+)\\S*\\s+\\+(-?\\d+)\\+(-?\\d+)");
        const QRegularExpression panelLine(QStringLiteral("\"panel\": \\(\"panel\" \"trayer\"\\)") + size);
        const QRegularExpression iconLine(QStringLiteral("\"%1\": \\(\"%1\" \"%1\"\\)").arg(app) + size);
        auto rectOf = [](const QRegularExpressionMatch &m) {
            return QRect(m.captured(3).toInt(), m.captured(4).toInt(), m.captured(1).toInt(), m.captured(2).toInt());
        };
        const QRegularExpressionMatch p = panelLine.match(tree), i = iconLine.match(tree);
        if (!p.hasMatch() || !i.hasMatch())
            return false;
        panel = rectOf(p);
        icon = rectOf(i);
        return panel.contains(icon) && icon.width() >= 16 && icon.height() >= 16;
    };
    QTRY_VERIFY_WITH_TIMEOUT(iconInPanel(), 10000);
    // Something of the program icon's dark blue shows in that place.
    auto iconDrawn = [&] {
        const QImage shot = screenShot();
        int blue = 0;
        for (int y = icon.top(); y <= icon.bottom(); ++y)
            for (int x = icon.left(); x <= icon.right(); ++x) {
                const QRgb c = shot.pixel(x, y);
                blue += qBlue(c) > 60 && qRed(c) < 40 && qGreen(c) < 40;
            }
        return blue > 20;
    };
    QTRY_VERIFY_WITH_TIMEOUT(iconDrawn(), 10000);
    // Gone from the tray with the component.
    delete tray;
    auto iconGone = [&] {
        const QString tree = QString::fromLocal8Bit(run(QStringLiteral("xwininfo"), {"-root", "-tree"}));
        return !tree.contains(QStringLiteral("\"%1\": (\"%1\"").arg(QCoreApplication::applicationName()));
    };
    QTRY_VERIFY_WITH_TIMEOUT(iconGone(), 10000);
}

QTEST_MAIN(TestGuiCheckerWindow)
#include "tst_gui_checkerwindow.moc"
