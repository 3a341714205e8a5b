#pragma once

#include <QObject>
#include <QProcess>

// Announces, from the event loop, that a process ended or could not start: one signal to
// co_await (with a time-out) for both. It is queued, so the waiter may destroy the process as
// soon as it resumes, never inside QProcess's own signal.
class ProcessEnd : public QObject
{
    Q_OBJECT
public:
    explicit ProcessEnd(QProcess &process);

signals:
    void ended();
};
