// When checks run: the per-account timers, the check commands, the online switch and blinking.
#include "core/ui/TF_CheckerWindow.h"

#include "core/ui/TCheckerField.h"
#include "core/ui/TFormHooks.h"
#include "mail/TMailSummary.h"

#include <QAction>
#include <QTimer>

void TF_CheckerWindow::Checkall1Click()
{
    if (!isOnline())
        online1Click();
    m_engine->scheduleActive();
}

void TF_CheckerWindow::Button1Click()
{
    m_engine->scheduleActive();
}

void TF_CheckerWindow::checkNow(int n)
{
    if (!isOnline())
        online1Click();
    startCheck(n);
}

void TF_CheckerWindow::fieldDoubleClicked(TCheckerField *field)
{
    if (!isOnline())
        online1Click();
    const qint32 n = slotOfField(field);
    if (n > 0)
        startCheck(n);
}

void TF_CheckerWindow::online1Click()
{
    const bool online = !isOnline();
    online1->setText(online ? QStringLiteral("Go Offline") : QStringLiteral("Go Online"));
    // Offline resets the running checks; online may schedule every account at once.
    m_engine->setOnline(online);
    if (!online) {
        if (isVisible() && Options.HideWhenOffline) {
            CoolTrayIcon1Click(this);
            if (m_prefs && m_prefs->widget()->isVisible())
                m_prefs->widget()->hide();
            Minimize1Click();
        }
        if (m_tray) {
            m_tray->setStillIcon(2);
            m_tray->stopCycling();
            m_tray->refresh();
        }
        return;
    }
    if (isHidden() && Options.HideWhenOffline)
        CoolTrayIcon1Click(this);
    if (m_timer6->isActive())
        return;
    if (m_tray) {
        m_tray->setStillIcon(Accounts.totalMailCount() > 0 ? 1 : 0);
        m_tray->refresh();
    }
}

void TF_CheckerWindow::startBlinkTimer()
{
    if (!m_timer6->isActive())
        m_timer6->start();
}

void TF_CheckerWindow::Timer6Timer()
{
    if (Quitting) {
        m_timer6->stop();
        return;
    }
    if (!Accounts.anyBusy()) {
        m_timer6->stop();
        if (m_tray) {
            m_tray->stopCycling();
            m_tray->setStillIcon(0);
            m_tray->refresh();
        }
        return;
    }
    if (m_tray && !m_tray->isCycling() && isOnline() && Options.AnimIcons)
        m_tray->startCycling();
    if (!Options.Blinking)
        return;
    BlinkColor = BlinkColor == Colors.Connected ? Colors.Active : Colors.Connected;
    for (qint32 n = 1; n <= Accounts.AccountCount; ++n) {
        if (!Accounts.data(n).Busy)
            continue;
        if (!Accounts.data(n).Active && BlinkColor == Colors.Active)
            setFieldColor(n, Colors.Idle);
        else
            setFieldColor(n, BlinkColor);
    }
}

void TF_CheckerWindow::CoolTrayIcon1Cycle()
{
    if (Accounts.anyBusy())
        return;
    if (m_tray)
        m_tray->stopCycling();
    m_timer6->stop();
}
