// What a check may do to a real mailbox, against the scripted server, on both wires (one
// command at a time and pipelined): a message whose id is not unique is never deleted,
// a deletion counts and is logged only once QUIT committed it, a refused listing fails the
// check at once, and counts a server makes up never grow the lists beyond what it sent.
#include "fixtures/SyncWait.h"
#include "EngineFixture.h"

#include "fixtures/ScriptServer.h"
#include "mail/TEventLog.h"
#include "mail/TMailSummary.h"

#include <QFile>
#include <QtTest>

namespace {

const QByteArray NoCapa = "S: -ERR unknown command\n";
const QByteArray Pipelining = "S: +OK\nS: TOP\nS: PIPELINING\nS: UIDL\nS: USER\nS: .\n";

QByteArray login(const QByteArray &capa, const QByteArray &count = "3")
{
    return "S: +OK ready\nC: CAPA\n" + capa + "C: USER joe\nS: +OK\nC: PASS secret\nS: +OK\nC: STAT\nS: +OK " + count +
           " 600\n";
}

const QByteArray Listing = "C: LIST\\x20\nS: +OK\nS: 1 100\nS: 2 2100\nS: 3 300\nS: .\n";

QByteArray header(int k)
{
    const QByteArray n = QByteArray::number(k);
    return "S: +OK\nS: Subject: mail " + n + "\nS: From: s" + n + "@example.org\nS:\nS: .\n";
}

// The reads of messages 1..3 with these ids, as each wire asks for them.
QByteArray reads(bool pipelined, const QByteArrayList &ids)
{
    QByteArray s;
    if (pipelined) {
        s += "C: UIDL\nS: +OK\n";
        for (int k = 1; k <= 3; ++k)
            s += "S: " + QByteArray::number(k) + ' ' + ids.at(k - 1) + '\n';
        s += "S: .\nC: TOP 1 0\nC: TOP 2 0\nC: TOP 3 0\n" + header(1) + header(2) + header(3);
        return s;
    }
    for (int k = 1; k <= 3; ++k) {
        const QByteArray n = QByteArray::number(k);
        s += "C: TOP " + n + " 0\n" + header(k) + "C: LIST " + n + "\nS: +OK " + n + " 100\nC: UIDL " + n + "\nS: +OK " +
             n + ' ' + ids.at(k - 1) + '\n';
    }
    return s;
}

const QByteArrayList UniqueIds{"id-1", "id-2", "id-3"};

} // namespace

class TestCheckTrust : public QObject
{
    Q_OBJECT
private slots:
    void deletions_data();
    void deletions();
    void quitUnansweredWithoutDeletions_data();
    void quitUnansweredWithoutDeletions();
    void refusedListing_data();
    void refusedListing();
    void madeUpCounts_data();
    void madeUpCounts();
    void deletedAccountKeepsItsResults();

private:
    // `mainKeys` go into [Main], `sections` after the account.
    TCheckEngine &startOn(EngineFixture &fx, const ScriptServer &server, const QByteArray &mainKeys = {},
                              const QByteArray &sections = {});
    static void check(TCheckEngine &w, int n = 1) { syncWait(w.checkmail(n, w.Accounts.slot(n).Pop3)); }
};

TCheckEngine &TestCheckTrust::startOn(EngineFixture &fx, const ScriptServer &server, const QByteArray &mainKeys,
                                          const QByteArray &sections)
{
    fx.writeIni("[Main]\r\nECount=1\r\nCheckAllWhenGoingOnline=0\r\n" + mainKeys + "[1]\r\nName=script\r\nHost=127.0.0.1:" +
                QByteArray::number(server.port()) + "\r\nUserID=joe\r\nPassword=" +
                TIniFile::encodeStoredPassword("secret") + "\r\nSecurity=auto\r\n" + sections);
    TCheckEngine &w = fx.start();
    w.Accounts.slot(1).CheckTimer->stop();
    return w;
}

