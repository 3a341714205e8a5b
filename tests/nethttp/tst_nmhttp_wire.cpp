// The HTTP client against servers on loopback: the request bytes, the responses it reads,
// repeats and redirects, and servers that fail.
#include "fixtures/SyncWait.h"
#include "fixtures/ScriptServer.h"
#include "net/NetTestUtil.h"
#include "net/TNMHTTP.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

namespace {

// Keeps every byte a client sends. Once the request head (and the body its Content-Length
// announces) is in, it answers "200" with a short body and closes.
class CaptureServer : public QObject
{
public:
    QByteArray bytes;

    bool listen() { return m_server.listen(QHostAddress::LocalHost); }
    quint16 port() const { return m_server.serverPort(); }

    CaptureServer()
    {
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            QTcpSocket *s = m_server.nextPendingConnection();
            connect(s, &QTcpSocket::readyRead, this, [this, s] {
                bytes += s->readAll();
                const qsizetype headEnd = bytes.indexOf("\r\n\r\n");
                if (headEnd < 0 || m_answered)
                    return;
                qsizetype length = 0;
                for (const QByteArray &line : bytes.left(headEnd).split('\n'))
                    if (line.toLower().startsWith("content-length: "))
                        length = line.mid(16).trimmed().toInt();
                if (bytes.size() < headEnd + 4 + length)
                    return;
                m_answered = true;
                s->write("HTTP/1.0 200 OK\r\n\r\nok");
                s->disconnectFromHost();
            });
        });
    }

private:
    QTcpServer m_server;
    bool m_answered = false;
};

QByteArray scriptFor(const QByteArray &reply)
{
    // The request head first, whatever it holds, then the reply.
    return "C*:\n" + reply + "\nCLOSE\n";
}

const QByteArray Accepts = "Accept: www/source, text/html, video/mpeg, image/jpeg, image/x-tiff\r\n"
                           "Accept: image/x-rgb, image/x-xbm, image/gif, */*, application/postscript\r\n";

} // namespace

class TstNmhttpWire : public QObject
{
    Q_OBJECT
private slots:
    void requestBytes_data();
    void requestBytes();
    void response_data();
    void response();
    void oversizedReplies_data();
    void oversizedReplies();
    void redirectToNewServer();
    void repeatsAreBounded_data();
    void repeatsAreBounded();
    void redirectHandlerStops();
    void secondRequestWhileWaiting();
};

void TstNmhttpWire::requestBytes_data()
{
    QTest::addColumn<int>("setup");
    QTest::addColumn<QByteArray>("expected"); // "PORT" stands for the server's port

    QTest::newRow("update notice") << 0 << ("GET /pub/upd_16.txt HTTP/1.0\r\nHost: 127.0.0.1\r\n" + Accepts
                                            + "User-Agent: Vorlo\r\nReferer: Vorlo 16\r\n"
                                              "Content-type: application/x-www-form-urlencoded\r\n\r\n");
    // Credentials longer than 45 bytes still make one header line.
    QTest::newRow("every header") << 1 << ("GET /x?y=1 HTTP/1.0\r\nHost: 127.0.0.1\r\n" + Accepts
                                           + "User-Agent: Vorlo\r\nFrom: me@example.org\r\nCookie: id=42\r\n"
                                             "Referer: Vorlo\r\n"
                                             "Authorization: Basic "
                                           + QByteArray("someone.with.a.long.name:and-a-password-that-is-long-too").toBase64()
                                           + "\r\nContent-type: application/x-www-form-urlencoded\r\n\r\n");
    QTest::newRow("through a proxy") << 2 << ("GET http://vorlo.example.org/pub/upd_16.txt HTTP/1.0\r\n"
                                              "Proxy-Connection: Keep-Alive\r\nHost: vorlo.example.org\r\n"
                                              + Accepts + "Content-type: application/x-www-form-urlencoded\r\n\r\n");
    // Names and values are encoded, the separators stay.
    const QByteArray form = "my+name=J%c3%b6rg&a=1%2f2";
    QTest::newRow("form post") << 3 << ("POST /form HTTP/1.0\r\nHost: 127.0.0.1\r\n" + Accepts
                                        + "Content-type: application/x-www-form-urlencoded\r\n"
                                          "Content-Length: " + QByteArray::number(form.size()) + "\r\n\r\n" + form);
}

