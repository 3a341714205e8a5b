#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QObject>

class QTcpServer;
class QTcpSocket;
class QTimer;

// A TCP relay on loopback that holds every byte for a fixed time in each direction, so a
// benchmark sees the round trips of a slow link against a local server. It listens on
// 127.0.0.1 only and connects only to a 127.0.0.1 port; each direction queues at most
// QueueLimit bytes and stops reading its source while full, so memory stays bounded.
//
// It counts round trips over all its connections: each connection is one (its set-up), and
// so is every client write that follows bytes the client has been handed since its last
// write (the client speaking again after an answer, the turn a latency-bound exchange costs).
class DelayProxy : public QObject
{
    Q_OBJECT
public:
    static constexpr qint64 QueueLimit = 4 * 1024 * 1024;

    DelayProxy(quint16 targetPort, int delayMs, QObject *parent = nullptr);
    ~DelayProxy() override;

    bool listen();
    quint16 port() const;
    int roundTrips() const { return m_roundTrips; }
    void resetRoundTrips() { m_roundTrips = 0; }

private:
    struct Chunk
    {
        qint64 due;          // ms on m_clock
        QByteArray bytes;
    };
    // One direction of one connection.
    struct Pipe
    {
        QTcpSocket *from = nullptr;
        QTcpSocket *to = nullptr;
        QList<Chunk> queue;
        qint64 queued = 0;
        bool sourceClosed = false;
        QTimer *timer = nullptr;
        bool upstream = false;        // client to server
        bool *answered = nullptr;     // the connection's: the client was handed bytes since it last wrote
    };

    void accept();
    void take(Pipe *pipe);
    void deliver(Pipe *pipe);
    void schedule(Pipe *pipe);

    QTcpServer *m_server = nullptr;
    quint16 m_target;
    int m_delay;
    QElapsedTimer m_clock;
    QList<Pipe *> m_pipes;
    QList<bool *> m_answered;
    int m_roundTrips = 0;
};
