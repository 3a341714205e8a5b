// Accounts check side by side in the engine alone: a stalled server or an open password
// question holds only its own account, a check lands on its own account wherever that moves,
// and the exit ends every waiting check.
#include "EngineFixture.h"

#include "fakes/ScriptedUserPrompts.h"
#include "fixtures/Dovecot.h"
#include "fixtures/ScriptServer.h"

#include <QSignalSpy>
#include <QtTest>

class TestCheckEngine : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QString why;
        QVERIFY2(Dovecot::load(&why), qPrintable(why));
    }
    void silentServerHoldsOnlyItsAccount_data();
    void silentServerHoldsOnlyItsAccount();
    void passwordQuestionHoldsOnlyItsAccount();
    void movedAccountKeepsItsCheck();
    void exitEndsWaitingChecks();

private:
    // One account section; `host` empty means a fresh Dovecot user with one message.
    static QByteArray account(int n, const QByteArray &host = {}, const QByteArray &extra = {});
};

QByteArray TestCheckEngine::account(int n, const QByteArray &host, const QByteArray &extra)
{
    QByteArray where = host, user = "nobody", password = "x";
    if (where.isEmpty()) {
        const Dovecot::User u = Dovecot::addUser("engine");
        Dovecot::deliver(u, {Dovecot::message("Subject: hello")});
        where = "127.0.0.1:" + QByteArray::number(Dovecot::plainPort());
        user = u.name;
        password = u.password;
    }
    return "[" + QByteArray::number(n) + "]\r\nName=acct" + QByteArray::number(n) + "\r\nHost=" + where +
           "\r\nUserID=" + user + "\r\nPassword=" + TIniFile::encodeStoredPassword(password) +
           "\r\nSecurity=none\r\nActive=1\r\nTimer=3600000\r\n" + extra;
}

namespace {
QByteArray silentHost(const ScriptServer &server)
{
    return "127.0.0.1:" + QByteArray::number(server.port());
}
} // namespace

void TestCheckEngine::silentServerHoldsOnlyItsAccount_data()
{
    QTest::addColumn<int>("silentSlot");
    QTest::newRow("silent first") << 1;
    QTest::newRow("silent last") << 5;
}

void TestCheckEngine::silentServerHoldsOnlyItsAccount()
{
    QFETCH(int, silentSlot);
    ScriptServer silent;
    QVERIFY(silent.setScript("S: +OK ready\nHOLD\n"));
    QVERIFY(silent.listen());
    EngineFixture fx;
    QByteArray ini = "[Main]\r\nECount=5\r\n";
    for (int n = 1; n <= 5; ++n)
        ini += account(n, n == silentSlot ? silentHost(silent) : QByteArray());
    fx.writeIni(ini);
    TCheckEngine &engine = fx.start();
    QSignalSpy finished(&engine, &TCheckEngine::checkFinished);

    engine.scheduleActive();
    // The silent server's time-out is a minute: every other account is done long before.
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 4, 15000);
    for (int n = 1; n <= 5; ++n) {
        if (n == silentSlot)
            continue;
        QCOMPARE(engine.Accounts.data(n).MailCount, 1);
        QCOMPARE(engine.Accounts.data(n).LastError, QString());
        QVERIFY(!engine.Accounts.data(n).Busy);
    }
    for (const QList<QVariant> &args : std::as_const(finished))
        QCOMPARE(args.at(1).toBool(), false);
    QVERIFY(engine.Accounts.data(silentSlot).Busy);
}

void TestCheckEngine::passwordQuestionHoldsOnlyItsAccount()
{
    EngineFixture fx;
    const Dovecot::User asked = Dovecot::addUser("asked");
    Dovecot::deliver(asked, {Dovecot::message("Subject: a"), Dovecot::message("Subject: b")});
    fx.writeIni("[Main]\r\nECount=2\r\n" + account(1, {}, "SavePwd=0\r\n") + account(2));
    TCheckEngine &engine = fx.start();
    // Account 1 keeps no password: its check must ask for it.
    engine.Accounts.data(1).Password.clear();
    engine.Accounts.data(1).UserID = asked.name;
    ScriptedUserPrompts prompts;
    prompts.holdPasswords();
    prompts.answerText(QString::fromUtf8(asked.password));

    engine.startCheck(1);
    engine.startCheck(2);
    QTRY_VERIFY_WITH_TIMEOUT(!engine.Accounts.data(2).Busy, 15000);
    QCOMPARE(engine.Accounts.data(2).MailCount, 1);
    QVERIFY(engine.Accounts.data(1).Busy);

    prompts.releasePasswords();
    QTRY_VERIFY_WITH_TIMEOUT(!engine.Accounts.data(1).Busy, 15000);
    QCOMPARE(engine.Accounts.data(1).LastError, QString());
    QCOMPARE(engine.Accounts.data(1).MailCount, 2);
    QCOMPARE(prompts.asked().size(), 1);
    QCOMPARE(prompts.asked().constFirst().text, QStringLiteral("Password at acct1:"));
}

void TestCheckEngine::movedAccountKeepsItsCheck()
{
    // The second account's server greets and then holds. While its check waits, the first
    // account is deleted: the second moves into slot 1, and its check's end lands there.
    ScriptServer silent;
    QVERIFY(silent.setScript("S: +OK ready\nC: USER nobody\nHOLD\n"));
    QVERIFY(silent.listen());
    EngineFixture fx;
    fx.writeIni("[Main]\r\nECount=2\r\n" + account(1, "127.0.0.1:1") + account(2, silentHost(silent)));
    TCheckEngine &engine = fx.start();
    QSignalSpy finished(&engine, &TCheckEngine::checkFinished);

    engine.startCheck(2);
    QTRY_VERIFY_WITH_TIMEOUT(silent.connectionCount() == 1 && !silent.received().isEmpty(), 15000);
    engine.deleteAccount(1);

    // The deletion resets every connection, so the moved account's check ends as failed.
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 15000);
    QCOMPARE(finished.at(0).at(0).toInt(), 1);
    QCOMPARE(finished.at(0).at(1).toBool(), true);
    QCOMPARE(engine.Accounts.AccountCount, 1);
    QCOMPARE(engine.Accounts.data(1).Name, QByteArray("acct2"));
    QVERIFY(!engine.Accounts.data(1).LastError.isEmpty());
    QVERIFY(!engine.Accounts.data(1).Busy);
}

void TestCheckEngine::exitEndsWaitingChecks()
{
    ScriptServer silent;
    QVERIFY(silent.setScript("S: +OK ready\nHOLD\n"));
    QVERIFY(silent.listen());
    EngineFixture fx;
    QByteArray ini = "[Main]\r\nECount=3\r\n";
    for (int n = 1; n <= 3; ++n)
        ini += account(n, silentHost(silent));
    fx.writeIni(ini);
    TCheckEngine &engine = fx.start();
    QSignalSpy finished(&engine, &TCheckEngine::checkFinished);
    engine.scheduleActive();
    QTRY_COMPARE_WITH_TIMEOUT(silent.connectionCount(), 3, 15000);

    engine.shutdown();
    // Every waiting check unwinds: the server sees each connection closed, and none of them
    // reports a result after the exit.
    QTRY_COMPARE_WITH_TIMEOUT(silent.closedCount(), 3, 5000);
    QVERIFY(finished.isEmpty());
    for (int n = 1; n <= 3; ++n)
        QVERIFY(!engine.Accounts.slot(n).Pop3);
}

QTEST_GUILESS_MAIN(TestCheckEngine)
#include "tst_checkengine.moc"
