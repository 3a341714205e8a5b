#pragma once

// Stand-ins for the desktop around the checks: a network whose reachability the test sets, a
// sleep watch whose signals the test emits, and a notifier that records what it was asked.
#include "platform/DesktopNotifier.h"
#include "platform/NetworkStatus.h"
#include "platform/SleepWatch.h"

#include <QList>

class FakeNetworkStatus : public NetworkStatus
{
public:
    using NetworkStatus::NetworkStatus;
    bool isKnown() const override { return true; }
    bool isReachable() const override { return m_reachable; }
    void setReachable(bool reachable)
    {
        if (reachable == m_reachable)
            return;
        m_reachable = reachable;
        emit reachableChanged(reachable);
    }

private:
    bool m_reachable = true;
};

class FakeSleepWatch : public SleepWatch
{
public:
    using SleepWatch::SleepWatch;
};

class RecordingNotifier : public DesktopNotifier
{
public:
    struct Shown
    {
        quint64 key;
        QString title;
        QString body;
    };
    using DesktopNotifier::DesktopNotifier;
    void show(quint64 key, const QString &title, const QString &body) override { shown.append({key, title, body}); }
    QList<Shown> shown;
};
