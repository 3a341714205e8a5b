#include "desktop/TCoolTrayIcon.h"

#include <QCursor>
#include <QGuiApplication>
#include <QMenu>
#include <QTimer>

TCoolTrayIcon::TCoolTrayIcon(QObject *owner) : QObject(owner)
{
    m_system = new QSystemTrayIcon(this);
    connect(m_system, &QSystemTrayIcon::activated, this, &TCoolTrayIcon::handleActivation);
    m_cycleTimer = new QTimer(this);
    m_cycleTimer->setObjectName(QStringLiteral("CycleTimer"));
    connect(m_cycleTimer, &QTimer::timeout, this, &TCoolTrayIcon::cycleTick);
}

TCoolTrayIcon::~TCoolTrayIcon()
{
    // The icon leaves the status area with its component.
    m_cycleTimer->stop();
    m_system->hide();
}

void TCoolTrayIcon::setIcon(const QIcon &icon)
{
    m_icon = icon;
    TrayModify();
}

void TCoolTrayIcon::setCycleIcons(bool on)
{
    m_cycleIcons = on;
    if (!on) {
        m_cycleTimer->stop();
        return;
    }
    m_frame = 0;
    // A zero interval means no timer, not a timer that fires without pause.
    if (m_cycleInterval > 0 && !m_cycleTimer->isActive())
        m_cycleTimer->start(m_cycleInterval);
}

void TCoolTrayIcon::setCycleInterval(int ms)
{
    m_cycleInterval = qMax(0, ms);
    if (m_cycleInterval == 0) {
        m_cycleTimer->stop();
        return;
    }
    m_cycleTimer->setInterval(m_cycleInterval);
    if (m_cycleIcons && !m_cycleTimer->isActive())
        m_cycleTimer->start();
}

void TCoolTrayIcon::setHint(const QString &hint)
{
    m_hint = hint;
    TrayModify();
}

void TCoolTrayIcon::setShowHint(bool on)
{
    m_showHint = on;
    TrayModify();
}

void TCoolTrayIcon::setIconVisible(bool on)
{
    if (on)
        TrayAdd();
    else
        TrayDelete();
}

void TCoolTrayIcon::setEnabled(bool on)
{
    m_enabled = on;
    updateContextMenu();
}

void TCoolTrayIcon::setPopupMenu(QMenu *menu)
{
    if (m_popupMenu)
        disconnect(m_popupMenu, &QObject::destroyed, this, nullptr);
    m_popupMenu = menu;
    // The status area must not keep a menu that is gone.
    if (menu)
        connect(menu, &QObject::destroyed, this, [this] { m_system->setContextMenu(nullptr); });
    updateContextMenu();
}

void TCoolTrayIcon::updateContextMenu()
{
    // The status area opens the menu itself on a right click (some desktops only show a menu they
    // were handed); while the component is disabled a click opens nothing.
    m_system->setContextMenu(m_enabled ? m_popupMenu.data() : nullptr);
}

void TCoolTrayIcon::loaded()
{
    if (m_iconVisible)
        TrayAdd();
    else
        TrayDelete();
    TrayModify();
}

QString TCoolTrayIcon::tipText() const
{
    if (!m_showHint || m_hint.isEmpty())
        return QString();
    QString tip = m_hint.left(MaxTipLength);
    // Never leave half of a character made of two code units.
    if (tip.size() == MaxTipLength && m_hint.size() > MaxTipLength && tip.back().isHighSurrogate())
        tip.chop(1);
    return tip;
}

void TCoolTrayIcon::TrayAdd()
{
    m_iconVisible = true;
    m_system->setIcon(m_icon);
    m_system->setToolTip(tipText());
    // Shown without a status area too: Qt adds the icon once one appears.
    if (!m_icon.isNull())
        m_system->show();
}

void TCoolTrayIcon::TrayDelete()
{
    m_iconVisible = false;
    m_system->hide();
}

void TCoolTrayIcon::TrayModify()
{
    m_system->setIcon(m_icon);
    m_system->setToolTip(tipText());
    // An icon added before it had a picture shows with its first one.
    if (m_iconVisible && !m_system->isVisible() && !m_icon.isNull())
        m_system->show();
}

void TCoolTrayIcon::setStillIcon(int index)
{
    // The picture changes in place; Refresh hands it to the status area.
    if (index >= 0 && index < m_stillList.size())
        m_icon = m_stillList.at(index);
}

void TCoolTrayIcon::ShowMenu()
{
    if (!m_popupMenu)
        return;
    m_popupMenu->popup(QCursor::pos());
    m_popupMenu->activateWindow();
}

void TCoolTrayIcon::cycleTick()
{
    if (m_iconList.isEmpty())
        return;
    if (m_frame >= m_iconList.size())
        m_frame = 0;
    const int frame = m_frame;
    m_icon = m_iconList.at(frame);
    if (OnCycle)
        OnCycle(this, frame);
    TrayModify();
    m_frame = (frame + 1) % int(m_iconList.size());
}

void TCoolTrayIcon::mouse(const MouseEvent &event, Qt::MouseButton button)
{
    if (!event)
        return;
    const QPoint at = QCursor::pos();
    event(this, button, QGuiApplication::queryKeyboardModifiers(), at.x(), at.y());
}

void TCoolTrayIcon::handleActivation(QSystemTrayIcon::ActivationReason reason)
{
    if (!m_enabled)
        return;
    // The desktop reports whole clicks, not presses and releases: each click is played as its
    // press and its release.
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        mouse(OnMouseDown, Qt::LeftButton);
        m_clickPending = true;
        if (m_leftPopup)
            ShowMenu();
        if (m_clickPending) {
            m_clickPending = false;
            if (OnClick)
                OnClick(this);
        }
        mouse(OnMouseUp, Qt::LeftButton);
        break;
    case QSystemTrayIcon::DoubleClick:
        if (OnDblClick)
            OnDblClick(this);
        // The menu's default item: the double-click runs it unless the left button opens menus.
        if (m_popupMenu && !m_leftPopup) {
            if (QAction *item = m_popupMenu->defaultAction(); item && item->isEnabled())
                item->trigger();
        }
        mouse(OnMouseUp, Qt::LeftButton);
        break;
    case QSystemTrayIcon::Context:
        // The status area has opened the menu at the cursor already.
        mouse(OnMouseDown, Qt::RightButton);
        mouse(OnMouseUp, Qt::RightButton);
        break;
    case QSystemTrayIcon::MiddleClick:
        mouse(OnMouseDown, Qt::MiddleButton);
        mouse(OnMouseUp, Qt::MiddleButton);
        break;
    case QSystemTrayIcon::Unknown:
        break;
    }
}
