#pragma once

#include "core/ui/TFormHooks.h"

#include <QIcon>
#include <QMenu>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>
#include <functional>

class QTimer;

// The program's icon in the desktop's status area: a picture, a tooltip, an animation over a
// list of frames and the mouse notifications the desktop gives (left, right and middle button,
// double-click). Without a status area the component still keeps its state; a status area that
// appears later shows the icon.
class TCoolTrayIcon : public QObject, public ITrayIcon
{
    Q_OBJECT
public:
    using NotifyEvent = std::function<void(QObject *sender)>;
    using MouseEvent = std::function<void(QObject *sender, Qt::MouseButton button, Qt::KeyboardModifiers shift,
                                          int x, int y)>;
    using MoveEvent = std::function<void(QObject *sender, Qt::KeyboardModifiers shift, int x, int y)>;
    using CycleEvent = std::function<void(QObject *sender, int frame)>;

    // The longest tooltip the status area takes.
    static constexpr int MaxTipLength = 63;

    explicit TCoolTrayIcon(QObject *owner = nullptr);
    ~TCoolTrayIcon() override;

    // ---- properties ----
    QIcon Icon() const { return m_icon; }
    void setIcon(const QIcon &icon);
    QList<QIcon> IconList() const { return m_iconList; }
    void setIconList(const QList<QIcon> &frames) { m_iconList = frames; }
    bool CycleIcons() const { return m_cycleIcons; }
    void setCycleIcons(bool on);
    int CycleInterval() const { return m_cycleInterval; }
    void setCycleInterval(int ms);
    QString Hint() const { return m_hint; }
    void setHint(const QString &hint) override;
    bool ShowHint() const { return m_showHint; }
    void setShowHint(bool on);
    bool IconVisible() const { return m_iconVisible; }
    void setIconVisible(bool on);
    bool Enabled() const { return m_enabled; }
    void setEnabled(bool on);
    QMenu *PopupMenu() const { return m_popupMenu; }
    void setPopupMenu(QMenu *menu);
    bool LeftPopup() const { return m_leftPopup; }
    void setLeftPopup(bool on) { m_leftPopup = on; }
    // Kept for the settings of the component; here the program has no taskbar button to hide and
    // its windows are never minimised, so neither changes anything.
    bool StartMinimized() const { return m_startMinimized; }
    void setStartMinimized(bool on) { m_startMinimized = on; }
    bool MinimizeToTray() const { return m_minimizeToTray; }
    void setMinimizeToTray(bool on) { m_minimizeToTray = on; }

    // ---- events (may stay unassigned) ----
    NotifyEvent OnClick;
    NotifyEvent OnDblClick;
    MouseEvent OnMouseDown;
    MouseEvent OnMouseUp;
    MoveEvent OnMouseMove; // the desktop reports no moves over a status icon: never called here
    CycleEvent OnCycle;

    // The still pictures the owner switches between (its `ImageList1`).
    void setStillList(const QList<QIcon> &pictures) { m_stillList = pictures; }
    QList<QIcon> stillList() const { return m_stillList; }

    // Once the owner has set the properties: adds or removes the icon, then hands over picture
    // and tooltip.
    void loaded();
    // Hands the current picture and tooltip to the status area.
    void Refresh() { TrayModify(); }
    // Opens the popup menu at the mouse cursor.
    void ShowMenu();

    // ---- the status area calls ----
    virtual void TrayAdd();
    virtual void TrayDelete();
    virtual void TrayModify();

    // ---- ITrayIcon, as the checker window drives the icon ----
    void setStillIcon(int index) override;
    void startCycling() override { setCycleIcons(true); }
    void stopCycling() override { setCycleIcons(false); }
    bool isCycling() const override { return m_cycleIcons; }
    QString hint() const override { return m_hint; }
    void refresh() override { TrayModify(); }
    void showBalloon(const QString &title, const QString &text) override
    {
        if (m_system && m_system->isVisible())
            m_system->showMessage(title, text);
    }

    // What the status area was last given, and the animation's state.
    QString tipText() const;
    QSystemTrayIcon *systemIcon() const { return m_system; }
    QTimer *cycleTimer() const { return m_cycleTimer; }
    int frameIndex() const { return m_frame; }

    // One mouse notification of the status area (public so tests can play one).
    void handleActivation(QSystemTrayIcon::ActivationReason reason);

private:
    void cycleTick();
    void updateContextMenu();
    void mouse(const MouseEvent &event, Qt::MouseButton button);

    QSystemTrayIcon *m_system = nullptr;
    QTimer *m_cycleTimer = nullptr;
    QIcon m_icon;
    QList<QIcon> m_iconList;
    QList<QIcon> m_stillList;
    bool m_cycleIcons = false;
    int m_cycleInterval = 0;
    QString m_hint;
    bool m_showHint = false;
    bool m_iconVisible = true;
    bool m_enabled = true;
    QPointer<QMenu> m_popupMenu;
    bool m_leftPopup = false;
    bool m_startMinimized = false;
    bool m_minimizeToTray = false;
    int m_frame = 0;
    bool m_clickPending = false;
};
