// One check of one account: connect, count, summaries, filters, deletions, result.
#include "core/TF_CheckerWindow.h"

#include "core/TCheckerField.h"
#include "core/TFormHooks.h"
#include "core/TSummaryCache.h"
#include "core/TSummaryReader.h"
#include "mail/TEventLog.h"
#include "mail/TFilterEngine.h"
#include "mail/TMailSummary.h"
#include "net/TNMPOP3.h"
#include "platform/GeneralError.h"
#include "platform/Log.h"
#include "platform/SoundPlayer.h"
#include "platform/UserPrompts.h"

#include <QPointer>
#include <QTimer>
#include <algorithm>

namespace {
QString reasonOf(const std::exception &e)
{
    if (const auto *g = dynamic_cast<const EGeneralError *>(&e))
        return g->message().trimmed();
    return QString::fromLocal8Bit(e.what()).trimmed();
}
} // namespace

void TF_CheckerWindow::appendSize(TMailSummary &summary, qint32 m, qint32 size)
{
    if (m < 0)
        return;
    qint32 k = size / 1024;
    if (k <= 0)
        k = 1;
    TMailSummary::padTo(summary.Size, m);
    summary.Size.insert(m, QByteArray::number(k) + " kB");
}

void TF_CheckerWindow::summaryHandler(QObject *sender)
{
    const qint32 n = Accounts.slotOfPop3(sender);
    if (n == 0 || !Accounts.slot(n).MailSummary)
        return;
    auto *client = static_cast<TNMPOP3 *>(sender);
    TMailSummary &s = *Accounts.slot(n).MailSummary;
    s.Subject.append(client->Summary.Subject);
    s.Sender.append(client->Summary.From);
    s.Action.append(QByteArray());
}

void TF_CheckerWindow::checkmail(int n, TNMPOP3 *client)
{
    if (Quitting || n < 1 || n > Accounts.AccountCount || !client || Accounts.data(n).Busy || !isOnline())
        return;
    // Every wait below runs the event loop, where an account deletion can move the data columns
    // or grow them: the account is always re-read through its slot number, never held by reference.
    auto D = [this, n]() -> TAccountData & { return Accounts.data(n); };
    QPointer<TNMPOP3> pop(client);
    const std::shared_ptr<TMailSummary> summary = Accounts.slot(n).MailSummary;
    if (!Accounts.slot(n).SummaryCache)
        Accounts.slot(n).SummaryCache = std::make_shared<TSummaryCache>();
    const std::shared_ptr<TSummaryCache> cache = Accounts.slot(n).SummaryCache;
    const qint32 oldCount = D().MailCount;
    bool failed = false;
    QString reason;

    try {
        D().Busy = true;
        startBlinkTimer();
        if (!D().SavePwd && D().Password.isEmpty()) {
            const auto answer = UserPrompts::instance().password(QStringLiteral("Password at ") + D().Name + ':');
            if (!answer)
                throw EGeneralError(QStringLiteral("Password Input Canceled"));
            if (Quitting || !pop)
                return;
            D().Password = answer->toUtf8();
        }
        pop->Password = D().Password;
        pop->UserID = D().UserID.toUtf8();
        const QString host = D().Host;
        if (host.contains(QLatin1Char(':'))) {
            pop->Host = host.left(host.indexOf(QLatin1Char(':')));
            bool ok = false;
            const QString port = host.mid(host.lastIndexOf(QLatin1Char(':')) + 1);
            const int value = port.trimmed().toInt(&ok);
            if (!ok)
                throw EGeneralError(QStringLiteral("'%1' is not a valid port number").arg(port));
            pop->Port = value;
        } else {
            pop->Host = host;
            pop->Port = 110;
        }
        pop->TimeOut = 60000;
        pop->Security = D().Security.isEmpty() ? QByteArray("auto") : D().Security;
        pop->CertFingerprint = D().CertFingerprint;
        // Headers read from another server or for another user say nothing about this box.
        cache->bindTo(D().Host, D().UserID);
        qCDebug(lcCheck) << "account" << n << "connecting to" << pop->Host << "port" << pop->Port << "security"
                         << pop->Security;
    } catch (const std::exception &e) {
        failed = true;
        reason = reasonOf(e);
        qCDebug(lcCheck) << "account" << n << "check not started:" << reason;
        setFieldColor(n, Colors.Error);
    }

    if (!failed) {
        try {
            pop->Connect();
        } catch (const std::exception &e) {
            if (Quitting)
                return;
            failed = true;
            reason = reasonOf(e);
            qCDebug(lcCheck) << "account" << n << "connect failed:" << reason;
            setFieldColor(n, Colors.Error);
            D().Busy = false;
        }
    }

    if (!failed && !Quitting && pop && summary) {
        D().MailCount = pop->MailCount;
        qCDebug(lcCheck) << "account" << n << "logged in," << D().MailCount << "messages";
        if (D().List && D().MailCount > 0) {
            summary->reset();
            CurrentListAccount = n;
            try {
                pop->List();
            } catch (...) {
                qCDebug(lcCheck) << "account" << n << "listing failed:" << Log::currentError();
            }
            TSummaryReader(pop, *summary, cache.get(), [this, pop] { return Quitting || !pop; }).read(D().MailCount);
            if (Quitting || !pop)
                return;
            try {
                TFilterEngine::evaluate(Filters, n, D().MailCount, *summary);
            } catch (...) {
                qCDebug(lcCheck) << "account" << n << "filters failed:" << Log::currentError();
            }
            deletePending(n, pop, *summary);
            if (Quitting)
                return;
            // What is left in the lists is what stays on the server.
            cache->keepOnly(*summary);
            refreshMailList(n);
        } else {
            if (D().List) {
                summary->reset();
                refreshMailList(n);
            }
            // Queued ids can only be carried out against this connection's id list; with an empty
            // box or no list they are gone for good, and keeping them would make every tick
            // contact the server again.
            summary->Pending.clear();
            cache->clear();
        }
        if (pop && !Quitting) {
            try {
                qCDebug(lcCheck) << "account" << n << "quit";
                pop->Disconnect();
            } catch (...) {
                qCDebug(lcCheck) << "account" << n << "quit failed:" << Log::currentError();
            }
        }
    }
    if (Quitting)
        return;
    endCycle(n, failed);
    if (failed)
        qCDebug(lcCheck) << "account" << n << "result: failed:" << reason;
    else
        qCDebug(lcCheck) << "account" << n << "result:" << D().MailCount << "messages";
    if (!failed)
        D().LastError.clear();
    else
        D().LastError = reason;
    updateFieldTooltip(n);
    if (!failed && D().MailCount > oldCount && D().Sound)
        playSounds(oldCount, D().MailCount);
}

