#include "FolderShellLinks.h"

#include <QDir>
#include <QSaveFile>

FolderShellLinks::FolderShellLinks(const QString &root)
    : m_root(root)
{
    ShellLinks::setInstance(this);
}

FolderShellLinks::~FolderShellLinks()
{
    if (&ShellLinks::instance() == this)
        ShellLinks::setInstance(nullptr);
}

QString FolderShellLinks::folderPath(Folder folder)
{
    return m_root + (folder == Folder::Programs ? QLatin1String("/Programs") : QLatin1String("/Startup"));
}

bool FolderShellLinks::create(Folder folder, const QString &subFolder, const Link &link)
{
    m_requests << Request{folder, subFolder, link};
    QString dir = folderPath(folder);
    if (!subFolder.isEmpty())
        dir += QLatin1Char('/') + subFolder;
    if (link.name.isEmpty() || link.name.contains(QLatin1Char('/')) || !QDir().mkpath(dir))
        return false;
    QSaveFile file(dir + QLatin1Char('/') + link.name + QLatin1String(".link"));
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QString text = QLatin1String("Target=") + link.target + QLatin1String("\nArguments=") + link.arguments
        + QLatin1String("\nWorkingDir=") + link.workingDir + QLatin1String("\nDocument=")
        + (link.document ? QLatin1String("1") : QLatin1String("0")) + QLatin1Char('\n');
    file.write(text.toUtf8());
    return file.commit();
}
