#include "settings/TShortcuts.h"

#include "platform/Platform.h"

TShortcuts::TShortcuts(const QString &settingsDir, const QString &instanceName)
    : m_settingsDir(settingsDir), m_instanceName(instanceName)
{
}

bool TShortcuts::isDefaultInstance(const QString &instanceName)
{
    return instanceName == QLatin1String("prefs.dat");
}

QString TShortcuts::instanceNumber(const QString &instanceName)
{
    if (instanceName.size() <= 9)
        return QString();
    return instanceName.mid(5, instanceName.size() - 9);
}

QString TShortcuts::programLinkName(const QString &instanceName)
{
    if (isDefaultInstance(instanceName))
        return QStringLiteral("Vorlo");
    return QStringLiteral("Vorlo Instance ") + instanceNumber(instanceName);
}

QString TShortcuts::arguments(const QString &instanceName)
{
    const bool blanks = instanceName.contains(QLatin1Char(' ')) || instanceName.contains(QLatin1Char('\t'));
    const QString name = blanks ? QLatin1Char('"') + instanceName + QLatin1Char('"') : instanceName;
    return QStringLiteral(" -prefs ") + name;
}

ShellLinks::Link TShortcuts::programLink() const
{
    ShellLinks::Link link;
    link.name = programLinkName(m_instanceName);
    link.target = Platform::programPath(m_settingsDir);
    link.arguments = arguments(m_instanceName);
    link.workingDir = m_settingsDir;
    link.document = false;
    return link;
}

ShellLinks::Link TShortcuts::document(const QString &name, const QString &file) const
{
    ShellLinks::Link link;
    link.name = name;
    link.target = Platform::joinPath(m_settingsDir, file);
    link.workingDir = m_settingsDir;
    link.document = true;
    return link;
}

QList<ShellLinks::Link> TShortcuts::startMenuLinks() const
{
    return {programLink(), document(QStringLiteral("Vorlo ReadMe"), QStringLiteral("readme.txt")),
            document(QStringLiteral("Vorlo FAQ"), QStringLiteral("faq.txt"))};
}

void TShortcuts::addToStartMenu(ShellLinks &links) const
{
    for (const ShellLinks::Link &link : startMenuLinks())
        links.create(ShellLinks::Folder::Programs, QLatin1String(MenuFolder), link);
}

void TShortcuts::addToStartup(ShellLinks &links) const
{
    links.create(ShellLinks::Folder::Startup, QString(), programLink());
}
