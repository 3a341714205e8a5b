// The POP3 client against scripted servers: every wire command, the reply rules and the
// failure table, one scenario file (tests/fixtures/pop3/) per row. The server checks each
// command the client sends; the row states what the client reports.
#include "fixtures/SyncWait.h"
#include "fixtures/ScriptServer.h"
#include "net/TNMPOP3.h"
#include "NetTestUtil.h"

#include <QTest>

namespace {

QByteArray bracketed(const QByteArray &value)
{
    return '[' + visibleBytes(value) + ']';
}

// Runs the operations named in `ops` (blank-separated) and logs each one's result:
//   connect   "connect count=N"            list      "list 1:100,2:200"
//   summary:n "summary subject=[..] from=[..] bytes=N id=[..]"
//   header:n  "header [line][line].."       uidl:n    "uidl [id]"
//   dele:n    "dele ok"                      quit      "quit ok"
//   capa      "capa [line].."           lines     "lines [line].." (Summary.Header as it is)
// Set-up words: sec=<mode>, headerlines=<limit>, retry (the authentication handler grants
// one retry with the password "better"). A failing operation logs " ! <class>: <message>" and the run goes on.
QString runOps(TNMPOP3 &pop, const QString &ops)
{
    QStringList log;
    for (const QString &op : ops.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QString name = op.section(QLatin1Char(':'), 0, 0);
        const qint32 n = op.section(QLatin1Char(':'), 1).toInt();
        if (name.startsWith(QLatin1String("sec="))) {
            pop.Security = name.mid(4).toLatin1();
            continue;
        }
        if (name.startsWith(QLatin1String("headerlines="))) {
            pop.HeaderLineLimit = name.mid(12).toInt();
            continue;
        }
        if (name == QLatin1String("retry")) {
            pop.OnAuthenticationFailed = [&pop](bool &handled) {
                pop.Password = "better";
                handled = true;
            };
            continue;
        }
        QString entry = name;
        QStringList listed;
        const QString failure = failureOf([&] {
            if (name == QLatin1String("connect")) {
                syncWait(pop.Connect());
                entry += QStringLiteral(" count=%1").arg(pop.MailCount);
            } else if (name == QLatin1String("list")) {
                pop.OnList = [&](qint32 msg, qint32 size) { listed << QStringLiteral("%1:%2").arg(msg).arg(size); };
                syncWait(pop.List());
            } else if (name == QLatin1String("summary")) {
                syncWait(pop.GetSummary(n));
                entry += QString::fromLatin1(" subject=" + bracketed(pop.Summary.Subject) + " from="
                                             + bracketed(pop.Summary.From) + " bytes="
                                             + QByteArray::number(pop.Summary.Bytes) + " id="
                                             + bracketed(pop.Summary.MessageId));
            } else if (name == QLatin1String("header")) {
                syncWait(pop.GetSummary(n));
                entry += QLatin1Char(' ');
                for (const QByteArray &line : pop.Summary.Header.toList())
                    entry += QString::fromLatin1(bracketed(line));
            } else if (name == QLatin1String("uidl")) {
                entry += QLatin1Char(' ') + QString::fromLatin1(bracketed(syncWait(pop.UniqueID(n))));
            } else if (name == QLatin1String("dele")) {
                syncWait(pop.DeleteMailMessage(n));
                entry += QLatin1String(" ok");
            } else if (name == QLatin1String("quit")) {
                syncWait(pop.Disconnect());
                entry += QLatin1String(" ok");
            } else if (name == QLatin1String("lines")) {
                entry += QLatin1Char(' ');
                for (const QByteArray &line : pop.Summary.Header.toList())
                    entry += QString::fromLatin1(bracketed(line));
            } else if (name == QLatin1String("capa")) {
                entry += QLatin1Char(' ');
                for (const QByteArray &line : std::as_const(pop.Capabilities))
                    entry += QString::fromLatin1(bracketed(line));
            } else {
                QTest::qFail("unknown operation in the table", __FILE__, __LINE__);
            }
        });
        if (name == QLatin1String("list")) {
            if (listed.size() > 4)
                listed = listed.mid(0, 2) << QStringLiteral("+more");
            if (!listed.isEmpty())
                entry += QLatin1Char(' ') + listed.join(QLatin1Char(','));
        }
        if (!failure.isEmpty())
            entry += QLatin1String(" ! ") + failure;
        log << entry;
    }
    return log.join(QLatin1String(" | "));
}

} // namespace

