// The mail list window's delete commands: they mark messages; the account's next check,
// two seconds later, deletes them on the server.
#include "mail/ui/TF_EMailList.h"

#include "core/ui/TF_CheckerWindow.h"
#include "mail/TMailSummary.h"
#include "mail/ui/TMailListModel.h"
#include "platform/UserPrompts.h"

#include <QHash>
#include <QItemSelectionModel>
#include <QSet>
#include <QTableView>
#include <QTimer>

namespace {
constexpr int MarkedCheckDelay = 2000; // ms until the check that carries the marks out
} // namespace

void TF_EMailList::DeleteSelectedMails1Click()
{
    const QItemSelectionModel *selection = grid()->selectionModel();
    int first = -1;
    int last = -1;
    for (const QModelIndex &row : selection->selectedRows()) {
        first = first < 0 ? row.row() : qMin(first, row.row());
        last = qMax(last, row.row());
    }
    if (first < 0 && selection->currentIndex().isValid())
        first = last = selection->currentIndex().row();
    if (first >= 0)
        markRows(first, last);
}

void TF_EMailList::DeleteAllMails1Click()
{
    markRows(0, m_model->rowCount() - 1);
}

void TF_EMailList::showBusyMessage()
{
    // No parent: the exit may destroy this window while the box waits for the user.
    UserPrompts::instance().message(nullptr, QStringLiteral("Error"),
                                    QStringLiteral("You are currently connected to this server\r\n"
                                                   "Please wait until this connection is closed before deleting messages"),
                                    UserPrompts::Icon::Critical, {UserPrompts::Button::Ok});
}

void TF_EMailList::markRows(int firstRow, int lastRow)
{
    // The rows are read first: a message box below runs the event loop, where a check may
    // rebuild the lists and the rows; the marks go by unique id, never by row number.
    QList<Mark> marks;
    for (int r = qMax(firstRow, 0); r <= lastRow && r < m_model->messageRows(); ++r) {
        if (m_model->rawCell(r, TMailListModel::SenderColumn).isEmpty())
            break;
        marks.append(Mark{m_model->accountOfRow(r), m_model->messageOfRow(r), m_model->uniqueIdOfRow(r)});
    }
    if (marks.isEmpty())
        return;

    QPointer<TF_EMailList> self(this);
    QPointer<TF_CheckerWindow> checker = m_checker;
    QSet<qint32> marked;
    // Per account, the pending ids as a set, so marking thousands of rows stays linear.
    QHash<qint32, QSet<QByteArray>> pending;
    bool unshown = false; // marks made since the grid last showed the lists
    for (const Mark &mark : std::as_const(marks)) {
        if (!self || !checker || checker->Quitting)
            return;
        TAccountTable &accounts = checker->Accounts;
        if (mark.account < 1 || mark.account > accounts.AccountCount)
            continue;
        if (accounts.data(mark.account).Busy) {
            if (unshown)
                showView(m_view);
            unshown = false;
            showBusyMessage();
            // A check may have emptied a pending list meanwhile.
            pending.clear();
            continue;
        }
        // A message whose unique id could not be read has none to queue: an empty id would
        // match another message of the next check.
        const std::shared_ptr<TMailSummary> summary = accounts.slot(mark.account).MailSummary;
        if (!summary || mark.uniqueId.isEmpty())
            continue;
        auto known = pending.find(mark.account);
        if (known == pending.end())
            known = pending.insert(mark.account, QSet<QByteArray>(summary->Pending.cbegin(), summary->Pending.cend()));
        if (!known->contains(mark.uniqueId)) {
            known->insert(mark.uniqueId);
            summary->Pending.append(mark.uniqueId);
        }
        qsizetype line = mark.message;
        if (line >= summary->UniqueID.size() || summary->UniqueID.at(line) != mark.uniqueId)
            line = summary->UniqueID.indexOf(mark.uniqueId, 1);
        if (line > 0)
            summary->setAction(line, "Deleting...");
        marked.insert(mark.account);
        unshown = true;
    }
    if (!self || !checker)
        return;
    if (unshown)
        showView(m_view);
    for (qint32 account : std::as_const(marked))
        if (account <= checker->Accounts.AccountCount)
            if (QTimer *timer = checker->Accounts.slot(account).CheckTimer)
                timer->start(MarkedCheckDelay);
}
