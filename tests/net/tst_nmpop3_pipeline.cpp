// The POP3 client's reads of many messages against the scripted server: the pipeline keeps
// no more command bytes in flight than its window, reads replies while commands wait to be
// written, and the id listing is bounded.
#include "fixtures/SyncWait.h"
#include "fixtures/ScriptServer.h"
#include "net/TNMPOP3.h"
#include "NetTestUtil.h"

#include <QTest>

namespace {

QByteArray login(const QByteArray &capaLines, int count)
{
    return "S: +OK ready\nC: CAPA\nS: +OK\n" + capaLines + "S: .\nC: USER joe\nS: +OK\nC: PASS secret\nS: +OK\n"
           "C: STAT\nS: +OK " + QByteArray::number(count) + " 1000\n";
}

QByteArray header(int k)
{
    return "S: +OK\nS: Subject: mail " + QByteArray::number(k) + "\nS:\nS: .\n";
}

void prepare(TNMPOP3 &pop, const ScriptServer &server, qint32 timeOut)
{
    pop.Host = QStringLiteral("127.0.0.1");
    pop.Port = server.port();
    pop.TimeOut = timeOut;
    pop.UserID = "joe";
    pop.Password = "secret";
    pop.Security = "auto";
    // The tests ask for the listings themselves.
    pop.LoginListings = false;
}

} // namespace

class TstNmpop3Pipeline : public QObject
{
    Q_OBJECT

private slots:
    void windowBoundsCommandsInFlight_data()
    {
        QTest::addColumn<QByteArray>("replies");
        QTest::addColumn<int>("lastSent");
        // The server answers nothing, or the first two: each answer frees room for one more.
        QTest::newRow("no reply") << QByteArray() << 4;
        QTest::newRow("two replies") << header(1) + header(2) << 6;
    }

    void windowBoundsCommandsInFlight()
    {
        QFETCH(QByteArray, replies);
        QFETCH(int, lastSent);
        ScriptServer server;
        // The last step waits for a command the client must not send yet.
        QByteArray script = login("S: PIPELINING\n", 10) + "C: TOP 1 0\nC: TOP 2 0\nC: TOP 3 0\nC: TOP 4 0\n" + replies;
        for (int k = 5; k <= lastSent; ++k)
            script += "C: TOP " + QByteArray::number(k) + " 0\n";
        script += "C*: TOP " + QByteArray::number(lastSent + 1) + " 0\nS: -ERR too early\n";
        QVERIFY2(server.setScript(script), qPrintable(server.errorString()));
        QVERIFY(server.listen());
        TNMPOP3 pop;
        prepare(pop, server, 500);
        pop.PipelineBytes = 4 * 9; // four "TOP k 0" commands
        syncWait(pop.Connect());
        QVERIFY(pop.canPipeline());
        QList<TBatchItem> items;
        for (qint32 k = 1; k <= 10; ++k)
            items.append({k, true, false, false});
        QList<qsizetype> done;
        QString failure = failureOf([&] {
            syncWait(pop.readBatch(items, {}, [&](qsizetype i, const TBatchResult &r) {
                QVERIFY(r.SummaryRead);
                done << i;
            }));
        });
        QCOMPARE(failure, QStringLiteral("EAbortError: Socket readln aborted"));
        QCOMPARE(done.size(), replies.count("S: .\n"));
        QTRY_COMPARE_WITH_TIMEOUT(server.closedCount(), 1, 5000);
        QByteArrayList sent;
        for (int k = 1; k <= lastSent; ++k)
            sent << "TOP " + QByteArray::number(k) + " 0";
        QCOMPARE(server.received().mid(4), sent);
        QCOMPARE(pop.commandCount("TOP"), lastSent);
        QVERIFY(server.errors().isEmpty());
    }

