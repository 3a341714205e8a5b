#pragma once

#include <QString>

class QAction;
class QWidget;

// What the checker window needs of the forms and components above the core. Each is set by
// the program entry once the form exists; until then (and in tests without it) the pointer is
// null and the checker window skips the step, as it must during its own creation.

// The tray icon component.
class ITrayIcon
{
public:
    virtual ~ITrayIcon() = default;
    // Still pictures: 0 no mail, 1 mail waiting, 2 offline.
    virtual void setStillIcon(int index) = 0;
    virtual void startCycling() = 0;
    virtual void stopCycling() = 0;
    virtual bool isCycling() const = 0;
    virtual void setHint(const QString &hint) = 0;
    virtual QString hint() const = 0;
    virtual void refresh() = 0;
    // A balloon over the icon, where the desktop has no notification service of its own.
    virtual void showBalloon(const QString &title, const QString &text) { (void)title, (void)text; }
};

// The mail list window.
class IMailListView
{
public:
    virtual ~IMailListView() = default;
    virtual QWidget *widget() = 0;
    // The account shown: n, 0 for all accounts, -1 for none yet.
    virtual int shownAccount() const = 0;
    virtual void refreshAccount(int account) = 0; // 0 = all accounts
    virtual void showAccount(int account) = 0;     // 0 = all accounts; shows the window
    virtual void rebuildAccountMenu() = 0;
    virtual void removeAccountItem(QAction *item) = 0;
    // "Reset Window Positions": centre on the screen with its current size, then 425 x 167.
    virtual void resetPosition() = 0;
};

// The preferences dialog.
class IPrefsView
{
public:
    virtual ~IPrefsView() = default;
    virtual QWidget *widget() = 0;
    virtual void UpdatePrefsControls() = 0;
    // The menu toggles keep the dialog's check boxes in step.
    virtual void setFloatingChecked(bool on) = 0;
    virtual void setAlwaysOnTopChecked(bool on) = 0;
    // Opens the dialog on the accounts page with account n selected.
    virtual void showAccount(int account) = 0;
};

// Window translucency.
class ITransparency
{
public:
    virtual ~ITransparency() = default;
    virtual void apply() = 0;
};
