#pragma once

#include <QByteArray>
#include <QList>
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

// A command the client waits on before it writes the next: the login step by step, as a client
// does that does not send its password before the server took the user.
struct FloorStep
{
    QByteArray command;     // without its line end
    bool multiLine = false; // the reply ends with a "." line
};

// Seconds of CPU this process used so far: user and system time, or only one of them where
// VORLO_BENCH_CPU says "user" or "system" (to see where a difference lies).
double processCpu();

// `steps` go out one at a time, each after the reply to the one before; `commands` then in one
// write. Without steps it is the floor described above.
FloorRun runFloor(quint16 port, bool tls, const QByteArray &commands, const QList<FloorStep> &steps = {});
