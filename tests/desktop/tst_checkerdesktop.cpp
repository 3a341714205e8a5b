// The checker window's tray icon and transparency, driven through the window's own commands:
// the start picture, going offline and online, the blink tick, the animation step, the
// tooltip, the menu and the exit; the apply-transparency step and its preview.
#include "core/CheckerFixture.h"

#include "core/ui/TCheckerField.h"
#include "desktop/TAgBlend.h"
#include "desktop/TCheckerDesktop.h"
#include "desktop/TCoolTrayIcon.h"
#include "platform/Platform.h"

#include <QAction>
#include <QMenu>
#include <QTimer>
#include <QtTest>

namespace {
QByteArray iniWith(const QByteArray &main, int accounts)
{
    QByteArray s = "[Main]\nECount=" + QByteArray::number(accounts) + "\n" + main;
    for (int n = 1; n <= accounts; ++n)
        s += "[" + QByteArray::number(n) + "]\nName=a" + QByteArray::number(n) + "\n";
    return s;
}

void stopTimers(TF_CheckerWindow &w)
{
    for (qint32 n = 1; n <= w.Accounts.slotCapacity(); ++n)
        if (QTimer *t = w.Accounts.slot(n).CheckTimer)
            t->stop();
}

// Which picture the status area shows: "still 0".."still 2", "frame 0".."frame 3", "program".
QString shown(const TCoolTrayIcon &tray)
{
    const qint64 key = tray.systemIcon()->icon().cacheKey();
    const QList<QIcon> still = tray.stillList(), frames = tray.IconList();
    for (qsizetype i = 0; i < still.size(); ++i)
        if (still.at(i).cacheKey() == key)
            return QStringLiteral("still %1").arg(i);
    for (qsizetype i = 0; i < frames.size(); ++i)
        if (frames.at(i).cacheKey() == key)
            return QStringLiteral("frame %1").arg(i);
    return QStringLiteral("program");
}

// Runs one step of the tray animation now.
void cycleStep(TCoolTrayIcon &tray)
{
    QSignalSpy step(tray.cycleTimer(), &QTimer::timeout);
    tray.cycleTimer()->start(0);
    QVERIFY(step.wait(2000));
}

double alpha(const QWidget &w)
{
    return w.windowOpacity() * 255.0;
}
} // namespace

class TestCheckerDesktop : public QObject
{
    Q_OBJECT
private slots:
    void configuredAsTheWindowUsesIt();
    void startsOfflineWithTheOfflinePicture();
    void iconTable();
    void noBusyAccountStopsTheAnimation();
    void animationOffInThePreferences();
    void menuAndDoubleClick();
    void exitRemovesTheIcon();
    void transparency_data();
    void transparency();
    void transparencyPreview();
    void alwaysOnTopKeepsTransparency();
};

void TestCheckerDesktop::configuredAsTheWindowUsesIt()
{
    CheckerFixture fx;
    fx.writeIni(iniWith("", 1));
    TF_CheckerWindow &w = fx.start();
    stopTimers(w);
    TCoolTrayIcon *tray = TCheckerDesktop::createTrayIcon(w);
    QCOMPARE(w.trayIcon(), tray);
    QCOMPARE(tray->objectName(), QStringLiteral("CoolTrayIcon1"));
    QCOMPARE(tray->CycleInterval(), 250);
    QCOMPARE(tray->IconList().size(), 4);
    QCOMPARE(tray->stillList().size(), 3);
    QCOMPARE(tray->PopupMenu(), w.PopupMenu6);
    QVERIFY(tray->ShowHint());
    QCOMPARE(tray->systemIcon()->toolTip(), QStringLiteral("Vorlo"));
    QVERIFY(tray->systemIcon()->isVisible());
    QCOMPARE(shown(*tray), QStringLiteral("program"));
    QVERIFY(!tray->CycleIcons());
}

void TestCheckerDesktop::startsOfflineWithTheOfflinePicture()
{
    CheckerFixture fx;
    fx.writeIni(iniWith("on/offline=off\n", 1));
    TF_CheckerWindow &w = fx.start();
    stopTimers(w);
    QVERIFY(!w.isOnline());
    TCoolTrayIcon *tray = TCheckerDesktop::createTrayIcon(w);
    QCOMPARE(shown(*tray), QStringLiteral("still 2"));
}