void TstNmhttpWire::requestBytes()
{
    QFETCH(int, setup);
    QFETCH(QByteArray, expected);

    CaptureServer server;
    QVERIFY(server.listen());
    const QString base = QStringLiteral("http://127.0.0.1:%1").arg(server.port());
    TNMHTTP http;
    http.TimeOut = 5000;
    QString failure;
    switch (setup) {
    case 0:
        http.HeaderInfo.LocalProgram = "Vorlo";
        http.HeaderInfo.Referer = "Vorlo 16";
        failure = failureOf([&] { syncWait(http.Get(base + "/pub/upd_16.txt")); });
        break;
    case 1:
        http.HeaderInfo = {"me@example.org", "Vorlo", "id=42", "Vorlo", "someone.with.a.long.name",
                           "and-a-password-that-is-long-too"};
        failure = failureOf([&] { syncWait(http.Get(base + "/x?y=1")); });
        break;
    case 2:
        http.Proxy = QStringLiteral("127.0.0.1");
        http.ProxyPort = server.port();
        failure = failureOf([&] { syncWait(http.Get(QStringLiteral("http://vorlo.example.org/pub/upd_16.txt"))); });
        break;
    case 3:
        failure = failureOf([&] { syncWait(http.Post(base + "/form", QByteArray("my name=J\xC3\xB6rg&a=1/2"))); });
        break;
    }
    QCOMPARE(failure, QString());
    QCOMPARE(http.ReplyNumber, qint16(200));
    QCOMPARE(http.Body, QByteArray("ok"));
    QCOMPARE(visibleBytes(server.bytes), visibleBytes(expected));
}

void TstNmhttpWire::response_data()
{
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<qint32>("timeOut");
    QTest::addColumn<QString>("failure");
    QTest::addColumn<qint16>("replyNumber");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QByteArray>("header");
    QTest::addColumn<int>("successes");
    QTest::addColumn<int>("failures");
    QTest::addColumn<QByteArray>("cookie");

    QTest::newRow("200 with length")
        << scriptFor("S: HTTP/1.0 200 OK\nS: Content-Length: 13\nS: Set-Cookie: id=7; path=/\nS:\nRAW Line one\\r\\nTwo")
        << 0 << "" << qint16(200) << QByteArray("Line one\r\nTwo")
        << QByteArray("HTTP/1.0 200 OK\r\nContent-Length: 13\r\nSet-Cookie: id=7; path=/\r\n\r\n") << 1 << 0
        << QByteArray("id=7; path=/");
    // Read until the server closes, in pieces, with a bare LF ending the head.
    QTest::newRow("200 without length")
        << scriptFor("RAW HTTP/1.0 200 OK\\nServer: x\\n\\n\nCHUNKS 3 20 abcdefgh\\r\\nij\nDELAY 50\nRAW kl")
        << 0 << "" << qint16(200) << QByteArray("abcdefgh\r\nijkl") << QByteArray("HTTP/1.0 200 OK\nServer: x\n\n")
        << 1 << 0 << QByteArray();
    // Head and body in one write: the body read after the head's lines is not lost.
    QTest::newRow("head and body in one piece")
        << scriptFor("RAW HTTP/1.0 200 OK\\r\\nContent-Length: 5\\r\\n\\r\\nhello") << 0 << "" << qint16(200)
        << QByteArray("hello") << QByteArray("HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\n") << 1 << 0
        << QByteArray();
    QTest::newRow("404") << scriptFor("S: HTTP/1.0 404 Not Found\nS:\nRAW <h1>gone</h1>") << 0 << ""
                         << qint16(404) << QByteArray("<h1>gone</h1>") << QByteArray("HTTP/1.0 404 Not Found\r\n\r\n")
                         << 0 << 1 << QByteArray();
    QTest::newRow("status line not HTTP") << scriptFor("S: Hello there\nS:\nRAW notice") << 0 << "" << qint16(0)
                                          << QByteArray("notice") << QByteArray("Hello there\r\n\r\n") << 1 << 0 << QByteArray();
    QTest::newRow("closed at once") << QByteArray("C*:\nCLOSE\n") << 0
                                    << "EGeneralError: Connection closed without a response" << qint16(0)
                                    << QByteArray() << QByteArray() << 0 << 0 << QByteArray();
    QTest::newRow("closed inside the head") << scriptFor("S: HTTP/1.0 200 OK\nS: Content-Type: text/plain") << 0
                                            << "EGeneralError: Connection closed before the response was complete"
                                            << qint16(200) << QByteArray()
                                            << QByteArray("HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n") << 0 << 0 << QByteArray();
    QTest::newRow("body shorter than its length")
        << scriptFor("S: HTTP/1.0 200 OK\nS: Content-Length: 100\nS:\nRAW only part") << 0
        << "EGeneralError: Connection closed before the response was complete" << qint16(200)
        << QByteArray("only part") << QByteArray("HTTP/1.0 200 OK\r\nContent-Length: 100\r\n\r\n") << 0 << 0 << QByteArray();
    QTest::newRow("server silent") << QByteArray("C*:\nHOLD\n") << 300 << "EAbortError: Socket readln aborted"
                                   << qint16(0) << QByteArray() << QByteArray() << 0 << 0 << QByteArray();
}

