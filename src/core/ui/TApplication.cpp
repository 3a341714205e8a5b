#include "core/ui/TApplication.h"
#include "platform/Log.h"

TApplication::TApplication(int &argc, char **argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Vorlo"));
    setApplicationDisplayName(QStringLiteral("Vorlo"));
    setQuitOnLastWindowClosed(false);
}

bool TApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        qCDebug(lcUi) << "event handler failed:" << Log::currentError();
        return false;
    }
}
