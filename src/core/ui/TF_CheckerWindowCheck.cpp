// What a check looks like on screen: the engine's results in the fields, the tray and the
// mail list.
#include "core/ui/TF_CheckerWindow.h"

#include "core/ui/TCheckerField.h"
#include "core/ui/TFormHooks.h"

#include <QTimer>

void TF_CheckerWindow::refreshMailList(int n)
{
    if (!m_mailList)
        return;
    const int shown = m_mailList->shownAccount();
    if (shown == n)
        m_mailList->refreshAccount(n);
    else if (shown == 0)
        m_mailList->refreshAccount(0);
}

void TF_CheckerWindow::checkQuietlyEnded(int n)
{
    // Once no check runs, the tray stops cycling and the fields stop blinking.
    CoolTrayIcon1Cycle();
    // The colour the field had before the check: blinking may have left another one.
    const TAccountData &d = Accounts.data(n);
    setFieldColor(n, !d.LastError.isEmpty() ? Colors.Error : d.Active ? Colors.Active : Colors.Idle);
    updateFieldTooltip(n);
}

void TF_CheckerWindow::checkEnded(int n, bool failed)
{
    const TAccountData &d = Accounts.data(n);
    // Once no check runs, the tray stops cycling and the fields stop blinking.
    CoolTrayIcon1Cycle();
    if (!m_timer6->isActive() && isOnline() && Options.AnimIcons && m_tray) {
        m_tray->setStillIcon(Accounts.totalMailCount() > 0 ? 1 : 0);
        m_tray->refresh();
    }
    if (!failed) {
        setFieldColor(n, d.Active ? Colors.Active : Colors.Idle);
        setFieldText(n, QString::number(qint64(d.MailCount) - d.ZeroBase));
        if (m_tray)
            m_tray->setHint(QStringLiteral("You have %1 new Mails").arg(Accounts.totalMailCount()));
    }
    updateFieldTooltip(n);
}
