// The HTTP client's parts that need no server: URL parsing, the header list, form encoding.
#include "net/TExStringList.h"
#include "net/TNMHTTP.h"
#include "net/TNMURL.h"

#include <QtTest>

class TstNmhttpParts : public QObject
{
    Q_OBJECT
private slots:
    void parseUrl_data();
    void parseUrl();
    void headerList_data();
    void headerList();
    void formEncoding();
};

void TstNmhttpParts::parseUrl_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<qint32>("portBefore");
    QTest::addColumn<QString>("host");     // Host afterwards ("old.host" before)
    QTest::addColumn<qint32>("port");
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<QString>("urlAfter");
    QTest::addColumn<QString>("error");

    const QString longPath = QLatin1Char('/') + QString(300, QLatin1Char('p'));
    QTest::newRow("bare host name") << "vorlo.example.org" << 80 << "vorlo.example.org" << 80
                                    << QByteArray("/") << "vorlo.example.org/" << "";
    QTest::newRow("http with path") << "http://vorlo.example.org/pub/upd_16.txt" << 80 << "vorlo.example.org" << 80
                                    << QByteArray("/pub/upd_16.txt") << "http://vorlo.example.org/pub/upd_16.txt" << "";
    QTest::newRow("scheme with port") << "http://127.0.0.1:8080/a/b?x=1" << 80 << "127.0.0.1" << 8080
                                      << QByteArray("/a/b?x=1") << "http://127.0.0.1:8080/a/b?x=1" << "";
    QTest::newRow("scheme only, upper case") << "HTTP://Host.Example" << 8080 << "Host.Example" << 80
                                             << QByteArray("/") << "HTTP://Host.Example/" << "";
    QTest::newRow("slash after host") << "http://h.example/" << 80 << "h.example" << 80
                                      << QByteArray("/") << "http://h.example/" << "";
    QTest::newRow("gopher") << "gopher://g.example/1" << 80 << "g.example" << 70 << QByteArray("/1")
                            << "gopher://g.example/1" << "";
    QTest::newRow("ftp") << "ftp://f.example/x" << 80 << "f.example" << 21 << QByteArray("/x")
                         << "ftp://f.example/x" << "";
    QTest::newRow("host and port, no scheme") << "localhost:8081/x" << 80 << "localhost" << 8081
                                              << QByteArray("/x") << "localhost:8081/x" << "";
    QTest::newRow("port 0 becomes 80") << "h.example/x" << 0 << "h.example" << 80 << QByteArray("/x")
                                       << "h.example/x" << "";
    QTest::newRow("path only keeps host and port") << "/moved/here" << 8080 << "old.host" << 8080
                                                   << QByteArray("/moved/here") << "/moved/here" << "";
    QTest::newRow("colon in a path is no scheme") << "/a:b" << 8080 << "old.host" << 8080 << QByteArray("/a:b")
                                                  << "/a:b" << "";
    QTest::newRow("double slash inside a path") << "h.example/a//b" << 80 << "h.example" << 80
                                                << QByteArray("/a//b") << "h.example/a//b" << "";
    QTest::newRow("path over 256 characters kept whole") << "http://h.example" + longPath << 80 << "h.example"
                                                         << 80 << longPath.toUtf8()
                                                         << "http://h.example" + longPath << "";
    QTest::newRow("https") << "https://vorlo.example.org/" << 80 << "old.host" << 80 << QByteArray()
                           << "" << "HTTP Secure Socket is not supported";
    QTest::newRow("empty") << "" << 80 << "old.host" << 80 << QByteArray() << "" << "Empty URL";
    QTest::newRow("port not a number") << "http://h.example:8o/" << 80 << "old.host" << 80 << QByteArray()
                                       << "" << "Not a number: '8o'";
    QTest::newRow("port over 16 bits") << "http://h.example:65616/" << 80 << "old.host" << 80 << QByteArray()
                                       << "" << "Not a valid port: '65616'";
    QTest::newRow("blank") << "http://h.example/a b" << 80 << "old.host" << 80 << QByteArray() << ""
                           << "Invalid character in URL";
    QTest::newRow("line end") << "http://h.example/\r\nX-Injected: 1" << 80 << "old.host" << 80 << QByteArray()
                              << "" << "Invalid character in URL";
}

