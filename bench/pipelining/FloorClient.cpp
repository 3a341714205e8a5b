#include "FloorClient.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QHostAddress>
#include <QNetworkProxy>
#include <QSslSocket>
#include <QTimer>

#include <cstring>
#include <ctime>

FloorRun runFloor(quint16 port, bool tls, const QByteArray &commands)
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
    bool sent = false;
    char buffer[65536];
    QObject::connect(&sock, &QSslSocket::readyRead, &loop, [&] {
        for (;;) {
            const qint64 got = sock.read(buffer, sizeof buffer);
            if (got <= 0)
                break;
            for (const char *p = buffer, *end = buffer + got; (p = static_cast<const char *>(std::memchr(p, '\n', size_t(end - p))));)
                ++p, ++run.lines;
        }
        if (!sent && run.lines > 0) {
            sent = true;
            sock.write(commands);
        }
    });
    const std::clock_t cpu0 = std::clock();
    QElapsedTimer wall;
    wall.start();
    if (tls)
        sock.connectToHostEncrypted(QStringLiteral("127.0.0.1"), port);
    else
        sock.connectToHost(QHostAddress::LocalHost, port);
    bound.start(300000);
    loop.exec();
    run.wall = double(wall.nsecsElapsed()) / 1e9;
    run.cpu = double(std::clock() - cpu0) / CLOCKS_PER_SEC;
    return run;
}
