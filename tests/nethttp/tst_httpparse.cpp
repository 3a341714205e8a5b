// The HTTP client's reading of a response head and of a URL, on bytes: no server needed.
// How TNMHTTP applies a URL to its Host and Port is tested in tst_nmhttp_parts.
#include "net/HttpResponseHead.h"
#include "net/HttpUrl.h"
#include "platform/GeneralError.h"

#include <QTest>

class TstHttpParse : public QObject
{
    Q_OBJECT
private slots:
    void responseHead_data();
    void responseHead();
    void url_data();
    void url();
};

void TstHttpParse::responseHead_data()
{
    QTest::addColumn<QByteArrayList>("lines");   // as read; an empty one is the server's close
    QTest::addColumn<qint64>("limit");
    QTest::addColumn<qsizetype>("taken");        // lines the head took before it ended
    QTest::addColumn<QByteArray>("kept");        // the lines that belong to the head
    QTest::addColumn<qint32>("status");
    QTest::addColumn<QByteArray>("cookie");
    QTest::addColumn<QByteArray>("location");
    QTest::addColumn<qint32>("length");
    QTest::addColumn<QString>("error");

    const qint64 big = 1 << 20;
    const QByteArrayList full{"HTTP/1.0 302 Found\r\n", "Set-Cookie: id=7; path=/\r\n",
                              "Location: http://h.example/new\r\n", "Content-Length: 12\r\n", "\r\n",
                              "Location: body, not head\r\n"};
    QTest::newRow("full head, body not read") << full << big << qsizetype(5) << full.mid(0, 5).join() << 302
                                              << QByteArray("id=7; path=/") << QByteArray("http://h.example/new")
                                              << 12 << "";
    QTest::newRow("names in any case, bare LF")
        << QByteArrayList{"HTTP/1.1 200 OK\n", "content-length:  40 \n", "LOCATION: /x\n", "\n"} << big
        << qsizetype(4) << QByteArray("HTTP/1.1 200 OK\ncontent-length:  40 \nLOCATION: /x\n\n") << 200
        << QByteArray() << QByteArray("/x") << 40 << "";
    QTest::newRow("later field wins, value keeps inner blanks")
        << QByteArrayList{"HTTP/1.0 200 OK\r\n", "Set-Cookie: a\r\n", "Set-Cookie: b  c\r\n", "\r\n"} << big
        << qsizetype(4) << QByteArray("HTTP/1.0 200 OK\r\nSet-Cookie: a\r\nSet-Cookie: b  c\r\n\r\n") << 200
        << QByteArray("b  c") << QByteArray() << 0 << "";
    QTest::newRow("bad and negative lengths are 0")
        << QByteArrayList{"HTTP/1.0 200 OK\r\n", "Content-Length: 12x\r\n", "\r\n"} << big << qsizetype(3)
        << QByteArray("HTTP/1.0 200 OK\r\nContent-Length: 12x\r\n\r\n") << 200 << QByteArray() << QByteArray()
        << 0 << "";
    QTest::newRow("negative length") << QByteArrayList{"HTTP/1.0 200 OK\r\n", "Content-Length: -5\r\n", "\r\n"}
                                     << big << qsizetype(3)
                                     << QByteArray("HTTP/1.0 200 OK\r\nContent-Length: -5\r\n\r\n") << 200
                                     << QByteArray() << QByteArray() << 0 << "";
    QTest::newRow("status not a number") << QByteArrayList{"HTTP/1.0 2OO OK\r\n", "\r\n"} << big << qsizetype(2)
                                         << QByteArray("HTTP/1.0 2OO OK\r\n\r\n") << 0 << QByteArray()
                                         << QByteArray() << 0 << "";
    QTest::newRow("status beyond 16 bits") << QByteArrayList{"HTTP/1.0 40000 x\r\n", "\r\n"} << big
                                           << qsizetype(2) << QByteArray("HTTP/1.0 40000 x\r\n\r\n") << 0
                                           << QByteArray() << QByteArray() << 0 << "";
    QTest::newRow("status line ends after the number") << QByteArrayList{"HTTP/1.0 204\r\n", "\r\n"} << big
                                                       << qsizetype(2) << QByteArray("HTTP/1.0 204\r\n\r\n")
                                                       << 204 << QByteArray() << QByteArray() << 0 << "";
    QTest::newRow("not HTTP: the close ends it")
        << QByteArrayList{"SSH-2.0-x\r\n", "more\r\n", ""} << big << qsizetype(3)
        << QByteArray("SSH-2.0-x\r\nmore\r\n") << 0 << QByteArray() << QByteArray() << 0 << "";
    QTest::newRow("closed without a word") << QByteArrayList{""} << big << qsizetype(1) << QByteArray() << 0
                                           << QByteArray() << QByteArray() << 0
                                           << "Connection closed without a response";
    QTest::newRow("HTTP head cut short")
        << QByteArrayList{"HTTP/1.0 200 OK\r\n", "Content-Length: 3\r\n", ""} << big << qsizetype(3)
        << QByteArray("HTTP/1.0 200 OK\r\nContent-Length: 3\r\n") << 200 << QByteArray() << QByteArray() << 3
        << "Connection closed before the response was complete";
    // 17 + 19 bytes fit a limit of 36; the next line does not, and is not kept.
    QTest::newRow("limit reached exactly, then passed")
        << QByteArrayList{"HTTP/1.0 200 OK\r\n", "Content-Length: 9\r\n", "X\r\n"} << qint64(36) << qsizetype(3)
        << QByteArray("HTTP/1.0 200 OK\r\nContent-Length: 9\r\n") << 200 << QByteArray() << QByteArray() << 9
        << "Response header too long";
}

