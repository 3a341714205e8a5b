// The engine and the desktop around it: checks wait for the network and end quietly when it
// goes or the machine sleeps, one check per account follows its return or the waking, and new
// mail is told by sender and subject, the first check of a run by its count only.
#include "EngineFixture.h"
#include "fixtures/SyncWait.h"

#include "core/TMailNotices.h"
#include "fakes/FakeDesktop.h"
#include "fixtures/Dovecot.h"
#include "fixtures/ScriptServer.h"
#include "mail/TMailSummary.h"

#include <QSignalSpy>
#include <QtTest>

class TestCheckDesktop : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QString why;
        QVERIFY2(Dovecot::load(&why), qPrintable(why));
    }
    void networkLostBetweenChecks();
    void networkBackChecksEachActiveAccountOnce();
    void offlineWinsOverTheNetwork();
    void quietEndDuringACheck_data();
    void quietEndDuringACheck();
    void wakingChecksOnceTheNetworkIsThere();
    void notificationText_data();
    void notificationText();
    void newMailByUniqueId();

private:
    static QByteArray account(int n, const QByteArray &host, const QByteArray &user = "nobody",
                              const QByteArray &password = "x", bool active = true);
    static QByteArray dovecotAccount(int n, bool active = true, Dovecot::User *made = nullptr);
};

QByteArray TestCheckDesktop::account(int n, const QByteArray &host, const QByteArray &user, const QByteArray &password,
                                     bool active)
{
    return "[" + QByteArray::number(n) + "]\r\nName=acct" + QByteArray::number(n) + "\r\nHost=" + host +
           "\r\nUserID=" + user + "\r\nPassword=" + TIniFile::encodeStoredPassword(password) +
           "\r\nSecurity=none\r\nTimer=3600000\r\nActive=" + (active ? "1" : "0") + "\r\n";
}

QByteArray TestCheckDesktop::dovecotAccount(int n, bool active, Dovecot::User *made)
{
    const Dovecot::User u = Dovecot::addUser("desk");
    Dovecot::deliver(u, {Dovecot::message("Subject: hello")});
    if (made)
        *made = u;
    return account(n, "127.0.0.1:" + QByteArray::number(Dovecot::plainPort()), u.name, u.password, active);
}

namespace {
QByteArray silentHost(const ScriptServer &server)
{
    return "127.0.0.1:" + QByteArray::number(server.port());
}
} // namespace

void TestCheckDesktop::networkLostBetweenChecks()
{
    ScriptServer server;
    QVERIFY(server.setScript("S: +OK ready\nHOLD\n"));
    QVERIFY(server.listen());
    EngineFixture fx;
    fx.writeIni("[Main]\r\nECount=1\r\n" + account(1, silentHost(server)));
    TCheckEngine &engine = fx.start();
    FakeNetworkStatus network;
    engine.followNetwork(&network);
    QSignalSpy failed(&engine, &TCheckEngine::accountFailed);
    QSignalSpy quiet(&engine, &TCheckEngine::checkQuietlyEnded);

    network.setReachable(false);
    engine.startCheck(1);
    QCOMPARE(quiet.size(), 1);
    QVERIFY(engine.Accounts.data(1).WaitingForNetwork);
    QVERIFY(!engine.Accounts.data(1).Busy);
    QVERIFY(failed.isEmpty());
    QCOMPARE(engine.Accounts.data(1).LastError, QString());
    QCOMPARE(server.connectionCount(), 0);

    // Without "FollowNetwork" the designed behaviour holds: the check goes out.
    engine.Options.FollowNetwork = false;
    engine.startCheck(1);
    QVERIFY(engine.Accounts.data(1).Busy);
    QVERIFY(!engine.Accounts.data(1).WaitingForNetwork);
    QTRY_COMPARE_WITH_TIMEOUT(server.connectionCount(), 1, 15000);
}

void TestCheckDesktop::networkBackChecksEachActiveAccountOnce()
{
    EngineFixture fx;
    fx.writeIni("[Main]\r\nECount=3\r\n" + dovecotAccount(1) + dovecotAccount(2, false) + dovecotAccount(3));
    TCheckEngine &engine = fx.start();
    FakeNetworkStatus network;
    network.setReachable(false);
    engine.followNetwork(&network);
    QSignalSpy finished(&engine, &TCheckEngine::checkFinished);

    network.setReachable(true);
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 2, 15000);
    // A second "back" without a loss in between is no news.
    network.setReachable(true);
    QTRY_VERIFY_WITH_TIMEOUT(!engine.Accounts.anyBusy(), 15000);
    QCOMPARE(finished.size(), 2);
    QCOMPARE(finished.at(0).at(0).toInt() + finished.at(1).at(0).toInt(), 1 + 3);
    QCOMPARE(engine.Accounts.data(1).MailCount, 1);
    QCOMPARE(engine.Accounts.data(3).MailCount, 1);
    QCOMPARE(engine.Accounts.data(2).MailCount, 0);
    // The timers resume at each account's period.
    QVERIFY(engine.Accounts.slot(1).CheckTimer->isActive());
    QVERIFY(engine.Accounts.slot(1).CheckTimer->remainingTime() > 60000);
}

