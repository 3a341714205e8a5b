#pragma once

#include <QString>

// A named marker that says "a copy of the program runs". It never blocks another copy.
class InstanceMarker
{
public:
    explicit InstanceMarker(const QString &name);
    ~InstanceMarker();
    InstanceMarker(const InstanceMarker &) = delete;
    InstanceMarker &operator=(const InstanceMarker &) = delete;

    bool isHeld() const { return m_held; }
    // True when a marker of this name exists (held by any process).
    static bool exists(const QString &name);

private:
    QString m_name;
    bool m_held = false;
    void *m_handle = nullptr;
};
