// Accounts added and deleted by the preferences dialog.
#include "core/ui/TF_CheckerWindow.h"

#include "core/ui/TCheckerField.h"
#include "core/ui/TFormHooks.h"
#include "platform/Platform.h"
#include "platform/TextBytes.h"

#include <QAction>
#include <QTimer>

namespace {

// The slot's menu items and hint show the account whose data sits in the slot now.
void refreshSlotItems(TF_CheckerWindow &w, qint32 n)
{
    const TAccountData &d = w.Accounts.data(n);
    const TFieldSlot &s = w.fieldSlot(n);
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
    const qint32 n = m_engine->addAccount(name);
    E_Setlengths();
    // A reused slot still shows what its former account left behind.
    if (TCheckerField *field = fieldSlot(n).Field)
        field->setText(QString());
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
    // What the fields show follows their accounts down a slot.
    for (qint32 n = k; n < oldLast; ++n) {
        const TFieldSlot &s = fieldSlot(n);
        const TFieldSlot &next = fieldSlot(n + 1);
        if (s.Field && next.Field)
            s.Field->setText(next.Field->text());
    }
    m_engine->deleteAccount(k);
    const TFieldSlot &freed = fieldSlot(oldLast);
    if (freed.Field) {
        freed.Field->setText(QString());
        freed.Field->hide();
    }
    if (m_mailList && freed.AccountListItem)
        m_mailList->removeAccountItem(freed.AccountListItem);
    E_Setlengths();

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