void TestCheckerDesktop::iconTable()
{
    CheckerFixture fx;
    fx.writeIni(iniWith("", 2));
    TF_CheckerWindow &w = fx.start();
    stopTimers(w);
    TCoolTrayIcon *tray = TCheckerDesktop::createTrayIcon(w);

    // Going offline: the offline picture, no animation.
    w.online1->trigger();
    QVERIFY(!w.isOnline());
    QCOMPARE(shown(*tray), QStringLiteral("still 2"));
    QVERIFY(!tray->CycleIcons());
    // Going online while nothing blinks: by the total count (ZeroBase is not taken off).
    w.Accounts.data(2).MailCount = 3;
    w.Accounts.data(2).ZeroBase = 3;
    w.online1->trigger();
    QVERIFY(w.isOnline());
    QCOMPARE(shown(*tray), QStringLiteral("still 1"));
    w.Accounts.data(2).MailCount = 0;
    w.Accounts.data(2).ZeroBase = 0;
    w.online1->trigger();
    w.online1->trigger();
    QCOMPARE(shown(*tray), QStringLiteral("still 0"));
    stopTimers(w); // going online re-armed the check timers

    // An account busy, online, animation on: the blink tick starts the animation at frame 0.
    w.Accounts.data(1).Busy = true;
    w.Timer6Timer();
    QVERIFY(tray->CycleIcons());
    cycleStep(*tray);
    QCOMPARE(shown(*tray), QStringLiteral("frame 0"));
    cycleStep(*tray);
    QCOMPARE(shown(*tray), QStringLiteral("frame 1"));
    QVERIFY(tray->CycleIcons());

    // The last busy account is done: the next animation step stops the animation and the blink.
    w.blinkTimer()->start();
    w.Accounts.data(1).Busy = false;
    cycleStep(*tray);
    QVERIFY(!tray->CycleIcons());
    QVERIFY(!w.blinkTimer()->isActive());

    // Going offline while checking: offline picture, animation off, the busy account reset.
    w.Accounts.data(2).Busy = true;
    w.Timer6Timer();
    QVERIFY(tray->CycleIcons());
    w.online1->trigger();
    QCOMPARE(shown(*tray), QStringLiteral("still 2"));
    QVERIFY(!tray->CycleIcons());
    QVERIFY(!w.Accounts.data(2).Busy);
    QCOMPARE(w.EShowVar(2)->colorValue(), w.Colors.Error);
    // While offline a blink tick does not animate the icon.
    w.Accounts.data(1).Busy = true;
    w.Timer6Timer();
    QVERIFY(!tray->CycleIcons());

    // A tooltip longer than the status area takes is cut to 63 characters.
    const QString longHint = QStringLiteral("You have %1 new Mails").arg(QString(70, QLatin1Char('9')));
    tray->setHint(longHint);
    QCOMPARE(tray->systemIcon()->toolTip(), longHint.left(63));
}

void TestCheckerDesktop::noBusyAccountStopsTheAnimation()
{
    CheckerFixture fx;
    fx.writeIni(iniWith("", 1));
    TF_CheckerWindow &w = fx.start();
    stopTimers(w);
    TCoolTrayIcon *tray = TCheckerDesktop::createTrayIcon(w);
    w.Accounts.data(1).Busy = true;
    w.Timer6Timer();
    cycleStep(*tray);
    QCOMPARE(shown(*tray), QStringLiteral("frame 0"));
    // The blink timer finds nothing busy: animation off, the no-mail picture.
    w.Accounts.data(1).Busy = false;
    w.Accounts.data(1).MailCount = 5;
    w.Timer6Timer();
    QVERIFY(!tray->CycleIcons());
    QCOMPARE(shown(*tray), QStringLiteral("still 0"));
}

void TestCheckerDesktop::animationOffInThePreferences()
{
    CheckerFixture fx;
    fx.writeIni(iniWith("AnimIcons=0\n", 1));
    TF_CheckerWindow &w = fx.start();
    stopTimers(w);
    TCoolTrayIcon *tray = TCheckerDesktop::createTrayIcon(w);
    w.Accounts.data(1).Busy = true;
    w.Timer6Timer();
    QVERIFY(!tray->CycleIcons());
    QCOMPARE(shown(*tray), QStringLiteral("program"));
}

void TestCheckerDesktop::menuAndDoubleClick()
{
    CheckerFixture fx;
    fx.writeIni(iniWith("on/offline=off\n", 1));
    TF_CheckerWindow &w = fx.start();
    stopTimers(w);
    TCoolTrayIcon *tray = TCheckerDesktop::createTrayIcon(w);
    QCOMPARE(tray->systemIcon()->contextMenu(), w.PopupMenu6);
    // A double-click runs "Check all", which goes online first.
    QSignalSpy checkAll(w.Checkall1, &QAction::triggered);
    tray->handleActivation(QSystemTrayIcon::Trigger);
    QVERIFY(!w.isOnline()); // a single click does nothing
    tray->handleActivation(QSystemTrayIcon::DoubleClick);
    QCOMPARE(checkAll.size(), 1);
    QVERIFY(w.isOnline());
    stopTimers(w);
}

