// A tray host that appears after the program started: the icon, shown all along, turns up in
// it. Runs on a display without a tray host; the test starts one itself.
#include "desktop/TCoolTrayIcon.h"
#include "desktop/TTrayPictures.h"

#include <QGuiApplication>
#include <QProcess>
#include <QtTest>

class TestGuiLateTray : public QObject
{
    Q_OBJECT
private slots:
    void iconShowsOnceATrayAppears();
};

void TestGuiLateTray::iconShowsOnceATrayAppears()
{
    QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
    QVERIFY(!QSystemTrayIcon::isSystemTrayAvailable());
    TCoolTrayIcon tray;
    tray.setIcon(TTrayPictures::programIcon());
    tray.setHint(QStringLiteral("Vorlo"));
    tray.setShowHint(true);
    tray.loaded();
    // No tray: the program runs on, the icon waits.
    QVERIFY(tray.systemIcon()->isVisible());
    QVERIFY(!tray.systemIcon()->geometry().isValid());

    QProcess host;
    host.start(QStringLiteral("trayer"), {QStringLiteral("--edge"), QStringLiteral("top"), QStringLiteral("--align"),
                                          QStringLiteral("right"), QStringLiteral("--widthtype"),
                                          QStringLiteral("pixel"), QStringLiteral("--width"), QStringLiteral("120"),
                                          QStringLiteral("--heighttype"), QStringLiteral("pixel"),
                                          QStringLiteral("--height"), QStringLiteral("24")});
    QVERIFY(host.waitForStarted(10000));
    QTRY_VERIFY_WITH_TIMEOUT(QSystemTrayIcon::isSystemTrayAvailable(), 10000);
    // The host may place the icon before it has laid itself out at the right edge: wait for
    // where the icon ends up, not for its first place.
    QTRY_VERIFY2_WITH_TIMEOUT(tray.systemIcon()->geometry().isValid() && tray.systemIcon()->geometry().right() >= 900,
                              qPrintable(QStringLiteral("icon at %1,%2")
                                             .arg(tray.systemIcon()->geometry().x())
                                             .arg(tray.systemIcon()->geometry().right())),
                              10000);
    host.terminate();
    QVERIFY(host.waitForFinished(10000));
}

QTEST_MAIN(TestGuiLateTray)
#include "tst_gui_latetray.moc"