    void pipelinedLogin_data()
    {
        QTest::addColumn<QByteArray>("exchange"); // after CAPA
        QTest::addColumn<bool>("ask");            // a handler gives the password again
        QTest::addColumn<QString>("expected");
        // The server reads every command of the login before it answers one: they went out
        // together. The script then expects QUIT: the listings are not asked for again.
        const QByteArray round = "C: USER joe\nC: PASS secret\nC: STAT\nC: LIST\\x20\nC: UIDL\n";
        const QByteArray welcome = "S: +OK\nS: +OK\nS: +OK 2 300\nS: +OK\nS: 1 100\nS: 2 200\nS: .\n"
                                   "S: +OK\nS: 1 a\nS: 2 b\nS: .\n";
        const QByteArray refused = "S: +OK\nS: -ERR denied\nS: -ERR\nS: -ERR\nS: -ERR\n";
        const QByteArray quit = "C: QUIT\nS: +OK\n";
        QTest::newRow("accepted") << round + welcome + quit << false << "2 [1:100][2:200] [][a\\r\\n][b\\r\\n]";
        QTest::newRow("refused") << round + refused + quit << false << "! EGeneralError: Authentication failed";
        QTest::newRow("refused twice") << round + refused + round + refused + quit << true
                                       << "! EGeneralError: Authentication failed";
        // A listing answered all the same is read to its end, so the retry's replies are its own.
        QTest::newRow("refused, listed all the same, asked, accepted")
            << round + "S: +OK\nS: -ERR denied\nS: -ERR\nS: +OK\nS: 1 100\nS: .\nS: -ERR\n" + round + welcome + quit
            << true << "2 [1:100][2:200] [][a\\r\\n][b\\r\\n]";
    }

    void pipelinedLogin()
    {
        QFETCH(QByteArray, exchange);
        QFETCH(bool, ask);
        QFETCH(QString, expected);
        ScriptServer server;
        QVERIFY2(server.setScript("S: +OK ready\nC: CAPA\nS: +OK\nS: PIPELINING\nS: UIDL\nS: .\n" + exchange),
                 qPrintable(server.errorString()));
        QVERIFY(server.listen());
        TNMPOP3 pop;
        prepare(pop, server, 3000);
        pop.LoginListings = true;
        int asked = 0;
        if (ask)
            pop.OnAuthenticationFailed = [&](bool &handled) { handled = ++asked > 0; };
        QString got;
        pop.OnList = [&](qint32 msg, qint32 size) { got += QStringLiteral("[%1:%2]").arg(msg).arg(size); };
        const QString failure = failureOf([&] {
            syncWait(pop.Connect());
            got = QString::number(pop.MailCount) + " ";
            syncWait(pop.List());
            got += " ";
            for (const QByteArray &id : syncWait(pop.uniqueIdList()))
                got += QString::fromLatin1("[" + visibleBytes(id) + "]");
            syncWait(pop.Disconnect());
        });
        QCOMPARE(failure.isEmpty() ? got : "! " + failure, expected);
        QCOMPARE(asked, ask ? 1 : 0);
        QTRY_COMPARE_WITH_TIMEOUT(server.completedCount(), 1, 5000);
        QVERIFY2(server.errors().isEmpty(), qPrintable(server.errors().join(u'\n')));
        QCOMPARE(pop.commandCount("LIST"), exchange.count("C: LIST"));
    }

    // A server that writes every reply before it reads past the first command, while the
    // commands fill its socket: a client that waited for its commands to go out before
    // reading would wait for the server as the server waits for it, until the time-out.
    void repliesAreReadWhileCommandsWait()
    {
        // Commands and replies of several MB each: more than the sockets of either side hold.
        constexpr int Count = 600000;
        const QByteArray count = QByteArray::number(Count);
        ScriptServer server;
        server.setReadAhead(4096);
        QVERIFY2(server.setScript(login("S: PIPELINING\n", Count) + "BULK " + count +
                                  " +OK 1 0123456789abcdef\\r\\n\nC*: UIDL " + count + "\nS: +OK\n"),
                 qPrintable(server.errorString()));
        QVERIFY(server.listen());
        TNMPOP3 pop;
        prepare(pop, server, 5000);
        pop.PipelineBytes = 64 * 1024 * 1024;
        syncWait(pop.Connect());
        QList<TBatchItem> items;
        for (qint32 k = 1; k <= Count; ++k)
            items.append({k, false, false, true});
        int ids = 0;
        const QString failure = failureOf([&] {
            syncWait(pop.readBatch(items, {}, [&](qsizetype, const TBatchResult &r) { ids += r.IdRead ? 1 : 0; }));
        });
        QCOMPARE(failure, QString());
        QCOMPARE(ids, Count);
        QTRY_COMPARE_WITH_TIMEOUT(server.completedCount(), 1, 10000);
        QVERIFY(server.errors().isEmpty());
    }