void TestCheckDesktop::offlineWinsOverTheNetwork()
{
    EngineFixture fx;
    fx.writeIni("[Main]\r\nECount=1\r\n" + account(1, "127.0.0.1:1"));
    TCheckEngine &engine = fx.start();
    FakeNetworkStatus network;
    engine.followNetwork(&network);
    FakeSleepWatch sleep;
    engine.followSleep(&sleep);
    engine.Options.CheckAllWhenGoingOnline = false;
    engine.setOnline(false);

    network.setReachable(false);
    network.setReachable(true);
    emit sleep.aboutToSleep();
    emit sleep.resumed();
    QVERIFY(!engine.Accounts.slot(1).CheckTimer->isActive());
    QVERIFY(!engine.isOnline());
}

void TestCheckDesktop::quietEndDuringACheck_data()
{
    QTest::addColumn<bool>("sleep"); // else the network goes
    QTest::newRow("network lost") << false;
    QTest::newRow("going to sleep") << true;
}

void TestCheckDesktop::quietEndDuringACheck()
{
    QFETCH(bool, sleep);
    ScriptServer server;
    QVERIFY(server.setScript("S: +OK ready\nC: USER nobody\nHOLD\n"));
    QVERIFY(server.listen());
    EngineFixture fx;
    fx.writeIni("[Main]\r\nECount=1\r\n" + account(1, silentHost(server)));
    TCheckEngine &engine = fx.start();
    engine.Accounts.data(1).MailCount = 4;
    FakeNetworkStatus network;
    engine.followNetwork(&network);
    FakeSleepWatch watch;
    engine.followSleep(&watch);
    QSignalSpy failed(&engine, &TCheckEngine::accountFailed);
    QSignalSpy finished(&engine, &TCheckEngine::checkFinished);
    QSignalSpy quiet(&engine, &TCheckEngine::checkQuietlyEnded);

    engine.startCheck(1);
    QTRY_VERIFY_WITH_TIMEOUT(!server.received().isEmpty(), 15000);
    if (sleep)
        emit watch.aboutToSleep();
    else
        network.setReachable(false);

    QCOMPARE(quiet.size(), 1);
    QVERIFY(!engine.Accounts.data(1).Busy);
    QTRY_COMPARE_WITH_TIMEOUT(server.closedCount(), 1, 5000);
    // The woken wait unwinds without a word: no failure, no result, the count as it was.
    QTRY_VERIFY_WITH_TIMEOUT(!engine.Accounts.slot(1).Pop3->Connected(), 5000);
    QCoreApplication::processEvents();
    QVERIFY(failed.isEmpty());
    QVERIFY(finished.isEmpty());
    QCOMPARE(engine.Accounts.data(1).LastError, QString());
    QCOMPARE(engine.Accounts.data(1).MailCount, 4);
}

void TestCheckDesktop::wakingChecksOnceTheNetworkIsThere()
{
    EngineFixture fx;
    fx.writeIni("[Main]\r\nECount=2\r\n" + dovecotAccount(1) + dovecotAccount(2));
    TCheckEngine &engine = fx.start();
    FakeNetworkStatus network;
    engine.followNetwork(&network);
    FakeSleepWatch watch;
    engine.followSleep(&watch);
    QSignalSpy finished(&engine, &TCheckEngine::checkFinished);

    // Awake without the network: nothing yet; the network's return brings one check each.
    emit watch.aboutToSleep();
    network.setReachable(false);
    emit watch.resumed();
    QVERIFY(!engine.Accounts.slot(1).CheckTimer->isActive());
    network.setReachable(true);
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 2, 15000);

    // Awake with the network: one check each at once.
    emit watch.aboutToSleep();
    emit watch.resumed();
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 4, 15000);
    QTRY_VERIFY_WITH_TIMEOUT(!engine.Accounts.anyBusy(), 15000);
    QCOMPARE(finished.size(), 4);

    // Without "CheckAfterResume" sleeping and waking change nothing.
    engine.Options.CheckAfterResume = false;
    emit watch.aboutToSleep();
    emit watch.resumed();
    QVERIFY(!engine.Accounts.slot(1).CheckTimer->isActive() ||
            engine.Accounts.slot(1).CheckTimer->remainingTime() > 60000);
}

