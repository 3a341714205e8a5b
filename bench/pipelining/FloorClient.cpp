#include "FloorClient.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QHostAddress>
#include <QNetworkProxy>
#include <QSslSocket>
#include <QTimer>

#include <cstring>

#include <sys/resource.h>

double processCpu()
{
    static const QByteArray which = qgetenv("VORLO_BENCH_CPU");
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    const double user = double(u.ru_utime.tv_sec) + double(u.ru_utime.tv_usec) / 1e6;
    const double system = double(u.ru_stime.tv_sec) + double(u.ru_stime.tv_usec) / 1e6;
    return which == "user" ? user : which == "system" ? system : user + system;
}

FloorRun runFloor(quint16 port, bool tls, const QByteArray &commands, const QList<FloorStep> &steps)
{
    FloorRun run;
    QSslSocket sock;
    sock.setProxy(QNetworkProxy::NoProxy);
    // The bench trusts the server it started; the handshake and its checks still run.
    QObject::connect(&sock, &QSslSocket::sslErrors, &sock, [&sock] { sock.ignoreSslErrors(); });
    QEventLoop loop;
    QTimer bound;
    bound.setSingleShot(true);
    QObject::connect(&bound, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(&sock, &QSslSocket::disconnected, &loop, [&] {
        run.ok = run.lines > 0;
        loop.quit();
    });
    // Until the last write the replies are read line by line, to see where each ends (the
    // greeting is the reply to nothing); after it only line ends are counted.
    qsizetype sentSteps = 0;
    bool sentRest = false;
    bool multiLine = false;
    QByteArray partial;
    char buffer[65536];
    const auto countLines = [&run](const char *p, const char *end) {
        while ((p = static_cast<const char *>(std::memchr(p, '\n', size_t(end - p)))))
            ++p, ++run.lines;
    };
    QObject::connect(&sock, &QSslSocket::readyRead, &loop, [&] {
        for (;;) {
            const qint64 got = sock.read(buffer, sizeof buffer);
            if (got <= 0)
                break;
            if (sentRest) {
                countLines(buffer, buffer + got);
                continue;
            }
            partial.append(buffer, got);
            for (qsizetype nl; !sentRest && (nl = partial.indexOf('\n')) >= 0;) {
                const QByteArray line = partial.left(nl + 1);
                partial.remove(0, nl + 1);
                ++run.lines;
                if (multiLine && line != ".\r\n" && line != ".\n")
                    continue;
                if (sentSteps < steps.size()) {
                    multiLine = steps.at(sentSteps).multiLine;
                    sock.write(steps.at(sentSteps++).command + "\r\n");
                } else {
                    sentRest = true;
                    sock.write(commands);
                }
            }
            if (sentRest) {
                countLines(partial.constBegin(), partial.constEnd());
                partial.clear();
            }
        }
    });
    const double cpu0 = processCpu();
    QElapsedTimer wall;
    wall.start();
    if (tls)
        sock.connectToHostEncrypted(QStringLiteral("127.0.0.1"), port);
    else
        sock.connectToHost(QHostAddress::LocalHost, port);
    bound.start(300000);
    loop.exec();
    run.wall = double(wall.nsecsElapsed()) / 1e9;
    run.cpu = processCpu() - cpu0;
    return run;
}
