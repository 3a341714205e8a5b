// When checks run: per-account timers, the check commands, the online switch, blinking.
// A scripted server on loopback counts the logins; no test sleeps.
#include "fixtures/SyncWait.h"
#include "CheckerFixture.h"
#include "FakeTray.h"

#include "core/ui/TCheckerField.h"
#include "fakes/FakeDesktop.h"
#include "fixtures/ScriptServer.h"
#include "mail/TMailSummary.h"
#include "net/TNMPOP3.h"

#include <QAction>
#include <QPushButton>
#include <QtTest>

class TestCheckScheduling : public QObject
{
    Q_OBJECT
private slots:
    void timersRearmWithAccountPeriods();
    void inactiveAccountWithQueuedDeletionsOnce();
    void checkAllWhileOffline();
    void goingOfflineDuringCheck();
    void networkLostDuringCheck();
    void blinkingInStep();
    void guards();
    void droppedSlotTimerStops();
};

namespace {
const QByteArray quickSession = "S: +OK ready\nC: USER u\nS: +OK\nC: PASS p\nS: +OK\nC: STAT\nS: +OK 0 0\n"
                                "C: QUIT\nS: +OK bye\n";

QByteArray accounts(quint16 port, const QList<QByteArray> &perAccount, const QByteArray &main = {})
{
    QByteArray ini = "[Main]\nECount=" + QByteArray::number(perAccount.size()) + "\n" + main;
    for (int n = 1; n <= perAccount.size(); ++n)
        ini += "[" + QByteArray::number(n) + "]\nName=a" + QByteArray::number(n) + "\nHost=127.0.0.1:" +
               QByteArray::number(port) + "\nUserID=u\nPassword=" + TIniFile::encodeStoredPassword("p") +
               "\nSecurity=none\n" + perAccount.at(n - 1);
    return ini;
}
} // namespace

void TestCheckScheduling::timersRearmWithAccountPeriods()
{
    ScriptServer server;
    QVERIFY(server.setScript(quickSession));
    QVERIFY(server.listen());
    CheckerFixture fx;
    fx.writeIni(accounts(server.port(), {"Active=1\nTimer=400\n", "Active=1\nTimer=400\n"}));
    TF_CheckerWindow &w = fx.start();
    QCOMPARE(w.Accounts.slot(1).CheckTimer->interval(), 1000);
    // The first ticks come about a second after start; each re-arms with Timer + 10 x n.
    QTRY_COMPARE_WITH_TIMEOUT(server.completedCount(), 2, 5000);
    QCOMPARE(w.Accounts.slot(1).CheckTimer->interval(), 410);
    QCOMPARE(w.Accounts.slot(2).CheckTimer->interval(), 420);
    // A coarse timer would round 410 and 420 to the same tick.
    QCOMPARE(w.Accounts.slot(2).CheckTimer->timerType(), Qt::PreciseTimer);
    QTRY_VERIFY_WITH_TIMEOUT(server.completedCount() >= 6, 5000);
    QCOMPARE(w.EShowVar(2)->text(), QStringLiteral("0"));
    QVERIFY(server.errors().isEmpty());
}

void TestCheckScheduling::inactiveAccountWithQueuedDeletionsOnce()
{
    ScriptServer server;
    QVERIFY(server.setScript(quickSession));
    QVERIFY(server.listen());
    CheckerFixture fx;
    fx.writeIni(accounts(server.port(), {"Active=0\nTimer=300\n"}));
    TF_CheckerWindow &w = fx.start();
    w.Accounts.slot(1).MailSummary->queueDeletion("id\r\n");
    // As the mail list window does: the next tick comes soon and carries the deletions.
    w.Accounts.slot(1).CheckTimer->start(50);
    QTRY_COMPARE_WITH_TIMEOUT(server.completedCount(), 1, 5000);
    QVERIFY(w.Accounts.slot(1).MailSummary->Pending.isEmpty());
    // Several more periods pass with no contact.
    QSignalSpy ticks(w.Accounts.slot(1).CheckTimer, &QTimer::timeout);
    QTRY_VERIFY_WITH_TIMEOUT(ticks.size() >= 3, 5000);
    QCOMPARE(server.connectionCount(), 1);
}

