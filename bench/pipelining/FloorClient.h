#pragma once

#include <QByteArray>
#include <QtGlobal>

// The floor a check is measured against: the least a client can do for the same commands.
// One connection (implicit TLS or plain) that sends every command in one write as soon as the
// server greets, then only reads, counting reply lines, until the server closes after QUIT.
struct FloorRun
{
    double wall = 0;        // seconds, connect to close
    double cpu = 0;         // seconds of this process
    qint64 lines = 0;       // reply lines received, greeting included
    bool ok = false;        // the server greeted, and closed the connection within the bound
};

FloorRun runFloor(quint16 port, bool tls, const QByteArray &commands);