void TestCheckerDesktop::exitRemovesTheIcon()
{
    CheckerFixture fx;
    fx.writeIni(iniWith("", 1));
    TF_CheckerWindow &w = fx.start();
    stopTimers(w);
    QPointer<TCoolTrayIcon> tray = TCheckerDesktop::createTrayIcon(w);
    QPointer<QSystemTrayIcon> system = tray->systemIcon();
    w.Button3Click();
    QVERIFY(!tray);
    QVERIFY(!system);
    QVERIFY(!w.trayIcon());
    // Commands after the exit find no icon to drive.
    w.online1Click();
}

void TestCheckerDesktop::transparency_data()
{
    QTest::addColumn<QByteArray>("main");
    QTest::addColumn<bool>("active");
    QTest::addColumn<int>("windowAlpha");
    QTest::newRow("wanted, 200") << QByteArray("Transparency=1\nTransparencyValue=200\n") << true << 200;
    QTest::newRow("not wanted: layered but opaque") << QByteArray("Transparency=0\nTransparencyValue=100\n") << false
                                                    << 255;
    QTest::newRow("forced") << QByteArray("ForceTransparency=1\nTransparencyValue=60\n") << true << 60;
}

void TestCheckerDesktop::transparency()
{
    QFETCH(QByteArray, main);
    QFETCH(bool, active);
    QFETCH(int, windowAlpha);
    CheckerFixture fx;
    fx.writeIni(iniWith(main, 1));
    TF_CheckerWindow &w = fx.start();
    stopTimers(w);
    // The start-up's own step found no component yet; the window stays as it was made.
    QCOMPARE(w.windowOpacity(), 1.0);
    TCheckerDesktop::install(w);
    if (!Platform::transparencyAvailable() && !main.contains("ForceTransparency=1")) {
        // Not offered: no effect, the preference page's controls stay off.
        QVERIFY(!w.Options.ForceTransparency);
        QCOMPARE(w.windowOpacity(), 1.0);
        return;
    }
    auto *blend = qobject_cast<TAgBlend *>(dynamic_cast<QObject *>(w.transparency()));
    QVERIFY(blend);
    QVERIFY(w.Options.ForceTransparency); // tells the preference page the controls may be used
    QVERIFY(blend->isPrepared());
    QCOMPARE(blend->Active(), active);
    QCOMPARE(blend->BlendType(), TAgBlend::TBlendType::Alpha);
    QVERIFY(std::abs(alpha(w) - windowAlpha) <= 1.0);
    QVERIFY(!w.windowIcon().isNull());

    // Saving never writes the forcing key.
    w.saveSettings();
    QCOMPARE(fx.readIni().contains("ForceTransparency"), main.contains("ForceTransparency"));
}

void TestCheckerDesktop::transparencyPreview()
{
    CheckerFixture fx;
    fx.writeIni(iniWith("Transparency=1\nTransparencyValue=200\n", 1));
    TF_CheckerWindow &w = fx.start();
    stopTimers(w);
    TCheckerDesktop::install(w);
    if (!w.Options.ForceTransparency)
        QSKIP("no per-window opacity on this platform");
    // Moving the slider previews at once; hiding the dialog returns to the saved value.
    w.previewTransparency(90);
    QVERIFY(std::abs(alpha(w) - 90) <= 1.0);
    w.previewTransparency(300);
    QVERIFY(std::abs(alpha(w) - 255) <= 1.0);
    w.endTransparencyPreview();
    QVERIFY(std::abs(alpha(w) - 200) <= 1.0);
    // "OK" with the box unchecked stores 255: the effect stays on but the window is opaque.
    w.Options.Transparency = false;
    w.Options.TransparencyValue = 255;
    w.applyTransparency();
    QVERIFY(std::abs(alpha(w) - 255) <= 1.0);
}

void TestCheckerDesktop::alwaysOnTopKeepsTransparency()
{
    CheckerFixture fx;
    fx.writeIni(iniWith("Transparency=1\nTransparencyValue=150\n", 1));
    TF_CheckerWindow &w = fx.start();
    stopTimers(w);
    TCheckerDesktop::install(w);
    if (!w.Options.ForceTransparency)
        QSKIP("no per-window opacity on this platform");
    w.AlwaysonTop1->trigger();
    QVERIFY(!(w.windowFlags() & Qt::WindowStaysOnTopHint));
    QVERIFY(std::abs(alpha(w) - 150) <= 1.0);
    w.AlwaysonTop1->trigger();
    QVERIFY(std::abs(alpha(w) - 150) <= 1.0);
}

QTEST_MAIN(TestCheckerDesktop)
#include "tst_checkerdesktop.moc"
