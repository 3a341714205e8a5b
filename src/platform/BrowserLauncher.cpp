#include "platform/BrowserLauncher.h"

#include "platform/DefaultHandlers.h"
#include "platform/ProcessLauncher.h"

#include <QtGlobal>

QString BrowserLauncher::commandLine(const QUrl &url)
{
    // Fully encoded, the address holds no quote or blank that could split the command line.
    const QString address = u'"' + QString::fromLatin1(url.toEncoded()) + u'"';
#ifdef Q_OS_WIN
    QString command = DefaultHandlers::instance().openCommand(QStringLiteral("http"));
    if (command.trimmed().isEmpty())
        return {};
    if (command.contains(QLatin1String("\"%1\"")))
        return command.replace(QLatin1String("\"%1\""), address);
    if (command.contains(QLatin1String("%1")))
        return command.replace(QLatin1String("%1"), address);
    return command + u' ' + address;
#else
    return QStringLiteral("xdg-open ") + address;
#endif
}

bool BrowserLauncher::open(const QUrl &url)
{
    const QString command = commandLine(url);
    return !command.isEmpty() && ProcessLauncher::instance().start(command, QString());
}
