#pragma once

#include "platform/DefaultHandlers.h"

#include <QStringList>

// The desktop's default handler of a URL scheme: `xdg-mime` names its desktop entry, whose
// Exec line (without field codes) is the open command.
class XdgDefaultHandlers : public DefaultHandlers
{
public:
    // How long the `xdg-mime` query may take before it counts as "no handler".
    static constexpr int DefaultQueryTimeoutMs = 5000;

    explicit XdgDefaultHandlers(int queryTimeoutMs = DefaultQueryTimeoutMs);

    QString openCommand(const QString &scheme) override;

    // The desktop file id that `xdg-mime` reports for the scheme; empty on any failure,
    // including no answer within `timeoutMs`.
    static QString queryDesktopId(const QString &scheme, int timeoutMs);
    // The file of a desktop id in the XDG data dirs ($XDG_DATA_HOME first, then
    // $XDG_DATA_DIRS); empty when none exists.
    static QString findDesktopFile(const QString &desktopId);
    // The Exec value of the file's [Desktop Entry] group, unescaped; empty when missing.
    static QString readExec(const QString &fileName);
    // The Exec value with its field codes (%u, %F, ...) removed and "%%" turned into "%".
    static QString withoutFieldCodes(const QString &exec);

private:
    static QStringList dataDirs();

    int m_queryTimeoutMs;
};
