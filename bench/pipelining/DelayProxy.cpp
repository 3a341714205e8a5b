#include "DelayProxy.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

DelayProxy::DelayProxy(quint16 targetPort, int delayMs, QObject *parent)
    : QObject(parent), m_target(targetPort), m_delay(delayMs)
{
    m_clock.start();
    m_server = new QTcpServer(this);
    connect(m_server, &QTcpServer::newConnection, this, &DelayProxy::accept);
}

DelayProxy::~DelayProxy()
{
    qDeleteAll(m_pipes);
    qDeleteAll(m_answered);
}

bool DelayProxy::listen()
{
    return m_server->listen(QHostAddress::LocalHost, 0);
}

quint16 DelayProxy::port() const
{
    return m_server->serverPort();
}

void DelayProxy::accept()
{
    while (QTcpSocket *client = m_server->nextPendingConnection()) {
        auto *server = new QTcpSocket(this);
        client->setParent(this);
        // What a full queue leaves unread stays bounded too; the sender then waits.
        for (QTcpSocket *s : {client, server})
            s->setReadBufferSize(256 * 1024);
        // A client that speaks first (a TLS hello) starts a round trip too.
        auto *answered = new bool(true);
        m_answered << answered;
        ++m_roundTrips;
        auto *up = new Pipe{client, server, {}, 0, false, new QTimer(this), true, answered};
        auto *down = new Pipe{server, client, {}, 0, false, new QTimer(this), false, answered};
        m_pipes << up << down;
        for (Pipe *p : {up, down}) {
            p->timer->setSingleShot(true);
            p->timer->setTimerType(Qt::PreciseTimer);
            connect(p->timer, &QTimer::timeout, this, [this, p] { deliver(p); });
            connect(p->from, &QTcpSocket::readyRead, this, [this, p] { take(p); });
            connect(p->from, &QTcpSocket::disconnected, this, [this, p] {
                take(p);
                p->sourceClosed = true;
                deliver(p);
            });
        }
        // The delay is the proxy's only cost: no coalescing of small writes.
        connect(server, &QTcpSocket::connected, this, [client, server] {
            client->setSocketOption(QAbstractSocket::LowDelayOption, 1);
            server->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        });
        server->connectToHost(QHostAddress::LocalHost, m_target);
    }
}

void DelayProxy::take(Pipe *pipe)
{
    const qint64 room = QueueLimit - pipe->queued;
    if (room <= 0 || pipe->from->bytesAvailable() <= 0)
        return;
    QByteArray bytes = pipe->from->read(room);
    if (pipe->upstream && *pipe->answered) {
        *pipe->answered = false;
        ++m_roundTrips;
    }
    pipe->queued += bytes.size();
    pipe->queue.append({m_clock.elapsed() + m_delay, std::move(bytes)});
    if (!pipe->timer->isActive())
        schedule(pipe);
}

void DelayProxy::deliver(Pipe *pipe)
{
    const qint64 now = m_clock.elapsed();
    while (!pipe->queue.isEmpty() && pipe->queue.first().due <= now) {
        const Chunk chunk = pipe->queue.takeFirst();
        pipe->queued -= chunk.bytes.size();
        pipe->to->write(chunk.bytes);
        if (!pipe->upstream)
            *pipe->answered = true;
    }
    // Room again: what waited in the socket comes in now.
    take(pipe);
    if (!pipe->queue.isEmpty())
        schedule(pipe);
    else if (pipe->sourceClosed)
        pipe->to->disconnectFromHost();
}

void DelayProxy::schedule(Pipe *pipe)
{
    if (pipe->queue.isEmpty())
        return;
    pipe->timer->start(int(qMax<qint64>(0, pipe->queue.first().due - m_clock.elapsed())));
}
