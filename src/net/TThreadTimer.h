#pragma once

#include "net/NetEvents.h"

#include <QObject>
#include <QTimer>

// The wait bound of a socket component: a periodic timer that runs only while it is
// enabled, has a non-zero interval and a handler. Precise, because a coarse timer fires
// up to 5 % early and time-outs are user-visible.
class TThreadTimer : public QObject
{
    Q_OBJECT
public:
    explicit TThreadTimer(QObject *parent = nullptr);

    quint32 Interval() const { return m_interval; }
    void setInterval(quint32 ms);
    bool Enabled() const { return m_enabled; }
    void setEnabled(bool enabled);
    const TNotifyEvent &OnTimer() const { return m_onTimer; }
    void setOnTimer(TNotifyEvent handler);
    // True while a tick is pending.
    bool isArmed() const { return m_timer.isActive(); }

private:
    void update();

    QTimer m_timer;
    quint32 m_interval = 1000;
    bool m_enabled = true;
    TNotifyEvent m_onTimer;
};
