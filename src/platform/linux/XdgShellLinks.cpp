#include "XdgShellLinks.h"

#include "XdgBaseDirs.h"

#include <QDir>
#include <QProcess>
#include <QSaveFile>
#include <QUrl>

#include <algorithm>

namespace {

// The string escapes every desktop entry value needs (line breaks would end the value).
QString escapeValue(const QString &value)
{
    QString out;
    out.reserve(value.size());
    for (const QChar c : value) {
        switch (c.unicode()) {
        case '\\': out += QLatin1String("\\\\"); break;
        case '\n': out += QLatin1String("\\n"); break;
        case '\t': out += QLatin1String("\\t"); break;
        case '\r': out += QLatin1String("\\r"); break;
        default: out += c; break;
        }
    }
    return out;
}

// A name that becomes a file name must stay one path component.
bool isPlainName(const QString &name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..")
        && !name.contains(QLatin1Char('/')) && !name.contains(QChar(0));
}

} // namespace

QString XdgShellLinks::folderPath(Folder folder)
{
    return folder == Folder::Programs ? XdgBaseDirs::dataHome() + QLatin1String("/applications")
                                      : XdgBaseDirs::configHome() + QLatin1String("/autostart");
}

bool XdgShellLinks::create(Folder folder, const QString &subFolder, const Link &link)
{
    if (!isPlainName(link.name) || subFolder.contains(QLatin1String("..")))
        return false;
    QString dir = folderPath(folder);
    if (!subFolder.isEmpty())
        dir += QLatin1Char('/') + subFolder;
    if (!QDir().mkpath(dir))
        return false;
    QSaveFile file(dir + QLatin1Char('/') + link.name + QLatin1String(".desktop"));
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(entryText(link));
    return file.commit();
}

QByteArray XdgShellLinks::entryText(const Link &link)
{
    QString text = QStringLiteral("[Desktop Entry]\n");
    if (link.document) {
        text += QLatin1String("Type=Link\n");
        text += QLatin1String("Name=") + escapeValue(link.name) + QLatin1Char('\n');
        text += QLatin1String("URL=") + escapeValue(QUrl::fromLocalFile(link.target).toString(QUrl::FullyEncoded))
            + QLatin1Char('\n');
    } else {
        QStringList words{quoteArgument(link.target)};
        for (const QString &argument : QProcess::splitCommand(link.arguments))
            words << quoteArgument(argument);
        text += QLatin1String("Type=Application\n");
        text += QLatin1String("Name=") + escapeValue(link.name) + QLatin1Char('\n');
        text += QLatin1String("Exec=") + escapeValue(words.join(QLatin1Char(' '))) + QLatin1Char('\n');
        text += QLatin1String("Terminal=false\n");
        // Only applications have a working directory; a Link entry with one is invalid.
        if (!link.workingDir.isEmpty())
            text += QLatin1String("Path=") + escapeValue(link.workingDir) + QLatin1Char('\n');
    }
    return text.toUtf8();
}

QString XdgShellLinks::quoteArgument(const QString &argument)
{
    // "%" starts a field code anywhere in Exec, quoted or not.
    QString word = argument;
    word.replace(QLatin1Char('%'), QLatin1String("%%"));
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    const bool needsQuotes = word.isEmpty() || std::any_of(word.cbegin(), word.cend(), [](QChar c) {
        return reserved.contains(c);
    });
    if (!needsQuotes)
        return word;
    QString quoted = QStringLiteral("\"");
    for (const QChar c : std::as_const(word)) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    quoted += QLatin1Char('"');
    return quoted;
}