void TestCheckDesktop::notificationText_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("body");
    const QString first = QStringLiteral("Jörg Meier: Grüße aus Köln");
    QTest::newRow("one") << 1 << first;
    QTest::newRow("three") << 3 << first + QStringLiteral("\nann@example.org: Offer 2\nBob: (no subject)");
    QTest::newRow("seven") << 7
                           << first + QStringLiteral("\nann@example.org: Offer 2\nBob: (no subject)\nand 4 more");
}

void TestCheckDesktop::notificationText()
{
    QFETCH(int, count);
    QFETCH(QString, body);
    TNewMail mail;
    mail.Account = QStringLiteral("Home");
    const QList<std::pair<QString, QString>> messages{
        {QStringLiteral("\"Jörg Meier\" <joerg@example.org>"), QStringLiteral("Grüße aus Köln")},
        {QStringLiteral("<ann@example.org>"), QStringLiteral("Offer 2")},
        {QStringLiteral("Bob <bob@example.org>"), QString()},
        {QStringLiteral("x"), QStringLiteral("4")},
        {QStringLiteral("x"), QStringLiteral("5")},
        {QStringLiteral("x"), QStringLiteral("6")},
        {QStringLiteral("x"), QStringLiteral("7")},
    };
    mail.Messages = messages.mid(0, count);
    mail.Count = count;
    QCOMPARE(TMailNotices::text(mail), std::make_pair(QStringLiteral("Home"), body));

    mail.CountOnly = true;
    QCOMPARE(TMailNotices::text(mail).second,
             count == 1 ? QStringLiteral("1 new message") : QStringLiteral("%1 new messages").arg(count));
}

void TestCheckDesktop::newMailByUniqueId()
{
    EngineFixture fx;
    Dovecot::User user;
    fx.writeIni("[Main]\r\nECount=1\r\nNotify=1\r\n" + dovecotAccount(1, true, &user));
    TCheckEngine &engine = fx.start();
    RecordingNotifier notifier;
    TMailNotices notices(engine, notifier);
    QSignalSpy open(&notices, &TMailNotices::openMailList);

    // The first check of the run: the count only, never the whole box.
    syncWait(engine.checkmail(1, engine.Accounts.slot(1).Pop3));
    QCOMPARE(notifier.shown.size(), 1);
    QCOMPARE(notifier.shown.at(0).title, QStringLiteral("acct1"));
    QCOMPARE(notifier.shown.at(0).body, QStringLiteral("1 new message"));

    // Nothing new: nothing told.
    syncWait(engine.checkmail(1, engine.Accounts.slot(1).Pop3));
    QCOMPARE(notifier.shown.size(), 1);

    // Seven arrive: only the new ones count, the first three named by their decoded headers.
    QList<QByteArray> batch;
    batch << Dovecot::message("From: =?utf-8?q?J=C3=B6rg?= <j@example.org>\r\nSubject: =?iso-8859-1?q?Gr=FC=DFe?=")
          << Dovecot::message("From: ann@example.org\r\nSubject: =?utf-8?b?U2Vjb25k?=")
          << Dovecot::message("From: \"Bob B.\" <b@example.org>\r\nSubject: Third");
    for (int k = 4; k <= 7; ++k)
        batch << Dovecot::message("From: x@example.org\r\nSubject: n" + QByteArray::number(k));
    Dovecot::deliver(user, batch);
    syncWait(engine.checkmail(1, engine.Accounts.slot(1).Pop3));
    QCOMPARE(notifier.shown.size(), 2);
    QCOMPARE(notifier.shown.at(1).key, engine.Accounts.data(1).Serial);
    QCOMPARE(notifier.shown.at(1).body,
             QStringLiteral("Jörg: Grüße\nann@example.org: Second\nBob B.: Third\nand 4 more"));

    // Clicking asks for the account's mail list; with "Notify" off nothing is shown.
    emit notifier.activated(engine.Accounts.data(1).Serial);
    QCOMPARE(open.size(), 1);
    QCOMPARE(open.at(0).at(0).toInt(), 1);
    engine.Options.Notify = false;
    Dovecot::deliver(user, {Dovecot::message("Subject: third")});
    syncWait(engine.checkmail(1, engine.Accounts.slot(1).Pop3));
    QCOMPARE(notifier.shown.size(), 2);
}

QTEST_GUILESS_MAIN(TestCheckDesktop)
#include "tst_checkdesktop.moc"
