#pragma once

// Reading windows back from an X display with xdotool.
#include <QByteArray>
#include <QHash>
#include <QProcess>
#include <QRect>

namespace XTools {

// Runs a program of the X tools to its end (bounded) and returns what it printed.
inline QByteArray run(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(10000)) {
        p.kill();
        p.waitForFinished(2000);
        return {};
    }
    return p.readAllStandardOutput();
}

// Where the display has the window titled "Vorlo": x, y, width, height.
// With onlyVisible, windows that are not shown (a toolkit's own helper windows) are passed over.
inline QRect geometryFromTheDisplay(bool onlyVisible = false)
{
    QStringList search{QStringLiteral("search"), QStringLiteral("--name"), QStringLiteral("^Vorlo$")};
    if (onlyVisible)
        search.insert(1, QStringLiteral("--onlyvisible"));
    const QByteArray ids = run(QStringLiteral("xdotool"), search);
    const QByteArrayList list = ids.trimmed().split('\n');
    if (list.size() != 1 || list.constFirst().isEmpty())
        return {};
    const QByteArray shell = run(QStringLiteral("xdotool"), {QStringLiteral("getwindowgeometry"),
                                                             QStringLiteral("--shell"),
                                                             QString::fromLatin1(list.constFirst())});
    QHash<QByteArray, int> values;
    for (const QByteArray &line : shell.split('\n')) {
        const qsizetype eq = line.indexOf('=');
        if (eq > 0)
            values.insert(line.left(eq), line.mid(eq + 1).toInt());
    }
    return QRect(values.value("X"), values.value("Y"), values.value("WIDTH"), values.value("HEIGHT"));
}

} // namespace XTools
