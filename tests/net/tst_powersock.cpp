// The socket transport against the scripted server: line assembly, failures and their
// texts, name resolution through the resolver seam, time-outs.
#include "fixtures/SyncWait.h"
#include "fixtures/ScriptServer.h"
#include "net/TPowersock.h"
#include "NetTestUtil.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

#include <memory>

class TstPowersock : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<ScriptServer> m_server;

    // Starts the scripted server and points a fresh component at it.
    std::unique_ptr<TPowersock> connectTo(const QByteArray &script, bool doConnect = true)
    {
        m_server = std::make_unique<ScriptServer>();
        if (!m_server->setScript(script) || !m_server->listen())
            return nullptr;
        auto sock = std::make_unique<TPowersock>();
        sock->Host = QStringLiteral("127.0.0.1");
        sock->Port = m_server->port();
        sock->TimeOut = 5000;
        if (doConnect)
            syncWait(sock->Connect());
        return sock;
    }

private slots:
    void nthField_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("n");
        QTest::addColumn<QByteArray>("field");
        QTest::newRow("count of STAT") << QByteArray("+OK 3 1520") << 2 << QByteArray("3");
        QTest::newRow("last keeps CR LF") << QByteArray("+OK 1 abc\r\n") << 3 << QByteArray("abc\r\n");
        QTest::newRow("empty between two blanks") << QByteArray("a  b") << 2 << QByteArray();
        QTest::newRow("after two blanks") << QByteArray("a  b") << 3 << QByteArray("b");
        QTest::newRow("missing field") << QByteArray("abc") << 2 << QByteArray();
        QTest::newRow("empty text") << QByteArray() << 1 << QByteArray();
        QTest::newRow("field zero") << QByteArray("abc") << 0 << QByteArray();
    }
    void nthField()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, n);
        QFETCH(QByteArray, field);
        QCOMPARE(TPowersock::NthField(text, ' ', n), field);
        QCOMPARE(TPowersock::NthField(QString::fromLatin1(text), QLatin1Char(' '), n), QString::fromLatin1(field));
    }

    void nthCharPos_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("n");
        QTest::addColumn<int>("pos");
        QTest::newRow("third slash of a URL") << QByteArray("http://host/path") << 3 << 12;
        QTest::newRow("first") << QByteArray("/x") << 1 << 1;
        QTest::newRow("too few") << QByteArray("a/b") << 2 << 4;
        QTest::newRow("n-th is the last character") << QByteArray("ab/") << 1 << 4;
    }
    void nthCharPos()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, n);
        QFETCH(int, pos);
        QCOMPARE(TPowersock::NthCharPos(text, '/', n), pos);
        QCOMPARE(TPowersock::NthCharPos(QString::fromLatin1(text), QLatin1Char('/'), n), pos);
    }

    void errorText_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("text");
        QTest::newRow("refused") << 10061 << "10061:Connection refused";
        QTest::newRow("reset") << 10054 << "10054:Connection reset by peer";
        QTest::newRow("unknown host") << 11001 << "11001:Host not found";
        QTest::newRow("last of the table") << 11004 << "11004:Valid name, no data record of requested type";
        QTest::newRow("not in the table") << 12345 << "Unknown Error No. 12345";
        QTest::newRow("no error") << 0 << "";
    }
    void errorText()
    {
        QFETCH(int, number);
        QFETCH(QString, text);
        TPowersock sock;
        QCOMPARE(sock.ErrorText(number), text);
    }

    void socketErrorsMapOntoTheTable()
    {
        QCOMPARE(TPowersock::socketErrorNumber(QAbstractSocket::ConnectionRefusedError, {}), 10061);
        QCOMPARE(TPowersock::socketErrorNumber(QAbstractSocket::HostNotFoundError, {}), 11001);
        QCOMPARE(TPowersock::socketErrorNumber(QAbstractSocket::NetworkError, "Network unreachable"), 10051);
        QCOMPARE(TPowersock::socketErrorNumber(QAbstractSocket::NetworkError, "Host unreachable"), 10065);
    }

    // How lines are cut from the stream, whatever the server's chunking.
    void readLn_data()
    {
        QTest::addColumn<QByteArray>("script");
        QTest::addColumn<int>("reads");
        QTest::addColumn<QByteArrayList>("lines");
        QTest::addColumn<QString>("failure");
        QTest::newRow("split across many chunks")
            << QByteArray("CHUNKS 3 15 +OK split across chunks\\r\\nHOLD") << 1
            << QByteArrayList{"+OK split across chunks\r\n"} << QString();
        QTest::newRow("two lines in one chunk") << QByteArray("RAW one\\r\\ntwo\\r\\n\nHOLD") << 2
                                                << QByteArrayList{"one\r\n", "two\r\n"} << QString();
        QTest::newRow("bare LF") << QByteArray("RAW bare\\nnext\\r\\n\nHOLD") << 2
                                 << QByteArrayList{"bare\n", "next\r\n"} << QString();
        QTest::newRow("closed before the line ends")
            << QByteArray("RAW partial") << 1 << QByteArrayList{""} << QString();
        QTest::newRow("closed after the line: then empty")
            << QByteArray("S: last") << 2 << QByteArrayList{"last\r\n", ""} << QString();
        QTest::newRow("line of exactly 64 KiB") << QByteArray("BULK 65534 x\nRAW \\r\\n\nHOLD") << 1
                                                << QByteArrayList{QByteArray(65534, 'x') + "\r\n"} << QString();
        QTest::newRow("line over 64 KiB") << QByteArray("BULK 70000 x\nRAW \\r\\n\nHOLD") << 1
                                          << QByteArrayList{} << "ESockError: Line longer than 65536 bytes";
    }
    void readLn()
    {
        QFETCH(QByteArray, script);
        QFETCH(int, reads);
        QFETCH(QByteArrayList, lines);
        QFETCH(QString, failure);
        auto sock = connectTo(script);
        QVERIFY(sock);
        QByteArrayList got;
        const QString raised = failureOf([&] {
            for (int i = 0; i < reads; ++i)
                got << syncWait(sock->ReadLn());
        });
        QCOMPARE(raised, failure);
        QCOMPARE(got, lines);
        if (!failure.isEmpty())
            QVERIFY(!sock->Connected()); // what follows the long line cannot be trusted
    }

    void transactionReplyNumber_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("failure");
        QTest::newRow("POP3 plus") << QByteArray("+OK fine") << 0 << QString();
        QTest::newRow("SMTP style") << QByteArray("250 ok") << 250 << QString();
        QTest::newRow("beyond 16 bits") << QByteArray("99999 big") << 0 << "EGeneralError: Range check error";
    }
    void transactionReplyNumber()
    {
        QFETCH(QByteArray, reply);
        QFETCH(int, number);
        QFETCH(QString, failure);
        auto sock = connectTo("C: HELLO\nS: " + reply + "\nHOLD");
        QVERIFY(sock);
        QByteArray line;
        QCOMPARE(failureOf([&] { line = syncWait(sock->Transaction("HELLO")); }), failure);
        QCOMPARE(sock->ReplyNumber, number);
        QCOMPARE(sock->LastReply, reply + "\r\n");
        QVERIFY(m_server->errors().isEmpty());
    }

    void statusReportsFollowTheLevel()
    {
        auto sock = connectTo("C: NOOP\nS: +OK noop\nHOLD");
        QVERIFY(sock);
        QStringList seen;
        sock->OnStatus = [&](QObject *, const QString &s) { seen << s; };
        sock->ReportLevel = 1;
        syncWait(sock->Transaction("NOOP"));
        QCOMPARE(seen, QStringList{"+OK noop\r\n"});
        sock->ReportLevel = 4;
        seen.clear();
        syncWait(sock->Disconnect());
        QCOMPARE(seen, QStringList{"Request Close Socket"});
    }

    void peerCloseIsNoticedAndSendFails()
    {
        auto sock = connectTo("S: bye\nCLOSE");
        QVERIFY(sock);
        int disconnects = 0;
        sock->OnDisconnect = [&](QObject *) { ++disconnects; };
        QCOMPARE(syncWait(sock->ReadLn()), QByteArray("bye\r\n"));
        QTRY_VERIFY_WITH_TIMEOUT(!sock->Connected(), 5000);
        QCOMPARE(disconnects, 1);
        QList<qint32> errors;
        sock->OnError = [&](QObject *, qint32 no, const QString &) { errors << no; };
        QCOMPARE(failureOf([&] { syncWait(sock->Writeln("QUIT")); }), "ESockError: 10057:Socket is not connected");
        QCOMPARE(errors, QList<qint32>{10057});
        QCOMPARE(failureOf([&] { sock->CheckConnection(); }), "EGeneralError: Not Connected");
    }

    void connectFailures()
    {
        // A port nobody listens on: refused, reported as a failed connection.
        quint16 closedPort = 0;
        {
            QTcpServer probe;
            QVERIFY(probe.listen(QHostAddress::LocalHost));
            closedPort = probe.serverPort();
        }
        TPowersock sock;
        sock.Host = QStringLiteral("127.0.0.1");
        sock.Port = closedPort;
        sock.TimeOut = 5000;
        int failedEvents = 0;
        sock.OnConnectionFailed = [&](QObject *) { ++failedEvents; };
        QCOMPARE(failureOf([&] { syncWait(sock.Connect()); }), "ESockError: Connection Failed");
        QCOMPARE(failedEvents, 1);
        QCOMPARE(sock.LastErrorNo, 10061);

        auto ok = connectTo("HOLD");
        QVERIFY(ok);
        QCOMPARE(failureOf([&] { syncWait(ok->Connect()); }), "ESockError: Already connected");
        // The same component connects again after a close.
        ok->RequestCloseSocket();
        QCOMPARE(failureOf([&] { syncWait(ok->Connect()); }), QString());
        QVERIFY(ok->Connected());
    }

    void connectTimesOutOnAFullBacklog()
    {
        // A listener that accepts nothing and queues one connection: further connects hang.
        QTcpServer server;
        server.setListenBacklogSize(0);
        QVERIFY(server.listen(QHostAddress::LocalHost));
        server.pauseAccepting();
        QList<QTcpSocket *> fillers;
        for (int i = 0; i < 3; ++i) {
            auto *filler = new QTcpSocket(&server);
            filler->connectToHost(QHostAddress::LocalHost, server.serverPort());
            fillers << filler;
        }
        QTest::qWait(100);
        TPowersock sock;
        sock.Host = QStringLiteral("127.0.0.1");
        sock.Port = server.serverPort();
        sock.TimeOut = 400;
        QCOMPARE(failureOf([&] { syncWait(sock.Connect()); }), "ESockError: Connection Timed out");
        QVERIFY(sock.TimedOut());
        QVERIFY(!sock.Connected());
    }

    void readLnTimesOut()
    {
        auto sock = connectTo("S: +OK hello\nHOLD");
        QVERIFY(sock);
        sock->TimeOut = 300;
        QCOMPARE(syncWait(sock->ReadLn()), QByteArray("+OK hello\r\n"));
        QCOMPARE(failureOf([&] { syncWait(sock->ReadLn()); }), "EAbortError: Socket readln aborted");
        QVERIFY(sock->TimedOut());
        QVERIFY(!sock->Canceled()); // cleared by the operation that raised
    }

    void zeroTimeOutNeverFires()
    {
        auto sock = connectTo("DELAY 700\nS: +OK late\nHOLD");
        QVERIFY(sock);
        sock->TimeOut = 0;
        QCOMPARE(syncWait(sock->ReadLn()), QByteArray("+OK late\r\n"));
        QVERIFY(!sock->TimedOut());
    }

    void resetDuringReadLnGivesEmptyLine()
    {
        auto sock = connectTo("HOLD");
        QVERIFY(sock);
        QTimer::singleShot(100, sock.get(), [&] { sock->RequestCloseSocket(); });
        QCOMPARE(syncWait(sock->ReadLn()), QByteArray());
        QVERIFY(!sock->Connected());
    }

    void captureString()
    {
        auto sock = connectTo("RAW HTTP/1.0 200 OK\\r\\n\\r\\nbody of\\nthe notice\nCLOSE");
        QVERIFY(sock);
        int packets = 0;
        sock->OnPacketRecvd = [&](QObject *) { ++packets; };
        const QByteArray text = syncWait(sock->CaptureString(-1));
        QCOMPARE(text, QByteArray("HTTP/1.0 200 OK\r\n\r\nbody of\nthe notice"));
        QCOMPARE(sock->BytesRecvd, qint32(text.size()));
        QVERIFY(packets >= 1);
    }

    void writeLimits()
    {
        auto sock = connectTo("C: *\nHOLD");
        QVERIFY(sock);
        QCOMPARE(failureOf([&] { syncWait(sock->Write(QByteArray(65536, 'a'))); }), "EGeneralError: Range check error");
        QCOMPARE(failureOf([&] { syncWait(sock->Writeln(QByteArray(60000, 'a'))); }), QString());
        QTRY_COMPARE_WITH_TIMEOUT(m_server->received().size(), 1, 5000);
        QCOMPARE(m_server->received().first().size(), 60000);
    }

    // Name lookups: literal addresses skip the resolver; everything else goes through
    // the seam, here a fake, so no name server is ever asked.
    void resolution_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("fakeAnswer"); // "" = fail, "-" = never answer
        QTest::addColumn<bool>("invalidHostFix");
        QTest::addColumn<QString>("failure");
        QTest::addColumn<int>("lookups");
        QTest::addColumn<int>("resolvedEvents");
        QTest::newRow("dotted address skips the lookup") << "127.0.0.1" << "" << false << "" << 0 << 0;
        QTest::newRow("name found") << "mail.example" << "127.0.0.1" << false << "" << 1 << 1;
        QTest::newRow("name not found") << "mail.example" << "" << false << "ESockError: Null Remote Address" << 1 << 0;
        QTest::newRow("not found, handler fixes the host") << "mail.example" << "" << true << "" << 1 << 0;
        QTest::newRow("lookup never answers") << "mail.example" << "-" << false << "ESockError: Host Lookup Timed Out" << 1 << 0;
    }
    void resolution()
    {
        QFETCH(QString, host);
        QFETCH(QString, fakeAnswer);
        QFETCH(bool, invalidHostFix);
        QFETCH(QString, failure);
        QFETCH(int, lookups);
        QFETCH(int, resolvedEvents);
        auto sock = connectTo("HOLD", false);
        QVERIFY(sock);
        sock->Host = host;
        sock->TimeOut = 300;
        int asked = 0;
        int resolved = 0;
        sock->Resolver = [&](const QString &name, QObject *context, std::function<void(const QList<QHostAddress> &)> done) {
            ++asked;
            QCOMPARE(name, host);
            if (fakeAnswer == QLatin1String("-"))
                return;
            QList<QHostAddress> answer;
            if (!fakeAnswer.isEmpty())
                answer << QHostAddress(fakeAnswer);
            QTimer::singleShot(10, context, [done, answer] { done(answer); });
        };
        sock->OnHostResolved = [&](QObject *) { ++resolved; };
        if (invalidHostFix)
            sock->OnInvalidHost = [&](bool &handled) {
                sock->Host = QStringLiteral("127.0.0.1");
                handled = true;
            };
        QCOMPARE(failureOf([&] { syncWait(sock->Connect()); }), failure);
        QCOMPARE(asked, lookups);
        QCOMPARE(resolved, resolvedEvents);
        QCOMPARE(sock->Connected(), failure.isEmpty());
    }

    void localhostUsesTheSystemResolver()
    {
        auto sock = connectTo("S: +OK local\nHOLD", false);
        QVERIFY(sock);
        sock->Host = QStringLiteral("localhost");
        int resolved = 0;
        sock->OnHostResolved = [&](QObject *) { ++resolved; };
        syncWait(sock->Connect());
        QCOMPARE(resolved, 1);
        QCOMPARE(syncWait(sock->ReadLn()), QByteArray("+OK local\r\n"));
    }
};

QTEST_GUILESS_MAIN(TstPowersock)
#include "tst_powersock.moc"
