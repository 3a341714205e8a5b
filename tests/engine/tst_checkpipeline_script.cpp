// Checks against the scripted server, whose script fixes every command and its order:
// servers without CAPA or without PIPELINING get one command at a time as always; a
// pipelined batch that is cut off, a refused header, and id listings that disagree with
// the count leave every line with its own message.
#include "fixtures/SyncWait.h"
#include "EngineFixture.h"

#include "fixtures/ScriptServer.h"
#include "mail/TMailSummary.h"

#include <QtTest>

namespace {

QByteArray login(const QByteArray &capa, bool twoOnly = false)
{
    return "S: +OK ready\nC: CAPA\n" + capa + "C: USER joe\nS: +OK\nC: PASS secret\nS: +OK\nC: STAT\nS: +OK " +
           (twoOnly ? "2" : "3") + " 600\nC: LIST\\x20\nS: +OK\nS: 1 100\nS: 2 2100\n" + (twoOnly ? "" : "S: 3 300\n") +
           "S: .\n";
}

const QByteArray Pipelining = "S: +OK\nS: TOP\nS: PIPELINING\nS: UIDL\nS: USER\nS: .\n";

QByteArray header(int k)
{
    const QByteArray n = QByteArray::number(k);
    return "S: +OK\nS: Subject: mail " + n + "\nS: From: s" + n + "@example.org\nS: X-Other: x\nS:\nS: .\n";
}

QByteArray tops(std::initializer_list<int> ks)
{
    QByteArray s;
    for (int k : ks)
        s += "C: TOP " + QByteArray::number(k) + " 0\n";
    return s;
}

QByteArray idListing(const QByteArray &lines)
{
    return "C: UIDL\nS: +OK\n" + lines + "S: .\n";
}

const QByteArray Quit = "C: QUIT\nS: +OK bye\n";

QByteArray oneByOne(int k)
{
    const QByteArray n = QByteArray::number(k);
    return "C: TOP " + n + " 0\n" + header(k) + "C: LIST " + n + "\nS: +OK " + n + " 100\nC: UIDL " + n +
           "\nS: +OK " + n + " id-" + n + "\n";
}

} // namespace

class TestCheckPipelineScript : public QObject
{
    Q_OBJECT
private slots:
    void wire_data();
    void wire();
    void doubledIdsAreAskedAgain();

private:
    TCheckEngine &startOn(EngineFixture &fx, const ScriptServer &server);
};

TCheckEngine &TestCheckPipelineScript::startOn(EngineFixture &fx, const ScriptServer &server)
{
    fx.writeIni("[Main]\r\nECount=1\r\nCheckAllWhenGoingOnline=0\r\n[1]\r\nName=script\r\nHost=127.0.0.1:" +
                QByteArray::number(server.port()) + "\r\nUserID=joe\r\nPassword=" +
                TIniFile::encodeStoredPassword("secret") + "\r\nSecurity=auto\r\n");
    TCheckEngine &w = fx.start();
    w.Accounts.slot(1).CheckTimer->stop();
    return w;
}