void TF_CheckerWindow::deletePending(int n, TNMPOP3 *client, TMailSummary &summary)
{
    // Highest message number first, so removing a line never moves one still to be deleted.
    // Only ids read over this connection are deleted: an id that is gone is skipped unsent.
    QList<std::pair<qsizetype, QByteArray>> targets;
    for (const QByteArray &id : std::as_const(summary.Pending)) {
        const qsizetype line = summary.UniqueID.indexOf(id, 1);
        if (line > 0)
            targets.append({line, id});
    }
    std::stable_sort(targets.begin(), targets.end(), [](const auto &a, const auto &b) { return a.first > b.first; });
    QPointer<TNMPOP3> pop(client);
    for (const auto &[line, id] : targets) {
        if (Quitting || !pop)
            return;
        try {
            qCDebug(lcCheck) << "account" << n << "deleting message" << line << "id" << id;
            pop->DeleteMailMessage(qint32(line));
            if (Quitting)
                return;
            Accounts.data(n).MailCount -= 1;
            if (Options.KeepLogFile)
                TEventLog(SettingsDir)
                    .writeRecord(TEventLog::DeletedEvent, Accounts.data(n).Name.toUtf8(), TMailSummary::lineOf(summary.Subject, line),
                                 TMailSummary::lineOf(summary.Sender, line), TMailSummary::lineOf(summary.Size, line),
                                 TMailSummary::lineOf(summary.UniqueID, line));
            summary.removeLine(line);
        } catch (...) {
            qCDebug(lcCheck) << "account" << n << "deleting message" << line << "failed:" << Log::currentError();
        }
    }
    summary.Pending.clear();
}

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

void TF_CheckerWindow::endCycle(int n, bool failed)
{
    TAccountData &d = Accounts.data(n);
    d.Busy = false;
    if (!Accounts.anyBusy()) {
        if (m_tray)
            m_tray->stopCycling();
        m_timer6->stop();
    }
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
}

void TF_CheckerWindow::playSounds(qint32 oldCount, qint32 newCount)
{
    // Automatic plays fail silently; each play runs to its end before the next.
    const qint32 choice = Options.SoundItemIndex;
    SoundPlayer &player = SoundPlayer::instance();
    if (choice == 1 || choice == 3)
        player.playToEnd(Options.IncomingSound);
    if (choice == 2 || choice == 3)
        for (qint32 i = 0; i < newCount - oldCount && !Quitting; ++i)
            player.playToEnd(Options.MailCountSound);
}