class TstNmpop3Script : public QObject
{
    Q_OBJECT

private slots:
    void scenario_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("ops");
        QTest::addColumn<int>("timeOut");
        QTest::addColumn<bool>("scriptEnds"); // the server saw every command it expects
        QTest::addColumn<QString>("expected");

        // What the client takes from the replies.
        QTest::newRow("whole session") << "session.txt" << "connect list summary:1 uidl:1 dele:1 quit" << 3000 << true
            << "connect count=2 | list 1:100,2:200 | summary subject=[ Hello there] from=[ \"Ann\" <ann@example.org>] "
               "bytes=100 id=[<id1@example.org>\\r\\n] | uidl [uid-one\\r\\n] | dele ok | quit ok";
        QTest::newRow("header rules") << "headers.txt" << "connect summary:2 quit" << 3000 << true
            << "connect count=2 | summary subject=[ Later one wins] from=[\"Bob\" <bob@example.org>] bytes=200 "
               "id=[<short@x>\\r\\n] | quit ok";
        QTest::newRow("header lines as received") << "headers.txt" << "connect header:2 quit" << 3000 << true
            << "connect count=2 | header [subject: lower case is not the subject][Subject:right after the colon]"
               "[Subject: Later one wins][From: first][From:\"Bob\" <bob@example.org>][Message-ID: <short@x>]"
               "[  folded continuation][X-Encoded: =?UTF-8?B?w6TDtsO8?=][..dot-stuffed][][.] | quit ok";
        QTest::newRow("no Subject and From") << "no-subject-from.txt" << "connect summary:1 quit" << 3000 << true
            << "connect count=2 | summary subject=[] from=[] bytes=100 id=[] | quit ok";
        // Nothing of the header before stays: no field, no line, no byte of a longer line.
        QTest::newRow("short header after a longer one") << "header-after-longer.txt"
            << "connect header:2 summary:1 header:1 quit" << 3000 << true
            << "connect count=2 | header [Subject: the longer header's subject][From: \"Ann Example\" "
               "<ann@example.org>][Message-ID: <long-id@example.org>][Received: from somewhere far away by "
               "somewhere near][][.] | summary subject=[] from=[] bytes=100 id=[] | header [Date: Mon][][.] | quit ok";
        QTest::newRow("header dropped after a longer one") << "header-after-longer-dropped.txt"
            << "connect header:2 header:1 lines" << 3000 << true
            << "connect count=2 | header [Subject: the longer header's subject][From: ann@example.org]"
               "[Received: from somewhere far away][][.] | header ! ESockError: Connection closed before the "
               "end of the header | lines [Date: Mon]";
        QTest::newRow("STAT 0 0") << "stat-empty.txt" << "connect quit" << 3000 << true << "connect count=0 | quit ok";
        QTest::newRow("STAT without size") << "stat-nosize.txt" << "connect quit" << 3000 << true << "connect count=0 | quit ok";
        QTest::newRow("DELE: only exactly -ERR fails") << "dele-replies.txt" << "connect dele:1 dele:2 quit" << 3000 << true
            << "connect count=2 | dele ok | dele ! EGeneralError: -ERR no such message\\r\\n | quit ok";
        QTest::newRow("handler grants one retry") << "auth-retry.txt" << "retry connect quit" << 3000 << true
            << "connect count=1 | quit ok";
        QTest::newRow("auto: CAPA without STLS stays plain") << "capa-plain.txt" << "sec=auto connect capa quit" << 3000 << true
            << "connect count=2 | capa [TOP][USER][UIDL] | quit ok";
        QTest::newRow("auto: CAPA unknown stays plain") << "capa-unknown.txt" << "sec=auto connect capa quit" << 3000 << true
            << "connect count=2 | capa  | quit ok";