void TestCheckPipelineScript::wire_data()
{
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<QByteArrayList>("subjects");
    QTest::addColumn<QByteArrayList>("ids");

    const QByteArrayList all{"Subject", " mail 1", " mail 2", " mail 3"};
    const QByteArrayList allIds{"UniqueID", "id-1\r\n", "id-2\r\n", "id-3\r\n"};

    QTest::newRow("no CAPA: one at a time")
        << login("S: -ERR unknown command\n") + oneByOne(1) + oneByOne(2) + oneByOne(3) + Quit << all << allIds;
    QTest::newRow("no PIPELINING: one at a time")
        << login("S: +OK\nS: TOP\nS: UIDL\nS: USER\nS: .\n") + oneByOne(1) + oneByOne(2) + oneByOne(3) + Quit << all
        << allIds;
    // All three commands arrive before the first reply, or the script waits for ever.
    QTest::newRow("pipelined with one id listing")
        << login(Pipelining) + idListing("S: 1 id-1\nS: 2 id-2\nS: 3 id-3\n") + tops({1, 2, 3}) + header(1) +
               header(2) + header(3) + Quit
        << all << allIds;
    QTest::newRow("pipelined, a refused header")
        << login(Pipelining) + idListing("S: 1 id-1\nS: 2 id-2\nS: 3 id-3\n") + tops({1, 2, 3}) + header(1) +
               "S: -ERR no such message\n" + header(3) + Quit
        << QByteArrayList{"Subject", " mail 1", "", " mail 3"} << QByteArrayList{"UniqueID", "id-1\r\n", "", "id-3\r\n"};
    QTest::newRow("pipelined, dropped inside a batch")
        << login(Pipelining) + idListing("S: 1 id-1\nS: 2 id-2\nS: 3 id-3\n") + tops({1, 2, 3}) + header(1) +
               "S: +OK\nS: Subject: mail 2\nCLOSE\n"
        << QByteArrayList{"Subject", " mail 1", ""} << QByteArrayList{"UniqueID", "id-1\r\n"};
    // Ids that cannot be matched to the count are asked for message by message.
    const QByteArray perMessageIds = "C: UIDL 1\nC: UIDL 2\nC: UIDL 3\nS: +OK 1 id-1\nS: +OK 2 id-2\nS: +OK 3 id-3\n";
    QTest::newRow("id listing shorter than STAT")
        << login(Pipelining) + idListing("S: 1 id-1\nS: 2 id-2\n") + perMessageIds + tops({1, 2, 3}) + header(1) +
               header(2) + header(3) + Quit
        << all << allIds;
    QTest::newRow("id listing longer than STAT")
        << login(Pipelining) + idListing("S: 1 id-1\nS: 2 id-2\nS: 3 id-3\nS: 4 id-4\n") + perMessageIds +
               tops({1, 2, 3}) + header(1) + header(2) + header(3) + Quit
        << all << allIds;
    QTest::newRow("id listing out of order")
        << login(Pipelining) + idListing("S: 2 id-2\nS: 1 id-1\nS: 3 id-3\n") + perMessageIds + tops({1, 2, 3}) +
               header(1) + header(2) + header(3) + Quit
        << all << allIds;
    // Without "UIDL" in CAPA: ids, then headers with their sizes, all pipelined. A failed
    // id keeps its line empty while the message's header still shows.
    QTest::newRow("pipelined without UIDL listing")
        << login("S: +OK\nS: PIPELINING\nS: .\n") + "C: UIDL 1\nC: UIDL 2\nC: UIDL 3\nS: +OK 1 id-1\n"
               "S: -ERR no such message\nS: +OK 3 id-3\n" +
               "C: TOP 1 0\nC: LIST 1\nC: TOP 2 0\nC: LIST 2\nC: TOP 3 0\nC: LIST 3\n" + header(1) +
               "S: +OK 1 100\n" + header(2) + "S: +OK 2 2100\n" + header(3) + "S: +OK 3 300\n" + Quit
        << all << QByteArrayList{"UniqueID", "id-1\r\n", "", "id-3\r\n"};
}

void TestCheckPipelineScript::wire()
{
    QFETCH(QByteArray, script);
    QFETCH(QByteArrayList, subjects);
    QFETCH(QByteArrayList, ids);
    ScriptServer server;
    QVERIFY2(server.setScript(script), qPrintable(server.errorString()));
    QVERIFY(server.listen());
    EngineFixture fx;
    TCheckEngine &w = startOn(fx, server);

    syncWait(w.checkmail(1, w.Accounts.slot(1).Pop3));

    const TMailSummary &s = *w.Accounts.slot(1).MailSummary;
    QCOMPARE(s.Subject, subjects);
    QCOMPARE(s.UniqueID, ids);
    QCOMPARE(s.Sender.size(), subjects.size());
    for (qsizetype k = 1; k < subjects.size(); ++k)
        QCOMPARE(s.Sender.at(k).isEmpty(), subjects.at(k).isEmpty());
    QCOMPARE(s.Size, QByteArrayList({"Size", "1 kB", "2 kB", "1 kB"}));
    // A failed read is no failed check: the count shows, no error.
    QCOMPARE(w.Accounts.data(1).MailCount, 3);
    QCOMPARE(w.Accounts.data(1).LastError, QString());
    QVERIFY(!w.Accounts.data(1).Busy);
    QTRY_COMPARE_WITH_TIMEOUT(server.completedCount(), 1, 5000);
    QVERIFY2(server.errors().isEmpty(), qPrintable(server.errors().join('\n')));
}

// Two messages under one id: which header the id stands for is not known, so neither is
// taken from the cache and the second check reads both again (the same script).
void TestCheckPipelineScript::doubledIdsAreAskedAgain()
{
    ScriptServer server;
    QVERIFY2(server.setScript(login(Pipelining, true) + idListing("S: 1 same\nS: 2 same\n") + tops({1, 2}) + header(1) +
                              header(2) + Quit),
             qPrintable(server.errorString()));
    QVERIFY(server.listen());
    EngineFixture fx;
    TCheckEngine &w = startOn(fx, server);
    for (int check = 1; check <= 2; ++check) {
        syncWait(w.checkmail(1, w.Accounts.slot(1).Pop3));
        QCOMPARE(w.Accounts.slot(1).MailSummary->Subject, QByteArrayList({"Subject", " mail 1", " mail 2"}));
        QCOMPARE(w.Accounts.slot(1).Pop3->commandCount("TOP"), 2);
        QTRY_COMPARE_WITH_TIMEOUT(server.completedCount(), check, 5000);
    }
    QVERIFY2(server.errors().isEmpty(), qPrintable(server.errors().join('\n')));
}

QTEST_GUILESS_MAIN(TestCheckPipelineScript)
#include "tst_checkpipeline_script.moc"