void TstHttpParse::responseHead()
{
    QFETCH(QByteArrayList, lines);
    QFETCH(qint64, limit);
    QFETCH(QString, error);

    HttpResponseHead head(limit);
    QByteArray kept;
    qsizetype taken = 0;
    QString raised;
    try {
        for (bool more = true; more && taken < lines.size();) {
            more = head.take(lines.at(taken++));
            if (head.belongs())
                kept += lines.at(taken - 1);
        }
    } catch (const EGeneralError &e) {
        raised = e.message();
    }
    QCOMPARE(raised, error);
    QTEST(taken, "taken");
    QTEST(kept, "kept");
    QTEST(qint32(head.status()), "status");
    QTEST(head.cookie(), "cookie");
    QTEST(head.location(), "location");
    QTEST(head.contentLength(), "length");
}

void TstHttpParse::url_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("host");
    QTest::addColumn<qint32>("port");
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<QString>("urlAfter");
    QTest::addColumn<QString>("error");

    QTest::newRow("no scheme, no port: none named") << "h.example/a" << "h.example" << 0 << QByteArray("/a")
                                                    << "h.example/a" << "";
    QTest::newRow("server without scheme") << "//h.example/a" << "h.example" << 0 << QByteArray("/a")
                                           << "//h.example/a" << "";
    QTest::newRow("path only: no host") << "/a/b" << "" << 0 << QByteArray("/a/b") << "/a/b" << "";
    QTest::newRow("scheme's port") << "ftp://f.example" << "f.example" << 21 << QByteArray("/")
                                   << "ftp://f.example/" << "";
    QTest::newRow("explicit port wins over the scheme's") << "gopher://g.example:7070/1" << "g.example" << 7070
                                                          << QByteArray("/1") << "gopher://g.example:7070/1" << "";
    QTest::newRow("unknown scheme is HTTP") << "web://w.example/" << "w.example" << 80 << QByteArray("/")
                                            << "web://w.example/" << "";
    QTest::newRow("highest port") << "h.example:65535" << "h.example" << 65535 << QByteArray("/")
                                  << "h.example:65535/" << "";
    QTest::newRow("path as UTF-8") << QString::fromUtf8("http://h.example/\xc3\xa4") << "h.example" << 80
                                   << QByteArray("/\xc3\xa4") << QString::fromUtf8("http://h.example/\xc3\xa4") << "";
    QTest::newRow("port 0") << "http://h.example:0/" << "" << 0 << QByteArray() << "" << "Not a valid port: '0'";
    QTest::newRow("empty port") << "http://h.example:/" << "" << 0 << QByteArray() << "" << "Not a number: ''";
    QTest::newRow("two ports") << "h.example:80:81/" << "" << 0 << QByteArray() << "" << "Not a number: '80:81'";
    QTest::newRow("HTTPS in capitals") << "HTTPS://h.example/" << "" << 0 << QByteArray() << ""
                                       << "HTTP Secure Socket is not supported";
    QTest::newRow("DEL") << "http://h.example/\x7f" << "" << 0 << QByteArray() << "" << "Invalid character in URL";
    QTest::newRow("tab") << "http://h.example/\t" << "" << 0 << QByteArray() << "" << "Invalid character in URL";
}

void TstHttpParse::url()
{
    QFETCH(QString, url);
    QFETCH(QString, error);

    HttpUrl parts;
    QString raised;
    try {
        parts = HttpUrl::parse(url);
    } catch (const EGeneralError &e) {
        raised = e.message();
    }
    QCOMPARE(raised, error);
    QTEST(parts.host, "host");
    QTEST(parts.port, "port");
    QTEST(parts.path, "path");
    QTEST(parts.url, "urlAfter");
}

QTEST_GUILESS_MAIN(TstHttpParse)
#include "tst_httpparse.moc"