void TstNmhttpParts::parseUrl()
{
    QFETCH(QString, url);
    QFETCH(qint32, portBefore);
    QFETCH(QString, host);
    QFETCH(qint32, port);
    QFETCH(QByteArray, path);
    QFETCH(QString, urlAfter);
    QFETCH(QString, error);

    TNMHTTP http;
    http.Host = QStringLiteral("old.host");
    http.Port = portBefore;
    QString raised;
    try {
        http.ParseURL(url);
    } catch (const EGeneralError &e) {
        raised = e.message();
    }
    QCOMPARE(raised, error);
    if (!error.isEmpty())
        return;
    QCOMPARE(http.Host, host);
    QCOMPARE(http.Port, port);
    QCOMPARE(http.RequestPath(), path);
    QCOMPARE(http.URL(), urlAfter);
}

void TstNmhttpParts::headerList_data()
{
    QTest::addColumn<bool>("sorted");
    QTest::addColumn<QByteArrayList>("lines");
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<qsizetype>("foundBefore");
    QTest::addColumn<QByteArrayList>("after");

    const QByteArrayList head{"GET / HTTP/1.0", "Host: a", "Accept: x", "Accept: y"};
    QTest::newRow("replace, name in other case") << false << head << QByteArray("HOST") << QByteArray("b")
                                                 << qsizetype(1)
                                                 << QByteArrayList{"GET / HTTP/1.0", "HOST: b", "Accept: x", "Accept: y"};
    QTest::newRow("first of two lines of a name") << false << head << QByteArray("accept") << QByteArray("z")
                                                  << qsizetype(2)
                                                  << QByteArrayList{"GET / HTTP/1.0", "Host: a", "accept: z", "Accept: y"};
    QTest::newRow("append") << false << head << QByteArray("Referer") << QByteArray("Vorlo 16") << qsizetype(-1)
                            << QByteArrayList{"GET / HTTP/1.0", "Host: a", "Accept: x", "Accept: y", "Referer: Vorlo 16"};
    QTest::newRow("empty value removes") << false << head << QByteArray("Host") << QByteArray() << qsizetype(1)
                                         << QByteArrayList{"GET / HTTP/1.0", "Accept: x", "Accept: y"};
    QTest::newRow("empty value, no line") << false << head << QByteArray("Cookie") << QByteArray() << qsizetype(-1)
                                          << head;
    QTest::newRow("line without colon never matches") << false << QByteArrayList{"Host", "Host: a"}
                                                      << QByteArray("Host") << QByteArray("b") << qsizetype(1)
                                                      << QByteArrayList{"Host", "Host: b"};
    QTest::newRow("sorted: found by halving") << true
                                              << QByteArrayList{"Zeta: 1", "accept: 2", "Beta: 3", "Accept-Language: 4", "Host", "host: 5", "Mid: 6"}
                                              << QByteArray("HOST") << QByteArray("9") << qsizetype(4)
                                              << QByteArrayList{"accept: 2", "Accept-Language: 4", "Beta: 3", "Host", "HOST: 9", "Mid: 6", "Zeta: 1"};
    QTest::newRow("sorted: inserted in order") << true << QByteArrayList{"B: 1", "D: 2"} << QByteArray("c")
                                               << QByteArray("3") << qsizetype(-1)
                                               << QByteArrayList{"B: 1", "c: 3", "D: 2"};
}

void TstNmhttpParts::headerList()
{
    QFETCH(bool, sorted);
    QFETCH(QByteArrayList, lines);
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, value);
    QFETCH(qsizetype, foundBefore);
    QFETCH(QByteArrayList, after);

    TExStringList list;
    for (const QByteArray &line : lines)
        list << line;
    list.setSorted(sorted);
    QCOMPARE(list.IndexOfName(name), foundBefore);
    list.SetValue(name, value);
    QCOMPARE(static_cast<const QByteArrayList &>(list), after);
}

void TstNmhttpParts::formEncoding()
{
    TNMURL url;
    url.InputString = QByteArray("a b+c/~\xC3\xA9\x01Z9", 12);
    QCOMPARE(url.Encode(), QByteArray("a+b%2bc%2f%7e%c3%a9%01Z9"));
    QCOMPARE(url.InputString, QByteArray("a b+c/~\xC3\xA9\x01Z9", 12)); // the input stays
}

QTEST_GUILESS_MAIN(TstNmhttpParts)
#include "tst_nmhttp_parts.moc"