        // Odd but valid transport.
        QTest::newRow("slow replies in time") << "slow.txt" << "connect quit" << 3000 << true << "connect count=2 | quit ok";
        QTest::newRow("replies in many chunks") << "chunks.txt" << "connect list quit" << 3000 << true
            << "connect count=2 | list 1:100,2:200 | quit ok";
        QTest::newRow("two replies in one chunk") << "two-replies.txt" << "connect quit" << 3000 << true
            << "connect count=2 | quit ok";
        QTest::newRow("bare LF lines") << "bare-lf.txt" << "connect list summary:1 uidl:1 quit" << 3000 << true
            << "connect count=2 | list 1:100,2:200 | summary subject=[ Bare] from=[ lf@example.org] bytes=100 id=[] "
               "| uidl [bare-id\\n] | quit ok";

        // Failures.
        QTest::newRow("closed without a greeting") << "no-greeting.txt" << "connect" << 3000 << true
            << "connect ! ESockError: Connection closed before the reply";
        QTest::newRow("greeting not +OK") << "greeting-err.txt" << "connect" << 3000 << true
            << "connect ! EGeneralError: -ERR too busy\\r\\n";
        QTest::newRow("USER rejected") << "user-rejected.txt" << "connect" << 3000 << true
            << "connect ! EGeneralError: Authentication failed";
        QTest::newRow("PASS rejected") << "pass-rejected.txt" << "connect" << 3000 << true
            << "connect ! EGeneralError: Authentication failed";
        QTest::newRow("STAT rejected") << "stat-err.txt" << "connect" << 3000 << true
            << "connect ! EGeneralError: -ERR mailbox locked\\r\\n";
        QTest::newRow("TOP rejected") << "top-err.txt" << "connect summary:1 quit" << 3000 << true
            << "connect count=2 | summary ! EGeneralError: -ERR no such message\\r\\n | quit ok";
        QTest::newRow("UIDL not exactly +OK") << "uidl-err.txt" << "connect uidl:1 quit" << 3000 << true
            << "connect count=2 | uidl ! EGeneralError: +OKAY 1 abc\\r\\n | quit ok";
        QTest::newRow("QUIT rejected") << "quit-err.txt" << "connect quit list" << 3000 << true
            << "connect count=2 | quit ! EGeneralError: -ERR could not commit\\r\\n | list ! EGeneralError: Not Connected";
        QTest::newRow("no reply to DELE is no success") << "dele-closed.txt" << "connect dele:1" << 3000 << true
            << "connect count=2 | dele ! ESockError: Connection closed before the reply";
        QTest::newRow("greeting too slow") << "slow-timeout.txt" << "connect" << 300 << false
            << "connect ! EAbortError: Socket readln aborted";
        QTest::newRow("dropped in a listing") << "list-dropped.txt" << "connect list uidl:1" << 3000 << true
            << "connect count=2 | list 1:100 ! ESockError: Connection closed before the end of the listing "
               "| uidl ! EGeneralError: Not Connected";
        QTest::newRow("line over 64 KiB") << "long-line.txt" << "connect summary:1 uidl:1" << 3000 << false
            << "connect count=2 | summary ! ESockError: Line longer than 65536 bytes | uidl ! EGeneralError: Not Connected";
        QTest::newRow("listing without end") << "list-no-end.txt" << "connect list" << 10000 << false
            // The same number again is passed on once: the first wins.
            << "connect count=2 | list 1:100 ! EGeneralError: The listing exceeds its limit";
        QTest::newRow("header without end") << "header-no-end.txt" << "connect summary:1" << 10000 << false
            << "connect count=2 | summary ! EGeneralError: The header exceeds its limit";
        QTest::newRow("header over its line limit") << "header-three-lines.txt" << "headerlines=2 connect summary:1 lines"
            << 3000 << false
            // The lines before the one refused stay, though the refusal drops the connection.
            << "connect count=2 | summary ! EGeneralError: The header exceeds its limit | lines [Subject: a][From: b]";
        QTest::newRow("size in listing not a number") << "list-nonnumeric.txt" << "connect list uidl:1 quit" << 3000 << true
            << "connect count=2 | list 1:100 ! EGeneralError: Not a number: 'abc' | uidl [still-in-step\\r\\n] | quit ok";
        QTest::newRow("size of LIST n not a number") << "size-nonnumeric.txt" << "connect summary:1 quit" << 3000 << true
            << "connect count=2 | summary ! EGeneralError: Not a number: 'such' | quit ok";
        QTest::newRow("\"LIST \" rejected, then silence") << "list-trailing-blank.txt" << "connect list uidl:1" << 300 << true
            // The refusal ends the listing at once; the silence then times out the next command.
            << "connect count=2 | list ! EGeneralError: -ERR no arguments expected\\r\\n | uidl ! EAbortError: Socket readln aborted";
        QTest::newRow("clear text injected after STLS") << "stls-injection.txt" << "sec=starttls connect" << 3000 << true
            << "connect ! ESockError: Unexpected data before the TLS handshake";
        QTest::newRow("starttls without STLS") << "stls-missing.txt" << "sec=starttls connect" << 3000 << true
            << "connect ! ESockError: The server no longer offers encryption (no STLS); the password was not sent";
    }

    void scenario()
    {
        QFETCH(QString, file);
        QFETCH(QString, ops);
        QFETCH(int, timeOut);
        QFETCH(bool, scriptEnds);
        QFETCH(QString, expected);
        ScriptServer server;
        QVERIFY2(server.loadFile(ScriptServer::scenarioPath("pop3/" + file)), qPrintable(server.errorString()));
        QVERIFY(server.listen());
        TNMPOP3 pop;
        pop.Host = QStringLiteral("127.0.0.1");
        pop.Port = server.port();
        pop.TimeOut = timeOut;
        pop.UserID = "joe";
        pop.Password = "secret";
        pop.Security = "none";
        QCOMPARE(runOps(pop, ops), expected);
        QVERIFY(!pop.Busy());
        if (scriptEnds)
            QTRY_COMPARE_WITH_TIMEOUT(server.completedCount(), 1, 5000);
        QVERIFY2(server.errors().isEmpty(), qPrintable(server.errors().join('\n')));
    }

    void loginDataIsChecked_data()
    {
        QTest::addColumn<QByteArray>("user");
        QTest::addColumn<QByteArray>("password");
        QTest::newRow("no user, no handler") << QByteArray() << QByteArray("secret");
        QTest::newRow("no password, no handler") << QByteArray("joe") << QByteArray();
        QTest::newRow("line break smuggles a command") << QByteArray("joe") << QByteArray("x\r\nDELE 1");
    }
    void loginDataIsChecked()
    {
        QFETCH(QByteArray, user);
        QFETCH(QByteArray, password);
        ScriptServer server;
        QVERIFY(server.setScript("S: +OK\nHOLD"));
        QVERIFY(server.listen());
        TNMPOP3 pop;
        pop.Host = QStringLiteral("127.0.0.1");
        pop.Port = server.port();
        pop.UserID = user;
        pop.Password = password;
        QCOMPARE(failureOf([&] { syncWait(pop.Connect()); }), "EGeneralError: Authentication failed");
        QCOMPARE(server.connectionCount(), 0);
    }

    void authenticationNeededSuppliesTheLogin()
    {
        ScriptServer server;
        QVERIFY(server.loadFile(ScriptServer::scenarioPath("pop3/stat-empty.txt")));
        QVERIFY(server.listen());
        TNMPOP3 pop;
        pop.Host = QStringLiteral("127.0.0.1");
        pop.Port = server.port();
        pop.Security = "none";
        int asked = 0;
        int connects = 0;
        pop.OnAuthenticationNeeded = [&](bool &handled) {
            ++asked;
            pop.UserID = "joe";
            pop.Password = "secret";
            handled = true;
        };
        pop.OnConnect = [&](QObject *sender) { connects += sender == &pop; };
        syncWait(pop.Connect());
        QCOMPARE(asked, 1);
        QCOMPARE(connects, 1);
        syncWait(pop.Disconnect());
        QVERIFY(server.errors().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TstNmpop3Script)
#include "tst_nmpop3_script.moc"
