#include "net/TThreadTimer.h"

#include <limits>

TThreadTimer::TThreadTimer(QObject *parent) : QObject(parent)
{
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        if (m_onTimer)
            m_onTimer(this);
    });
}

void TThreadTimer::setInterval(quint32 ms)
{
    m_interval = ms;
    update();
}

void TThreadTimer::setEnabled(bool enabled)
{
    m_enabled = enabled;
    update();
}

void TThreadTimer::setOnTimer(TNotifyEvent handler)
{
    m_onTimer = std::move(handler);
    update();
}

void TThreadTimer::update()
{
    m_timer.stop();
    if (m_interval != 0 && m_enabled && m_onTimer) {
        constexpr quint32 maxMs = std::numeric_limits<int>::max();
        m_timer.start(int(qMin(m_interval, maxMs)));
    }
}