void TestCheckTrust::deletions_data()
{
    QTest::addColumn<bool>("pipelined");
    QTest::addColumn<QByteArray>("filter");      // a "subject contains" rule, or none
    QTest::addColumn<QByteArray>("queued");      // an id queued from the mail list, or none
    QTest::addColumn<QByteArrayList>("ids");
    QTest::addColumn<QByteArray>("ending");      // what follows the reads
    QTest::addColumn<qint32>("count");           // the count shown after the check
    QTest::addColumn<int>("records");            // log records written
    QTest::addColumn<QByteArrayList>("pending"); // what stays queued for the next check

    const QByteArrayList sameIds{"same", "same", "id-3"};
    for (const bool pipelined : {false, true}) {
        const QByteArray wire = pipelined ? " (pipelined)" : " (one at a time)";
        QTest::newRow("committed deletion" + wire)
            << pipelined << QByteArray("mail 2") << QByteArray() << UniqueIds
            << QByteArray("C: DELE 2\nS: +OK marked\nC: QUIT\nS: +OK bye\n") << 2 << 1 << QByteArrayList();
        // Messages 1 and 2 share an id: deleting by it could take the one nobody chose.
        QTest::newRow("doubled id, filter" + wire) << pipelined << QByteArray("mail 2") << QByteArray() << sameIds
                                                   << QByteArray("C: QUIT\nS: +OK bye\n") << 3 << 0 << QByteArrayList();
        QTest::newRow("doubled id, mail list" + wire) << pipelined << QByteArray() << QByteArray("same\r\n") << sameIds
                                                      << QByteArray("C: QUIT\nS: +OK bye\n") << 3 << 0 << QByteArrayList();
        // Nothing is deleted before QUIT succeeds: the queue waits for the next check.
        QTest::newRow("dropped after DELE" + wire)
            << pipelined << QByteArray() << QByteArray("id-2\r\n") << UniqueIds << QByteArray("C: DELE 2\nS: +OK marked\nCLOSE\n")
            << 3 << 0 << QByteArrayList{"id-2\r\n"};
        QTest::newRow("QUIT refused" + wire)
            << pipelined << QByteArray("mail 2") << QByteArray() << UniqueIds
            << QByteArray("C: DELE 2\nS: +OK marked\nC: QUIT\nS: -ERR could not remove\n") << 3 << 0
            << QByteArrayList{"id-2\r\n"};
    }
}

void TestCheckTrust::deletions()
{
    QFETCH(bool, pipelined);
    QFETCH(QByteArray, filter);
    QFETCH(QByteArray, queued);
    QFETCH(QByteArrayList, ids);
    QFETCH(QByteArray, ending);
    QFETCH(qint32, count);
    QFETCH(int, records);
    QFETCH(QByteArrayList, pending);

    ScriptServer server;
    QVERIFY2(server.setScript(login(pipelined ? Pipelining : NoCapa) + Listing + reads(pipelined, ids) + ending),
             qPrintable(server.errorString()));
    QVERIFY(server.listen());
    EngineFixture fx;
    TCheckEngine &w = filter.isEmpty()
        ? startOn(fx, server)
        : startOn(fx, server, "FilterCount=1\r\n",
                  "[Filter 0]\r\nIfCondition=3\r\nAccount=0\r\nAction=0\r\nArgument=" + filter + "\r\n");
    QCOMPARE(w.Filters.size(), filter.isEmpty() ? 0 : 1);
    TMailSummary &s = *w.Accounts.slot(1).MailSummary;
    if (!queued.isEmpty())
        s.queueDeletion(queued);

    check(w);

    QVERIFY2(server.errors().isEmpty(), qPrintable(server.errors().join(u'\n')));
    QCOMPARE(w.Accounts.data(1).MailCount, count);
    QCOMPARE(s.Pending, pending);
    QFile log(TEventLog(fx.dir.path()).fileName());
    const QByteArrayList lines = log.open(QIODevice::ReadOnly) ? log.readAll().split('\n') : QByteArrayList{""};
    QCOMPARE(lines.size() - 1, records);
    if (records == 1) {
        QVERIFY2(lines.first().contains("|script| mail 2| s2@example.org|"), lines.first().constData());
        QCOMPARE(log.permissions() & (QFile::ReadGroup | QFile::ReadOther | QFile::WriteGroup | QFile::WriteOther),
                 QFile::Permissions());
    }
    // A committed deletion leaves the lists as the server keeps them.
    QCOMPARE(s.Subject.size(), count + 1);
}

