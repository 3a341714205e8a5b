// Accounts check side by side: a server that greets and then says nothing holds only its own
// account, wherever it sits among the others, and the exit ends every waiting check at once.
#include "CheckerFixture.h"

#include "core/ui/TCheckerField.h"
#include "fixtures/Dovecot.h"
#include "fixtures/ScriptServer.h"

#include <QElapsedTimer>
#include <QtTest>

class TestCheckConcurrency : public QObject
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
    void exitEndsWaitingChecks();

private:
    // Five accounts, four on the test Dovecot (one message each) and one on `silent` at
    // slot `silentSlot`.
    TF_CheckerWindow &start(CheckerFixture &fx, const ScriptServer &silent, int silentSlot);
};

TF_CheckerWindow &TestCheckConcurrency::start(CheckerFixture &fx, const ScriptServer &silent, int silentSlot)
{
    QByteArray ini = "[Main]\r\nECount=5\r\nCheckAllWhenGoingOnline=0\r\n";
    for (int n = 1; n <= 5; ++n) {
        QByteArray host, user = "nobody", password = "x";
        if (n == silentSlot) {
            host = "127.0.0.1:" + QByteArray::number(silent.port());
        } else {
            const Dovecot::User u = Dovecot::addUser("conc");
            Dovecot::deliver(u, {Dovecot::message("Subject: hello")});
            host = "127.0.0.1:" + QByteArray::number(Dovecot::plainPort());
            user = u.name;
            password = u.password;
        }
        ini += "[" + QByteArray::number(n) + "]\r\nName=acct" + QByteArray::number(n) + "\r\nHost=" + host +
               "\r\nUserID=" + user + "\r\nPassword=" + TIniFile::encodeStoredPassword(password) +
               "\r\nSecurity=none\r\nActive=1\r\nTimer=3600000\r\n";
    }
    fx.writeIni(ini);
    TF_CheckerWindow &w = fx.start();
    for (int n = 1; n <= 5; ++n)
        w.Accounts.slot(n).CheckTimer->stop();
    return w;
}

void TestCheckConcurrency::silentServerHoldsOnlyItsAccount_data()
{
    QTest::addColumn<int>("silentSlot");
    QTest::newRow("silent first") << 1;
    QTest::newRow("silent last") << 5;
}

void TestCheckConcurrency::silentServerHoldsOnlyItsAccount()
{
    QFETCH(int, silentSlot);
    ScriptServer silent;
    QVERIFY(silent.setScript("S: +OK ready\nHOLD\n"));
    QVERIFY(silent.listen());
    CheckerFixture fx;
    TF_CheckerWindow &w = start(fx, silent, silentSlot);

    w.Button1Click(); // every active account's timer ticks within 50 ms
    // The silent server's time-out is a minute: every other account must be done long before.
    for (int n = 1; n <= 5; ++n) {
        if (n == silentSlot)
            continue;
        QTRY_COMPARE_WITH_TIMEOUT(w.EShowVar(n)->text(), QStringLiteral("1"), 15000);
        QVERIFY(!w.Accounts.data(n).Busy);
        QCOMPARE(w.Accounts.data(n).LastError, QString());
    }
    QVERIFY(w.Accounts.data(silentSlot).Busy);
}

void TestCheckConcurrency::exitEndsWaitingChecks()
{
    ScriptServer silent;
    QVERIFY(silent.setScript("S: +OK ready\nHOLD\n"));
    QVERIFY(silent.listen());
    CheckerFixture fx;
    TF_CheckerWindow &w = start(fx, silent, 3);
    w.Button1Click();
    QTRY_VERIFY_WITH_TIMEOUT(silent.connectionCount() == 1 && w.Accounts.data(3).Busy, 15000);

    w.Button3Click();
    // The waiting check unwinds: the silent server sees its connection closed.
    QTRY_COMPARE_WITH_TIMEOUT(silent.closedCount(), 1, 5000);
    QVERIFY(TIniFile(fx.iniPath()).sectionExists("5"));
}

QTEST_MAIN(TestCheckConcurrency)
#include "tst_checkconcurrency.moc"
