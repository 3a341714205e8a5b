#pragma once

#include <QObject>
#include <QString>

#include <functional>

// Desktop notifications: one per key, a new one replacing the key's previous one rather than
// stacking. Clicking a notification reports its key.
class DesktopNotifier : public QObject
{
    Q_OBJECT
public:
    // Shows a title and body some other way (a balloon of the tray icon).
    using Fallback = std::function<void(const QString &title, const QString &body)>;

    using QObject::QObject;

    virtual void show(quint64 key, const QString &title, const QString &body) = 0;

    // The system's notification service (on Linux the freedesktop one on the session bus); where
    // there is none, `fallback` shows the text.
    static DesktopNotifier *create(QObject *parent, Fallback fallback);

signals:
    void activated(quint64 key);
};
