// The desktop's services as the program meets them, each faked on a private bus that this
// process uses as its system and session bus: reachability from the NetworkManager backend,
// the login manager's sleep announcements, and notifications that replace each other, arrive
// escaped, report their clicks and fall back where no service runs. The engine follows the
// first two.
#include "core/TCheckEngine.h"
#include "fixtures/FakeDesktopServices.h"
#include "fixtures/PrivateBus.h"
#include "fixtures/ServiceThread.h"
#include "platform/DesktopNotifier.h"
#include "platform/NetworkStatus.h"
#include "platform/SleepWatch.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {
constexpr int WaitMs = 10000;
} // namespace

class TestDesktopBus : public QObject
{
    Q_OBJECT
    PrivateBus m_bus;

private slots:
    void initTestCase()
    {
        // Before anything opens the process's buses: they are bound once, at their first use.
        QString why;
        QVERIFY2(m_bus.start(&why), qPrintable(why));
        m_bus.useAsSystemAndSessionBus();
    }
    void notifierFallsBackWithoutService();
    void notificationsReplaceAndReportClicks();
    void engineFollowsNetworkAndSleep();
};

void TestDesktopBus::notifierFallsBackWithoutService()
{
    QStringList fallback;
    std::unique_ptr<DesktopNotifier> notifier(DesktopNotifier::create(
        nullptr, [&](const QString &title, const QString &body) { fallback << title + '|' + body; }));
    notifier->show(1, QStringLiteral("Home"), QStringLiteral("1 new message"));
    QTRY_COMPARE_WITH_TIMEOUT(fallback, QStringList{QStringLiteral("Home|1 new message")}, WaitMs);
}

void TestDesktopBus::notificationsReplaceAndReportClicks()
{
    ServiceThread services;
    auto *server = services.create<FakeNotifications>(m_bus.connect(QStringLiteral("notifications")));
    QVERIFY2(server->isRegistered(), qPrintable(server->error()));
    int fallbacks = 0;
    std::unique_ptr<DesktopNotifier> notifier(
        DesktopNotifier::create(nullptr, [&](const QString &, const QString &) { ++fallbacks; }));
    QVERIFY(PrivateBus::sync(QDBusConnection::sessionBus()));
    QSignalSpy activated(notifier.get(), &DesktopNotifier::activated);

    // The same account's next notification replaces its last, even when it comes before the
    // service has answered the first; another account gets its own.
    notifier->show(7, QStringLiteral("Home"), QStringLiteral("Ann: <b>Offer</b> & more"));
    notifier->show(7, QStringLiteral("Home"), QStringLiteral("Bob: Hello"));
    notifier->show(9, QStringLiteral("Work"), QStringLiteral("2 new messages"));
    QTRY_COMPARE_WITH_TIMEOUT(server->notifications().size(), 3, WaitMs);
    const FakeNotifications::Notification first = server->notifications().at(0);
    QCOMPARE(first.appName, QStringLiteral("Vorlo"));
    QCOMPARE(first.replacesId, 0u);
    QCOMPARE(first.summary, QStringLiteral("Home"));
    // Header text never becomes markup.
    QCOMPARE(first.body, QStringLiteral("Ann: &lt;b&gt;Offer&lt;/b&gt; &amp; more"));
    QVERIFY(first.actions.contains(QStringLiteral("default")));
    // The other account's went out at once; the second of account 7 once the first had its id.
    QCOMPARE(server->notifications().at(1).summary, QStringLiteral("Work"));
    QCOMPARE(server->notifications().at(1).replacesId, 0u);
    QCOMPARE(server->notifications().at(2).body, QStringLiteral("Bob: Hello"));
    QCOMPARE(server->notifications().at(2).replacesId, first.id);

    server->invokeAction(server->notifications().at(1).id, QStringLiteral("default"));
    QVERIFY(activated.wait(WaitMs));
    QCOMPARE(activated.at(0).at(0).toULongLong(), 9u);
    QCOMPARE(fallbacks, 0);
}

void TestDesktopBus::engineFollowsNetworkAndSleep()
{
    ServiceThread services;
    auto *nm = services.create<FakeNetworkManager>(m_bus.connect(QStringLiteral("nm")));
    auto *login = services.create<FakeLogin1>(m_bus.connect(QStringLiteral("login1")));
    QVERIFY2(nm->isRegistered(), qPrintable(nm->error()));
    QVERIFY2(login->isRegistered(), qPrintable(login->error()));

    std::unique_ptr<NetworkStatus> network(NetworkStatus::create(nullptr, QStringLiteral("networkmanager")));
    std::unique_ptr<SleepWatch> sleep(SleepWatch::create(nullptr));
    QVERIFY(network->isKnown());
    QVERIFY(network->isReachable());
    QVERIFY(PrivateBus::sync(QDBusConnection::systemBus()));

    QTemporaryDir dir;
    TCheckEngine engine;
    engine.SettingsDir = dir.path();
    engine.Accounts.AccountCount = 1;
    engine.resizeAccounts();
    engine.Accounts.slot(1).CheckTimer->stop();
    engine.Accounts.data(1).Host = "127.0.0.1:1";
    engine.followNetwork(network.get());
    engine.followSleep(sleep.get());
    QSignalSpy sleeping(sleep.get(), &SleepWatch::aboutToSleep);
    QSignalSpy woken(sleep.get(), &SleepWatch::resumed);

    nm->setOnline(false);
    QTRY_VERIFY_WITH_TIMEOUT(engine.waitsForNetwork(), WaitMs);
    engine.startCheck(1);
    QVERIFY(engine.Accounts.data(1).WaitingForNetwork);
    nm->setOnline(true);
    QTRY_VERIFY_WITH_TIMEOUT(!engine.waitsForNetwork(), WaitMs);
    QVERIFY(!engine.Accounts.data(1).WaitingForNetwork);

    // Asleep, no check starts; awake, they do again.
    login->emitPrepareForSleep(true);
    QVERIFY(sleeping.wait(WaitMs));
    engine.startCheck(1);
    QVERIFY(engine.Accounts.data(1).WaitingForNetwork);
    QVERIFY(!engine.Accounts.data(1).Busy);
    login->emitPrepareForSleep(false);
    QVERIFY(woken.wait(WaitMs));
    QSignalSpy finished(&engine, &TCheckEngine::checkFinished);
    engine.startCheck(1);
    QVERIFY(!engine.Accounts.data(1).WaitingForNetwork);
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, WaitMs);
    engine.shutdown();
}

QTEST_GUILESS_MAIN(TestDesktopBus)
#include "tst_desktopbus.moc"
