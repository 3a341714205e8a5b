#include "platform/ExitSignals.h"

#include <QGuiApplication>
#include <QSessionManager>

// Windows ends the logon through the session manager (WM_QUERYENDSESSION), which Qt turns
// into commitDataRequest; a GUI program receives no console signals.

struct ExitSignals::Private
{
};

ExitSignals::ExitSignals(QObject *parent)
    : QObject(parent), d(new Private)
{
#ifndef QT_NO_SESSIONMANAGER
    if (auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        connect(app, &QGuiApplication::commitDataRequest, this, &ExitSignals::exitRequested);
#endif
}

ExitSignals::~ExitSignals()
{
    delete d;
}