void TstNmhttpWire::response()
{
    QFETCH(QByteArray, script);
    QFETCH(qint32, timeOut);
    QFETCH(QString, failure);
    QFETCH(qint16, replyNumber);
    QFETCH(QByteArray, body);
    QFETCH(QByteArray, header);
    QFETCH(int, successes);
    QFETCH(int, failures);
    QFETCH(QByteArray, cookie);

    ScriptServer server;
    QVERIFY(server.setScript(script));
    QVERIFY(server.listen());
    TNMHTTP http;
    http.TimeOut = timeOut;
    int succeeded = 0;
    int failed = 0;
    http.OnSuccess = [&](CmdType cmd) { QCOMPARE(cmd, CmdType::CmdGET); ++succeeded; };
    http.OnFailure = [&](CmdType cmd) { QCOMPARE(cmd, CmdType::CmdGET); ++failed; };
    QCOMPARE(failureOf([&] { syncWait(http.Get(QStringLiteral("127.0.0.1:%1/notice.txt").arg(server.port()))); }), failure);
    QCOMPARE(http.ReplyNumber, replyNumber);
    QCOMPARE(visibleBytes(http.Header), visibleBytes(header));
    if (failure.isEmpty())
        QCOMPARE(visibleBytes(http.Body), visibleBytes(body));
    QCOMPARE(succeeded, successes);
    QCOMPARE(failed, failures);
    QCOMPARE(server.errors(), QStringList());
    QCOMPARE(server.connectionCount(), 1);
    // Every outcome leaves the connection closed and the component idle.
    QTRY_COMPARE_WITH_TIMEOUT(server.closedCount(), 1, 5000);
    QVERIFY(!http.Connected());
    QVERIFY(!http.Busy());
    QCOMPARE(http.Cookie(), cookie);
}

void TstNmhttpWire::oversizedReplies_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("failure");
    QTest::newRow("endless head") << QByteArray("S: HTTP/1.0 200 OK\nBULK 100000 X-Filler: 0123456789\\r\\n")
                                  << "EGeneralError: Response header too long";
    QTest::newRow("body over the limit") << QByteArray("S: HTTP/1.0 200 OK\nS:\nBULK 100000 0123456789")
                                         << "EGeneralError: Response body too large";
}

void TstNmhttpWire::oversizedReplies()
{
    QFETCH(QByteArray, reply);
    QFETCH(QString, failure);
    ScriptServer server;
    QVERIFY(server.setScript(scriptFor(reply)));
    QVERIFY(server.listen());
    TNMHTTP http;
    http.TimeOut = 5000;
    http.BodyLimit = 64 * 1024;
    QCOMPARE(failureOf([&] { syncWait(http.Get(QStringLiteral("http://127.0.0.1:%1/").arg(server.port()))); }), failure);
    QVERIFY(http.Body.size() <= 2 * 64 * 1024);
    QTRY_COMPARE_WITH_TIMEOUT(server.closedCount(), 1, 5000);
}

