// Accounts added and deleted by the preferences dialog.
#include "core/TF_CheckerWindow.h"

#include "core/TCheckerField.h"
#include "core/TFormHooks.h"
#include "core/TSummaryCache.h"
#include "mail/TMailSummary.h"
#include "platform/Platform.h"
#include "platform/TextBytes.h"

#include <QAction>
#include <QTimer>

namespace {

// The slot's menu items and hint show the account whose data sits in the slot now.
void refreshSlotItems(TF_CheckerWindow &w, qint32 n)
{
    const TAccountData &d = w.Accounts.data(n);
    const TAccountSlot &s = w.Accounts.slot(n);
    if (s.MailListItem)
        s.MailListItem->setEnabled(d.List);
    if (s.AccountListItem) {
        s.AccountListItem->setText(TextBytes::toText(d.Name));
        s.AccountListItem->setEnabled(d.List);
    }
    w.updateFieldTooltip(n);
}

} // namespace

qint32 TF_CheckerWindow::addAccount(const QString &name)
{
    ++Accounts.AccountCount;
    E_Setlengths();
    const qint32 n = Accounts.AccountCount;

    TAccountData &d = Accounts.data(n);
    d.Active = false;
    d.Busy = false;
    d.Timer = 500000;
    d.Sound = true;
    d.Show = true;
    d.ZeroBase = 0;
    d.MailCount = 0;
    d.Host.clear();
    d.Password.clear();
    d.UserID.clear();
    d.Name = name.toUtf8();
    d.List = true;
    d.SavePwd = false;
    d.Security = "auto";
    d.CertFingerprint.clear();
    d.LastError.clear();

    // A reused slot still holds what its former account left behind.
    TAccountSlot &s = Accounts.slot(n);
    if (s.Field)
        s.Field->setText(QString());
    if (s.MailSummary) {
        s.MailSummary->reset();
        s.MailSummary->Pending.clear();
    }
    if (s.SummaryCache)
        s.SummaryCache->clear();
    if (s.CheckTimer && !s.CheckTimer->isActive())
        s.CheckTimer->start(1000);
    refreshSlotItems(*this, n);
    EShowTest();
    if (m_mailList)
        m_mailList->rebuildAccountMenu();
    return n;
}

void TF_CheckerWindow::deleteAccount(qint32 k)
{
    const qint32 oldLast = Accounts.AccountCount;
    if (k < 1 || k > oldLast)
        return;
    for (qint32 n = 1; n <= oldLast; ++n)
        ResetConnection(n);

    // What the fields show and the mail lists follow their accounts: a deletion queued for one
    // account must never be carried out on the server of the account that moves into its slot.
    // The header cache goes the same way: it names the messages of its own server only.
    const std::shared_ptr<TMailSummary> dropped = Accounts.slot(k).MailSummary;
    const std::shared_ptr<TSummaryCache> droppedCache = Accounts.slot(k).SummaryCache;
    for (qint32 n = k; n < oldLast; ++n) {
        TAccountSlot &s = Accounts.slot(n);
        const TAccountSlot &next = Accounts.slot(n + 1);
        if (s.Field && next.Field)
            s.Field->setText(next.Field->text());
        s.MailSummary = next.MailSummary;
        s.SummaryCache = next.SummaryCache;
    }
    Accounts.slot(oldLast).MailSummary = dropped;
    Accounts.slot(oldLast).SummaryCache = droppedCache;
    if (dropped) {
        dropped->reset();
        dropped->Pending.clear();
    }
    if (droppedCache)
        droppedCache->clear();

    Accounts.removeAccountData(k);
    TAccountSlot &freed = Accounts.slot(oldLast);
    if (freed.Field) {
        freed.Field->setText(QString());
        freed.Field->hide();
    }
    if (m_mailList && freed.AccountListItem)
        m_mailList->removeAccountItem(freed.AccountListItem);
    E_Setlengths();

    // Rules go with their account: those of the deleted one are removed, later ones renumbered.
    for (qsizetype i = Filters.size() - 1; i >= 0; --i) {
        if (Filters.at(i).Account == k)
            Filters.removeAt(i);
        else if (Filters.at(i).Account > k)
            --Filters[i].Account;
    }

    for (qint32 n = 1; n <= Accounts.AccountCount; ++n)
        refreshSlotItems(*this, n);

    if (m_mailList && m_mailList->widget()->isVisible()) {
        const int shown = m_mailList->shownAccount();
        if (shown == k)
            m_mailList->showAccount(0);
        else if (shown > k)
            m_mailList->showAccount(shown - 1);
        else if (shown >= 0)
            m_mailList->refreshAccount(shown);
    }
}

bool TF_CheckerWindow::transparencyOffered() const
{
    return Options.ForceTransparency || Platform::transparencyAvailable();
}
