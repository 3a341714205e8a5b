#include "XdgDefaultHandlers.h"

#include "XdgBaseDirs.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTimer>

namespace {

// Ids of entries in sub-folders use "-" for "/": "kde-mail.desktop" may be kde/mail.desktop.
void addCandidates(const QString &id, const QString &prefix, QStringList &out, int depth)
{
    out << prefix + id;
    if (depth == 0)
        return;
    for (qsizetype i = id.indexOf(QLatin1Char('-')); i > 0; i = id.indexOf(QLatin1Char('-'), i + 1))
        addCandidates(id.mid(i + 1), prefix + id.left(i) + QLatin1Char('/'), out, depth - 1);
}

// The string escapes of desktop entry values.
QString unescapeValue(const QString &value)
{
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c != QLatin1Char('\\') || i + 1 == value.size()) {
            out += c;
            continue;
        }
        const QChar next = value.at(++i);
        switch (next.unicode()) {
        case 's': out += QLatin1Char(' '); break;
        case 'n': out += QLatin1Char('\n'); break;
        case 't': out += QLatin1Char('\t'); break;
        case 'r': out += QLatin1Char('\r'); break;
        case '\\': out += QLatin1Char('\\'); break;
        default: out += QLatin1Char('\\'); out += next; break;
        }
    }
    return out;
}

bool isFieldCode(QChar c)
{
    return QStringLiteral("fFuUdDnNickvm").contains(c);
}

} // namespace

XdgDefaultHandlers::XdgDefaultHandlers(int queryTimeoutMs)
    : m_queryTimeoutMs(queryTimeoutMs)
{
}

QString XdgDefaultHandlers::openCommand(const QString &scheme)
{
    const QString id = queryDesktopId(scheme, m_queryTimeoutMs);
    if (id.isEmpty())
        return {};
    const QString file = findDesktopFile(id);
    if (file.isEmpty())
        return {};
    return withoutFieldCodes(readExec(file));
}

QString XdgDefaultHandlers::queryDesktopId(const QString &scheme, int timeoutMs)
{
    if (scheme.isEmpty())
        return {};
    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.setStandardInputFile(QProcess::nullDevice());

    QEventLoop loop;
    QTimer watchdog;
    watchdog.setSingleShot(true);
    watchdog.setTimerType(Qt::PreciseTimer);
    bool timedOut = false;
    QObject::connect(&watchdog, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        loop.quit();
    });
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&process, &QProcess::errorOccurred, &loop, &QEventLoop::quit);

    process.start(QStringLiteral("xdg-mime"),
                  {QStringLiteral("query"), QStringLiteral("default"), QLatin1String("x-scheme-handler/") + scheme});
    if (process.state() != QProcess::NotRunning) {
        watchdog.start(timeoutMs);
        loop.exec();
    }
    if (timedOut || process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(1000); // SIGKILL ends it at once; this only reaps the child
        return {};
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return {};

    // Some versions list several ids separated by ";"; the first one is the default.
    const QString output = QString::fromUtf8(process.readAllStandardOutput());
    const QString first = output.section(QLatin1Char('\n'), 0, 0).section(QLatin1Char(';'), 0, 0).trimmed();
    if (!first.endsWith(QLatin1String(".desktop")) || first.contains(QLatin1Char('/')))
        return {};
    return first;
}

QStringList XdgDefaultHandlers::dataDirs()
{
    QStringList dirs;
    dirs << XdgBaseDirs::dataHome();
    QString system = qEnvironmentVariable("XDG_DATA_DIRS");
    if (system.isEmpty())
        system = QStringLiteral("/usr/local/share/:/usr/share/");
    for (const QString &dir : system.split(QLatin1Char(':'), Qt::SkipEmptyParts))
        dirs << dir;
    return dirs;
}

QString XdgDefaultHandlers::findDesktopFile(const QString &desktopId)
{
    if (desktopId.isEmpty() || desktopId.contains(QLatin1Char('/')))
        return {};
    QStringList names;
    addCandidates(desktopId, QString(), names, 4);
    for (const QString &dir : dataDirs()) {
        for (const QString &name : std::as_const(names)) {
            const QString path = dir + QLatin1String("/applications/") + name;
            if (QFileInfo(path).isFile())
                return path;
        }
    }
    return {};
}

QString XdgDefaultHandlers::readExec(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    bool inEntry = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine(64 * 1024)).trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inEntry = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        if (!inEntry || line.startsWith(QLatin1Char('#')))
            continue;
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals > 0 && line.left(equals).trimmed() == QLatin1String("Exec"))
            return unescapeValue(line.mid(equals + 1).trimmed());
    }
    return {};
}

QString XdgDefaultHandlers::withoutFieldCodes(const QString &exec)
{
    // Split into words as written (quotes kept), so that a word made only of a field code
    // vanishes with its blank while the rest keeps its quoting.
    QStringList words;
    QString word;
    bool quoted = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec.at(i);
        if (quoted && c == QLatin1Char('\\') && i + 1 < exec.size()) {
            word += c;
            word += exec.at(++i);
            continue;
        }
        if (c == QLatin1Char('"'))
            quoted = !quoted;
        if (!quoted && c.isSpace()) {
            if (!word.isEmpty())
                words << word;
            word.clear();
            continue;
        }
        if (c == QLatin1Char('%') && i + 1 < exec.size()) {
            const QChar code = exec.at(i + 1);
            if (code == QLatin1Char('%')) {
                word += code;
                ++i;
                continue;
            }
            if (isFieldCode(code)) {
                ++i;
                continue;
            }
        }
        word += c;
    }
    if (!word.isEmpty())
        words << word;
    return words.join(QLatin1Char(' '));
}
