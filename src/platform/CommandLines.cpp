#include "platform/CommandLines.h"

#include <QFileInfo>

QString CommandLines::programOf(const QString &command)
{
    const QString rest = command.startsWith(QLatin1Char('"')) ? command.mid(1) : command;
    qsizetype end = rest.size();
    for (qsizetype i = 0; i < rest.size(); ++i) {
        const QChar c = rest.at(i);
        if (c == QLatin1Char('"') || (c == QLatin1Char('-') && (i == 0 || rest.at(i - 1).isSpace()))) {
            end = i;
            break;
        }
    }
    return rest.left(end).trimmed();
}

QString CommandLines::directoryOf(const QString &path)
{
    const qsizetype cut = qMax(path.lastIndexOf(QLatin1Char('\\')), path.lastIndexOf(QLatin1Char('/')));
    return cut < 0 ? QString() : path.left(cut);
}

QString CommandLines::asWord(const QString &path)
{
    if (path.contains(QLatin1Char(' ')) && QFileInfo(path).isFile())
        return QLatin1Char('"') + path + QLatin1Char('"');
    return path;
}