void TstNmhttpWire::redirectToNewServer()
{
    ScriptServer target;
    QVERIFY(target.setScript(scriptFor("S: HTTP/1.0 200 OK\nS:\nRAW moved notice")));
    QVERIFY(target.listen());
    ScriptServer first;
    QVERIFY(first.setScript(scriptFor(QByteArray("S: HTTP/1.0 301 Moved Permanently\n"
                                                 "S: Set-Cookie: seen=1\n"
                                                 "S: Location: http://127.0.0.1:%1/new/place.txt\nS:\nRAW old")
                                          .replace("%1", QByteArray::number(target.port())))));
    QVERIFY(first.listen());

    TNMHTTP http;
    http.TimeOut = 5000;
    int redirects = 0;
    http.OnRedirect = [&](bool &) { ++redirects; };
    QCOMPARE(failureOf([&] { syncWait(http.Get(QStringLiteral("http://127.0.0.1:%1/old.txt").arg(first.port()))); }), QString());
    QCOMPARE(redirects, 1);
    QCOMPARE(http.ReplyNumber, qint16(200));
    QCOMPARE(http.Body, QByteArray("moved notice"));
    QCOMPARE(http.Port, qint32(target.port()));
    QCOMPARE(http.URL(), QStringLiteral("http://127.0.0.1:%1/new/place.txt").arg(target.port()));
    QCOMPARE(first.connectionCount(), 1);
    QCOMPARE(target.connectionCount(), 1);
    // The new request carries the cookie the redirect set.
    const QByteArrayList lines = target.received();
    QVERIFY(!lines.isEmpty());
    QCOMPARE(lines.first(), QByteArray("GET /new/place.txt HTTP/1.0"));
    QVERIFY(lines.contains("Cookie: seen=1"));
}

void TstNmhttpWire::repeatsAreBounded_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::newRow("302 to itself") << QByteArray("S: HTTP/1.0 302 Found\nS: Location: /loop\nS:");
    QTest::newRow("301 without location") << QByteArray("S: HTTP/1.0 301 Moved\nS:");
    QTest::newRow("303") << QByteArray("S: HTTP/1.0 303 See Other\nS: Location: /other\nS:");
    QTest::newRow("299") << QByteArray("S: HTTP/1.0 299 Odd\nS:");
}

void TstNmhttpWire::repeatsAreBounded()
{
    QFETCH(QByteArray, reply);
    ScriptServer server;
    QVERIFY(server.setScript(scriptFor(reply)));
    QVERIFY(server.listen());
    TNMHTTP http;
    http.TimeOut = 5000;
    QCOMPARE(failureOf([&] { syncWait(http.Get(QStringLiteral("http://127.0.0.1:%1/start").arg(server.port()))); }),
             QStringLiteral("EGeneralError: Too many redirects"));
    QCOMPARE(server.connectionCount(), TNMHTTP::MaxRepeats + 1);
    QTRY_COMPARE_WITH_TIMEOUT(server.closedCount(), TNMHTTP::MaxRepeats + 1, 5000);
    QVERIFY(!http.Busy());
}

void TstNmhttpWire::redirectHandlerStops()
{
    ScriptServer server;
    QVERIFY(server.setScript(scriptFor("S: HTTP/1.0 302 Found\nS: Location: /elsewhere\nS:\nRAW see")));
    QVERIFY(server.listen());
    TNMHTTP http;
    http.TimeOut = 5000;
    http.OnRedirect = [](bool &handled) { handled = true; };
    QCOMPARE(failureOf([&] { syncWait(http.Get(QStringLiteral("http://127.0.0.1:%1/").arg(server.port()))); }), QString());
    QCOMPARE(http.ReplyNumber, qint16(302));
    QCOMPARE(http.Location(), QByteArray("/elsewhere"));
    QCOMPARE(http.Body, QByteArray("see"));
    QCOMPARE(server.connectionCount(), 1);
}

void TstNmhttpWire::secondRequestWhileWaiting()
{
    ScriptServer server;
    QVERIFY(server.setScript(scriptFor("DELAY 300\nS: HTTP/1.0 200 OK\nS:\nRAW first")));
    QVERIFY(server.listen());
    TNMHTTP http;
    http.TimeOut = 5000;
    const QString url = QStringLiteral("http://127.0.0.1:%1/").arg(server.port());
    QString nested = QStringLiteral("not run");
    QTimer::singleShot(100, [&] { nested = failureOf([&] { syncWait(http.Get(url)); }); });
    QCOMPARE(failureOf([&] { syncWait(http.Get(url)); }), QString());
    QCOMPARE(nested, QStringLiteral("EGeneralError: HTTP request already in progress"));
    QCOMPARE(http.Body, QByteArray("first"));
    QCOMPARE(server.connectionCount(), 1);
}

QTEST_GUILESS_MAIN(TstNmhttpWire)
#include "tst_nmhttp_wire.moc"
