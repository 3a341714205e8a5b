#pragma once

#include <QObject>

// The machine going to sleep and waking up, as the system announces it. Where the system
// tells nothing, neither signal ever comes.
class SleepWatch : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // Listens to the system's announcements (on Linux the login manager on the system bus).
    static SleepWatch *create(QObject *parent);

signals:
    void aboutToSleep();
    void resumed();
};
