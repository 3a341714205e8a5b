#pragma once

#include "platform/ShellLinks.h"

#include <QList>

// Shortcuts as small text files under a folder the test gives: <root>/Programs and
// <root>/Startup, one "<name>.link" file per link with Target=, Arguments=, WorkingDir= and
// Document= lines. Every request is also recorded. Installs itself as ShellLinks::instance()
// for its lifetime.
class FolderShellLinks : public ShellLinks
{
public:
    struct Request {
        Folder folder = Folder::Programs;
        QString subFolder;
        Link link;
    };

    explicit FolderShellLinks(const QString &root);
    ~FolderShellLinks() override;

    QString folderPath(Folder folder) override;
    bool create(Folder folder, const QString &subFolder, const Link &link) override;

    const QList<Request> &requests() const { return m_requests; }

private:
    QString m_root;
    QList<Request> m_requests;
};