void TestCheckTrust::quitUnansweredWithoutDeletions_data()
{
    QTest::addColumn<bool>("pipelined");
    QTest::newRow("one at a time") << false;
    QTest::newRow("pipelined") << true;
}

void TestCheckTrust::quitUnansweredWithoutDeletions()
{
    // With nothing deleted, QUIT's reply could change nothing: the check ends once QUIT is out,
    // long before the minute a wait for the reply would take against a server that never answers.
    QFETCH(bool, pipelined);
    ScriptServer server;
    QVERIFY(server.setScript(login(pipelined ? Pipelining : NoCapa) + Listing + reads(pipelined, UniqueIds) +
                             "C: QUIT\nHOLD\n"));
    QVERIFY(server.listen());
    EngineFixture fx;
    TCheckEngine &w = startOn(fx, server);

    const QCoro::Task<> checking = w.checkmail(1, w.Accounts.slot(1).Pop3);
    QTRY_VERIFY_WITH_TIMEOUT(checking.isReady(), 20000);

    QVERIFY2(server.errors().isEmpty(), qPrintable(server.errors().join(u'\n')));
    QCOMPARE(w.Accounts.data(1).MailCount, 3);
    QCOMPARE(w.Accounts.data(1).LastError, QString());
    QCOMPARE(w.Accounts.slot(1).MailSummary->Subject.size(), 4);
    QVERIFY(!w.Accounts.slot(1).Pop3->Connected());
    QTRY_COMPARE_WITH_TIMEOUT(server.received().value(server.received().size() - 1), QByteArray("QUIT"), 5000);
}

void TestCheckTrust::refusedListing_data()
{
    QTest::addColumn<QByteArray>("capa");
    QTest::newRow("one at a time") << NoCapa;
    QTest::newRow("pipelined") << Pipelining;
}

void TestCheckTrust::refusedListing()
{
    QFETCH(QByteArray, capa);
    // The script goes straight on to QUIT: a client waiting for listing lines would send
    // nothing until its time-out, and one reading on would send TOP. A pipelined login sent
    // the id listing with it.
    ScriptServer server;
    const QByteArray ids = capa == Pipelining ? "C: UIDL\nS: -ERR not now\n" : "";
    QVERIFY(server.setScript(login(capa) + "C: LIST\\x20\nS: -ERR listing unavailable\n" + ids + "C: QUIT\nS: +OK bye\n"));
    QVERIFY(server.listen());
    EngineFixture fx;
    TCheckEngine &w = startOn(fx, server);

    check(w);

    QVERIFY2(server.errors().isEmpty(), qPrintable(server.errors().join(u'\n')));
    QVERIFY(w.Accounts.data(1).LastError.startsWith(QStringLiteral("-ERR")));
    QCOMPARE(w.Accounts.data(1).LastError, QStringLiteral("-ERR listing unavailable"));
    QVERIFY(!w.Accounts.data(1).Busy);
}

