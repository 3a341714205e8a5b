#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QString>
#include <functional>

class QObject;

// Event types of the protocol components. An unassigned event is simply not called.
using TNotifyEvent = std::function<void(QObject *sender)>;
// The handler may fix what was missing and set `handled` to ask for one retry.
using THandlerEvent = std::function<void(bool &handled)>;
using TOnStatus = std::function<void(QObject *sender, const QString &status)>;
using TOnHostResolved = std::function<void(QObject *sender)>;
using TOnErrorEvent = std::function<void(QObject *sender, qint32 errorNo, const QString &text)>;
using TListEvent = std::function<void(qint32 msg, qint32 size)>;
using TVarFileNameEvent = std::function<void(QString &fileName)>;

// Starts an asynchronous name lookup and calls `done` exactly once, later, from the event
// loop, with the addresses found (none when the lookup failed). `context` bounds the call:
// once it is destroyed, `done` must not be called. Tests put a fake here so that a failing
// lookup never asks a real name server.
using THostResolver = std::function<void(const QString &name, QObject *context,
                                         std::function<void(const QList<QHostAddress> &)> done)>;
