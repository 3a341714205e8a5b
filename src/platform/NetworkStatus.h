#pragma once

#include <QObject>
#include <QString>

// Whether the machine can reach the network, as the system reports it. Without a backend that
// knows (none installed, no service running) the status is unknown and counts as reachable, so
// nothing changes for the program.
class NetworkStatus : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    virtual bool isKnown() const = 0;
    virtual bool isReachable() const = 0;

    // The system's own reachability backend (NetworkManager on Linux, the network list manager
    // on Windows), or the one `backend` names.
    static NetworkStatus *create(QObject *parent, const QString &backend = {});

signals:
    void reachableChanged(bool reachable);
};