void TestCheckTrust::madeUpCounts_data()
{
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<QByteArrayList>("sizes"); // the Size list after the check
    QTest::addColumn<QString>("failure");      // "" for a check that succeeds

    const QByteArray quit = "C: QUIT\nS: +OK bye\n";
    for (const bool pipelined : {false, true}) {
        const QByteArray capa = pipelined ? Pipelining : NoCapa;
        const QByteArray wire = pipelined ? " (pipelined)" : " (one at a time)";
        QTest::newRow("count beyond the ceiling" + wire)
            << login(capa, "2000000000") + quit << QByteArrayList{"Size"}
            << QStringLiteral("The server reports 2000000000 messages; Vorlo lists at most 1000000");
        // Nearly a million claimed, three sent, then the server goes: the lists hold what came.
        QTest::newRow("huge count, short listing, then gone" + wire)
            << login(capa, "999999") + "C: LIST\\x20\nS: +OK\nS: 1 100\nS: 999999 2100\nS: 2 300\nS: .\nCLOSE\n"
            << QByteArrayList{"Size", "1 kB", "1 kB"} << QString();
        QTest::newRow("numbers repeated or out of range" + wire)
            << login(capa) +
                   "C: LIST\\x20\nS: +OK\nS: 1 100\nS: 1 5000\nS: 0 7000\nS: 4 8000\nS: 2 2100\nS: 3 300\nS: .\nCLOSE\n"
            << QByteArrayList{"Size", "1 kB", "2 kB", "1 kB"} << QString();
    }
}

void TestCheckTrust::madeUpCounts()
{
    QFETCH(QByteArray, script);
    QFETCH(QByteArrayList, sizes);
    QFETCH(QString, failure);
    ScriptServer server;
    QVERIFY(server.setScript(script));
    QVERIFY(server.listen());
    EngineFixture fx;
    TCheckEngine &w = startOn(fx, server);

    check(w);

    const TMailSummary &s = *w.Accounts.slot(1).MailSummary;
    QVERIFY(!w.Accounts.data(1).Busy);
    QCOMPARE(w.Accounts.data(1).LastError, failure);
    QCOMPARE(s.Size, sizes);
    // No message was read, so no list holds more than its title and the listed lines.
    for (const QByteArrayList *list : {&s.Subject, &s.Sender, &s.UniqueID, &s.Action})
        QVERIFY2(list->size() <= sizes.size(), QByteArray::number(list->size()).constData());
    QVERIFY(!server.received().contains("TOP 2 0"));
}

void TestCheckTrust::deletedAccountKeepsItsResults()
{
    // The first account's server greets and then holds; while its check waits, the account
    // is deleted and the second moves into its slot. The first check's failure is its own.
    ScriptServer silent;
    QVERIFY(silent.setScript("S: +OK ready\nC: USER joe\nHOLD\n"));
    QVERIFY(silent.listen());
    EngineFixture fx;
    fx.writeIni("[Main]\r\nECount=2\r\nCheckAllWhenGoingOnline=0\r\n[1]\r\nName=First\r\nHost=127.0.0.1:" +
                QByteArray::number(silent.port()) +
                "\r\nUserID=joe\r\nPassword=" + TIniFile::encodeStoredPassword("secret") +
                "\r\nSecurity=none\r\n[2]\r\nName=Second\r\nHost=127.0.0.1:1\r\nUserID=ann\r\nSecurity=none\r\n");
    TCheckEngine &w = fx.start();
    for (int n = 1; n <= 2; ++n)
        w.Accounts.slot(n).CheckTimer->stop();

    // Once USER is out the check waits for its reply; the deletion comes from the event loop
    // it waits in, as the preferences dialog's would.
    QTimer watch;
    watch.setInterval(5);
    connect(&watch, &QTimer::timeout, &w, [&] {
        if (silent.received().isEmpty())
            return;
        watch.stop();
        w.deleteAccount(1);
    });
    watch.start();
    check(w);

    QCOMPARE(w.Accounts.AccountCount, 1);
    QCOMPARE(w.Accounts.data(1).Name, QStringLiteral("Second"));
    QCOMPARE(w.Accounts.data(1).LastError, QString());
    QVERIFY(!w.Accounts.data(1).Busy);
}

QTEST_GUILESS_MAIN(TestCheckTrust)
#include "tst_checktrust.moc"