void TestCheckScheduling::checkAllWhileOffline()
{
    ScriptServer server;
    QVERIFY(server.setScript(quickSession));
    QVERIFY(server.listen());
    CheckerFixture fx;
    fx.writeIni(accounts(server.port(), {"Active=1\n", "Active=0\n", "Active=1\n"},
                         "on/offline=off\nCheckAllWhenGoingOnline=1\n"));
    TF_CheckerWindow &w = fx.start();
    QVERIFY(!w.isOnline());

    // The hidden "C" button schedules but does not go online: the cycles do nothing.
    w.findChild<QPushButton *>(QStringLiteral("Button_C"))->click();
    QCOMPARE(w.Accounts.slot(1).CheckTimer->interval(), 10);
    QCOMPARE(w.Accounts.slot(3).CheckTimer->interval(), 30);
    QCOMPARE(w.Accounts.slot(2).CheckTimer->interval(), 1000);
    QSignalSpy tick3(w.Accounts.slot(3).CheckTimer, &QTimer::timeout);
    QVERIFY(tick3.wait(2000));
    QCOMPARE(server.connectionCount(), 0);

    // "Check all" goes online first, then the active accounts 10 ms apart.
    w.Checkall1->trigger();
    QVERIFY(w.isOnline());
    QCOMPARE(w.online1->text(), QStringLiteral("Go Offline"));
    QCOMPARE(w.Accounts.slot(1).CheckTimer->interval(), 10);
    QCOMPARE(w.Accounts.slot(3).CheckTimer->interval(), 30);
    // Going online set the inactive account's timer to 1 ms; it ticks but contacts nobody.
    QCOMPARE(w.Accounts.slot(2).CheckTimer->interval(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(server.completedCount(), 2, 5000);
    QVERIFY(w.EShowVar(2)->text().isEmpty());
}

void TestCheckScheduling::goingOfflineDuringCheck()
{
    ScriptServer server;
    QVERIFY(server.setScript("S: +OK ready\nC: USER u\nHOLD\n"));
    QVERIFY(server.listen());
    CheckerFixture fx;
    fx.writeIni(accounts(server.port(), {"Active=1\n"}));
    TF_CheckerWindow &w = fx.start();
    FakeTray tray;
    w.setTrayIcon(&tray);
    w.Accounts.slot(1).CheckTimer->stop();
    // The switch comes from the event loop while the check waits for the silent server: as soon
    // as the server has seen the login begin.
    bool busyThen = false, blinkingThen = false;
    QTimer watch;
    watch.setInterval(20);
    QObject::connect(&watch, &QTimer::timeout, &w, [&] {
        if (!server.received().contains("USER u"))
            return;
        watch.stop();
        busyThen = w.Accounts.data(1).Busy;
        blinkingThen = w.blinkTimer()->isActive();
        w.online1->trigger();
    });
    watch.start();
    w.checkNow(1);
    QTRY_VERIFY_WITH_TIMEOUT(busyThen, 10000);
    QVERIFY(blinkingThen);
    QVERIFY(!w.isOnline());
    QVERIFY(!w.Accounts.data(1).Busy);
    QCOMPARE(w.EShowVar(1)->colorValue(), w.Colors.Error);
    QCOMPARE(tray.still, 2);
    QVERIFY(!tray.cycling);
    QVERIFY(!w.blinkTimer()->isActive());
    QVERIFY(w.EShowVar(1)->text().isEmpty());
}

void TestCheckScheduling::networkLostDuringCheck()
{
    ScriptServer server;
    QVERIFY(server.setScript("S: +OK ready\nC: USER u\nHOLD\n"));
    QVERIFY(server.listen());
    CheckerFixture fx;
    fx.writeIni(accounts(server.port(), {"Active=1\n"}));
    TF_CheckerWindow &w = fx.start();
    FakeTray tray;
    w.setTrayIcon(&tray);
    w.Accounts.slot(1).CheckTimer->stop();
    FakeNetworkStatus network;
    w.engine().followNetwork(&network);

    w.checkNow(1);
    QTRY_VERIFY_WITH_TIMEOUT(server.received().contains("USER u"), 10000);
    QVERIFY(w.blinkTimer()->isActive());
    network.setReachable(false);
    // Not the error colour: the field is as before the check, and says why nothing happens.
    QVERIFY(!w.Accounts.data(1).Busy);
    QCOMPARE(w.EShowVar(1)->colorValue(), w.Colors.Active);
    QVERIFY(!w.blinkTimer()->isActive());
    QVERIFY(!tray.cycling);
    w.checkNow(1);
    QCOMPARE(w.EShowVar(1)->toolTip(), QStringLiteral("a1\nwaiting for the network"));
    QCOMPARE(w.EShowVar(1)->colorValue(), w.Colors.Active);
}

void TestCheckScheduling::blinkingInStep()
{
    CheckerFixture fx;
    fx.writeIni(accounts(1, {"Active=1\n", "Active=0\n", "Active=1\n"}));
    TF_CheckerWindow &w = fx.start();
    FakeTray tray;
    w.setTrayIcon(&tray);
    w.Accounts.data(1).Busy = true;
    w.Accounts.data(2).Busy = true;
    w.BlinkColor = w.Colors.Connected;
    w.Timer6Timer();
    // Active phase: the on-demand account shows Idle, the other busy one Active.
    QCOMPARE(w.BlinkColor, w.Colors.Active);
    QCOMPARE(w.EShowVar(1)->colorValue(), w.Colors.Active);
    QCOMPARE(w.EShowVar(2)->colorValue(), w.Colors.Idle);
    QVERIFY(tray.cycling);
    w.Timer6Timer();
    QCOMPARE(w.EShowVar(1)->colorValue(), w.Colors.Connected);
    QCOMPARE(w.EShowVar(2)->colorValue(), w.Colors.Connected);
    QCOMPARE(w.EShowVar(3)->colorValue(), w.Colors.Active); // not busy: untouched

    // With blinking off busy fields keep their colour.
    w.Options.Blinking = false;
    w.Timer6Timer();
    QCOMPARE(w.EShowVar(1)->colorValue(), w.Colors.Connected);

    // Nothing busy: the tick stops the timer and the animation and shows "no mail".
    w.Accounts.data(1).Busy = w.Accounts.data(2).Busy = false;
    w.blinkTimer()->start();
    w.Timer6Timer();
    QVERIFY(!w.blinkTimer()->isActive());
    QVERIFY(!tray.cycling);
    QCOMPARE(tray.still, 0);
}

void TestCheckScheduling::guards()
{
    ScriptServer server;
    QVERIFY(server.setScript(quickSession));
    QVERIFY(server.listen());
    CheckerFixture fx;
    // Going online again must not start checks of its own here: only the commands below do.
    fx.writeIni(accounts(server.port(), {"Active=1\n", "Active=1\n"}, "CheckAllWhenGoingOnline=0\n"));
    TF_CheckerWindow &w = fx.start();
    w.Accounts.data(2).Host = "127.0.0.1:";
    for (int n = 1; n <= 2; ++n)
        w.Accounts.slot(n).CheckTimer->stop();

    // An empty port fails the set-up without any traffic.
    w.checkNow(2);
    QCOMPARE(w.EShowVar(2)->colorValue(), w.Colors.Error);
    QVERIFY(!w.Accounts.data(2).Busy);
    // A busy account and an offline program are left alone.
    w.Accounts.data(1).Busy = true;
    syncWait(w.checkmail(1, w.Accounts.slot(1).Pop3));
    w.Accounts.data(1).Busy = false;
    w.online1->trigger();
    syncWait(w.checkmail(1, w.Accounts.slot(1).Pop3));
    QCOMPARE(server.connectionCount(), 0);
    // Host and port come from "host:port"; a host without one is asked on 110.
    w.checkNow(1);
    QTRY_COMPARE_WITH_TIMEOUT(server.completedCount(), 1, 10000);
    QCOMPARE(w.Accounts.slot(1).Pop3->Port, int(server.port()));
    QCOMPARE(w.Accounts.slot(1).Pop3->Host, QStringLiteral("127.0.0.1"));

    // After the exit has begun a tick stops its timer and starts nothing.
    w.Quitting = true;
    w.Accounts.slot(1).CheckTimer->start(5);
    QSignalSpy tick(w.Accounts.slot(1).CheckTimer, &QTimer::timeout);
    QVERIFY(tick.wait(2000));
    QVERIFY(!w.Accounts.slot(1).CheckTimer->isActive());
    QCOMPARE(server.connectionCount(), 1);
}

void TestCheckScheduling::droppedSlotTimerStops()
{
    CheckerFixture fx;
    fx.writeIni(accounts(1, {"Active=0\n", "Active=0\n"}));
    TF_CheckerWindow &w = fx.start();
    QTimer *second = w.Accounts.slot(2).CheckTimer;
    w.Accounts.removeAccountData(2);
    w.fieldSlot(2).Field->hide();
    w.E_Setlengths();
    second->start(5);
    QSignalSpy tick(second, &QTimer::timeout);
    QVERIFY(tick.wait(2000));
    QVERIFY(!second->isActive());
    // A new account in that slot gets its timer back.
    ++w.Accounts.AccountCount;
    w.E_Setlengths();
    QVERIFY(second->isActive());
}

QTEST_MAIN(TestCheckScheduling)
#include "tst_checkscheduling.moc"
