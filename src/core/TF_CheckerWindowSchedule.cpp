// When checks run: the per-account timers, the check commands, the online switch and blinking.
#include "core/TF_CheckerWindow.h"

#include "core/TCheckerField.h"
#include "core/TFormHooks.h"
#include "mail/TMailSummary.h"

#include <QAction>
#include <QTimer>

void TF_CheckerWindow::checkTimerTimer(QTimer *timer)
{
    const qint32 n = Accounts.slotOfTimer(timer);
    if (n == 0) {
        // The slot of a deleted account: nothing to check until an account takes it again.
        timer->stop();
        return;
    }
    if (Quitting) {
        timer->stop();
        return;
    }
    timer->start(Accounts.data(n).Timer + 10 * n);
    const auto &summary = Accounts.slot(n).MailSummary;
    if (Accounts.data(n).Active || (summary && !summary->Pending.isEmpty()))
        startCheck(n);
}

void TF_CheckerWindow::startCheck(int n)
{
    // The check runs on by itself from here: each wait suspends it, and the event loop
    // resumes it when its server answers, whatever other checks are doing meanwhile.
    [[maybe_unused]] const QCoro::Task<> running = checkmail(n, Accounts.slot(n).Pop3);
}

namespace {
void scheduleActive(TF_CheckerWindow &w)
{
    for (qint32 n = 1; n <= w.Accounts.AccountCount && !w.Quitting; ++n)
        if (w.Accounts.data(n).Active && w.Accounts.slot(n).CheckTimer)
            w.Accounts.slot(n).CheckTimer->start(10 * n);
}
} // namespace

void TF_CheckerWindow::Checkall1Click()
{
    if (!isOnline())
        online1Click();
    scheduleActive(*this);
}

void TF_CheckerWindow::Button1Click()
{
    scheduleActive(*this);
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
    const qint32 n = Accounts.slotOfField(field);
    if (n > 0)
        startCheck(n);
}

void TF_CheckerWindow::online1Click()
{
    if (isOnline()) {
        online1->setText(QStringLiteral("Go Online"));
        if (isVisible() && Options.HideWhenOffline) {
            CoolTrayIcon1Click(this);
            if (m_prefs && m_prefs->widget()->isVisible())
                m_prefs->widget()->hide();
            Minimize1Click();
        }
    } else {
        online1->setText(QStringLiteral("Go Offline"));
        if (isHidden() && Options.HideWhenOffline)
            CoolTrayIcon1Click(this);
    }

    if (!isOnline()) {
        if (m_tray) {
            m_tray->setStillIcon(2);
            m_tray->stopCycling();
            m_tray->refresh();
        }
        for (qint32 n = 1; n <= Accounts.AccountCount; ++n)
            if (Accounts.data(n).Busy)
                ResetConnection(n);
        return;
    }
    if (Options.CheckAllWhenGoingOnline)
        for (qint32 n = 1; n <= Accounts.AccountCount; ++n)
            if (QTimer *t = Accounts.slot(n).CheckTimer)
                t->start(1);
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