    // Numbers outside the box name no message: they are read but not handed on. A batch
    // without "LIST n" takes each summary's size from the listing.
    void sizesFromTheListing()
    {
        ScriptServer server;
        QVERIFY2(server.setScript(login("S: PIPELINING\n", 2) +
                                  "C: LIST\\x20\nS: +OK\nS: 1 100\nS: 0 5\nS: 2000000000 7\nS: 2 2100\nS: .\n"
                                  "C: TOP 1 0\nC: TOP 2 0\n" + header(1) + header(2)),
                 qPrintable(server.errorString()));
        QVERIFY(server.listen());
        TNMPOP3 pop;
        prepare(pop, server, 3000);
        QStringList seen;
        pop.OnList = [&](qint32 msg, qint32 size) { seen << QStringLiteral("list %1:%2").arg(msg).arg(size); };
        pop.OnRetrieveEnd = [&](QObject *) {
            seen << QStringLiteral("summary%1:%2").arg(QString::fromLatin1(pop.Summary.Subject)).arg(pop.Summary.Bytes);
        };
        syncWait(pop.Connect());
        syncWait(pop.List());
        syncWait(pop.readBatch({{1, true, false, false}, {2, true, false, false}}, {}, {}));
        QCOMPARE(seen, QStringList({"list 1:100", "list 2:2100", "summary mail 1:100", "summary mail 2:2100"}));
        QTRY_COMPARE_WITH_TIMEOUT(server.completedCount(), 1, 5000);
        QVERIFY(server.errors().isEmpty());
    }

    void idListing_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("expected");
        // Refused: no ids, and the next reply is still the next command's.
        QTest::newRow("refused") << QByteArray("S: -ERR not now\nC: UIDL 1\nS: +OK 1 one\nHOLD\n") << "[] next [one\\r\\n]";
        QTest::newRow("bare LF ends kept") << QByteArray("S: +OK\nRAW 1 one\\n2 two\\n.\\n\nC: UIDL 1\nS: +OK 1 one\nHOLD\n")
                                           << "[][one\\n][two\\n] next [one\\r\\n]";
        QTest::newRow("without end") << QByteArray("S: +OK\nBULK 100000 1 id\\r\\n\nHOLD\n")
                                     << "! EGeneralError: The id listing exceeds its limit";
    }

    void idListing()
    {
        QFETCH(QByteArray, reply);
        QFETCH(QString, expected);
        ScriptServer server;
        QVERIFY2(server.setScript(login("S: UIDL\nS: PIPELINING\n", 2) + "C: UIDL\n" + reply),
                 qPrintable(server.errorString()));
        QVERIFY(server.listen());
        TNMPOP3 pop;
        prepare(pop, server, 3000);
        pop.ListLimit = 64 * 1024;
        syncWait(pop.Connect());
        QString got;
        const QString failure = failureOf([&] {
            const QByteArrayList ids = syncWait(pop.uniqueIdList());
            for (const QByteArray &id : ids)
                got += QString::fromLatin1("[" + visibleBytes(id) + "]");
            if (ids.isEmpty())
                got += QStringLiteral("[]");
            got += QString::fromLatin1(" next [" + visibleBytes(syncWait(pop.UniqueID(1))) + "]");
        });
        QCOMPARE(failure.isEmpty() ? got : "! " + failure, expected);
        QCOMPARE(pop.Connected(), failure.isEmpty());
        QVERIFY(server.errors().isEmpty());
    }
};

QTEST_MAIN(TstNmpop3Pipeline)
#include "tst_nmpop3_pipeline.moc"
