#pragma once

// A tray icon that records what the checker window does to it.
#include "core/ui/TFormHooks.h"

class FakeTray : public ITrayIcon
{
public:
    int still = -1;
    bool cycling = false;
    int refreshes = 0;
    QString hintText;

    void setStillIcon(int index) override { still = index; }
    void startCycling() override { cycling = true; }
    void stopCycling() override { cycling = false; }
    bool isCycling() const override { return cycling; }
    void setHint(const QString &h) override { hintText = h; }
    QString hint() const override { return hintText; }
    void refresh() override { ++refreshes; }
};
