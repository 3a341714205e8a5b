// One check of one account: connect, count, summaries, filters, deletions, result.
#include "core/TCheckEngine.h"

#include "core/TSummaryCache.h"
#include "core/TSummaryReader.h"
#include "mail/TEncodedWords.h"
#include "mail/TEventLog.h"
#include "mail/TFilterEngine.h"
#include "mail/TMailSummary.h"
#include "net/ESockError.h"
#include "net/TNMPOP3.h"
#include "platform/GeneralError.h"
#include "platform/Log.h"
#include "platform/SoundPlayer.h"
#include "platform/TextBytes.h"
#include "platform/UserPrompts.h"
#include "settings/TIniFile.h"
#include "core/FailureReason.h"

#include <QHash>
#include <QPointer>
#include <QSet>
#include <algorithm>


QByteArray TCheckEngine::sizeText(qint32 size)
{
    const qint32 k = qMax(1, size / 1024);
    // Most messages are small: their texts are made once and shared by every line that shows
    // them, instead of one allocation per message. Read-only after its first use.
    static const QByteArrayList common = [] {
        QByteArrayList texts;
        for (qint32 kb = 0; kb < 512; ++kb)
            texts.append(QByteArray::number(kb) + " kB");
        return texts;
    }();
    return k < common.size() ? common.at(k) : QByteArray::number(k) + " kB";
}

void TCheckEngine::appendSize(TMailSummary &summary, qint32 m, qint32 size)
{
    if (m < 0)
        return;
    // A line that is there already (a gap left by a later number) is filled, not pushed
    // down: inserting would shift every later size onto the wrong message.
    if (m < summary.Size.size()) {
        summary.Size[m] = sizeText(size);
        return;
    }
    TMailSummary::padTo(summary.Size, m);
    summary.Size.append(sizeText(size));
}

void TCheckEngine::summaryHandler(QObject *sender)
{
    const qint32 n = Accounts.slotOfPop3(sender);
    if (n == 0 || !Accounts.slot(n).MailSummary)
        return;
    auto *client = static_cast<TNMPOP3 *>(sender);
    TMailSummary &s = *Accounts.slot(n).MailSummary;
    s.Subject.append(client->Summary.Subject);
    s.Sender.append(client->Summary.From);
}

QCoro::Task<> TCheckEngine::checkmail(int n, TNMPOP3 *client)
{
    if (Quitting || n < 1 || n > Accounts.AccountCount || !client || Accounts.data(n).Busy || !isOnline())
        co_return;
    if (!networkUsable()) {
        // It would only fail: the field keeps its state and says what it waits for.
        Accounts.data(n).WaitingForNetwork = true;
        emit checkQuietlyEnded(n);
        co_return;
    }
    // The check suspends at every wait and anything may run meanwhile: an account deletion can
    // move the data columns or grow them. So the check holds its account's identity, finds the
    // account's slot anew after every wait, and drops its results once the account is gone.
    const quint64 serial = Accounts.serialOf(n);
    auto at = [this, serial] { return Accounts.slotOfSerial(serial); };
    const quint64 checkId = ++m_lastCheckId;
    Accounts.data(n).CheckId = checkId;
    Accounts.data(n).WaitingForNetwork = false;
    // Checked first after every wait: an engine destroyed meanwhile is never touched again,
    // and a check cancelled quietly (its number taken away) ends without a word.
    auto alive = [this, engine = QPointer<TCheckEngine>(this), at] { return engine && !Quitting && at() > 0; };
    // Asked for every message of a listing: the account is looked up once.
    auto gone = [this, engine = QPointer<TCheckEngine>(this), at, checkId] {
        if (!engine || Quitting)
            return true;
        const qint32 k = at();
        return k == 0 || Accounts.data(k).CheckId != checkId;
    };
    auto D = [this, at]() -> TAccountData & { return Accounts.data(at()); };
    QPointer<TNMPOP3> pop(client);
    const std::shared_ptr<TMailSummary> summary = Accounts.slot(n).MailSummary;
    if (!Accounts.slot(n).SummaryCache)
        Accounts.slot(n).SummaryCache = std::make_shared<TSummaryCache>();
    const std::shared_ptr<TSummaryCache> cache = Accounts.slot(n).SummaryCache;
    const qint32 oldCount = D().MailCount;
    bool failed = false;
    QString reason;

    D().Busy = true;
    emit checkStarted(n);
    LoginSecrets secrets = co_await fetchLoginSecrets(serial);
    if (gone() || !pop)
        co_return;
    if (!secrets.failure.isEmpty()) {
        failed = true;
        reason = secrets.failure;
    }
    // A keyring without this password asks for it like an account that saves none.
    const bool asks = D().Auth != "oauth2" && D().Password.isEmpty()
                      && (!D().SavePwd || D().SecretStore == "keyring");
    if (!failed && asks) {
        // Only this check waits for the answer; the others go on meanwhile.
        const auto answer = co_await UserPrompts::instance().askPassword(QStringLiteral("Password at ") +
                                                                         TextBytes::toText(D().Name) + ':');
        if (gone() || !pop)
            co_return;
        if (answer) {
            D().Password = answer->toUtf8();
            if (D().SavePwd && D().SecretStore == "keyring")
                [[maybe_unused]] const QCoro::Task<> storing = storeSecretsOf(serial);
        } else {
            failed = true;
            reason = QStringLiteral("Password Input Canceled");
        }
    }
    if (!failed) {
        try {
            pop->Password = D().Password;
            pop->UserID = D().UserID;
            pop->Auth = D().Auth.isEmpty() ? QByteArray("password") : D().Auth;
            pop->AccessToken = secrets.accessToken;
            const QString host = TextBytes::toText(D().Host);
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
            // A pipelined login brings the listings along only for a check that lists.
            pop->LoginListings = D().List;
            // Headers read from another server or for another user say nothing about this box.
            cache->bindTo(D().Host, D().UserID);
            qCDebug(lcCheck) << "account" << at() << "connecting to" << pop->Host << "port" << pop->Port
                             << "security" << pop->Security;
        } catch (const std::exception &e) {
            failed = true;
            reason = reasonOf(e);
        }
    }
    if (failed) {
        qCDebug(lcCheck) << "account" << at() << "check not started:" << reason;
        emit accountFailed(at());
    }

    if (!failed) {
        try {
            co_await pop->Connect();
        } catch (const std::exception &e) {
            failed = true;
            reason = reasonOf(e);
        }
        if (gone())
            co_return;
        if (failed) {
            qCDebug(lcCheck) << "account" << at() << "connect failed:" << reason;
            emit accountFailed(at());
            D().Busy = false;
        } else {
            rememberSecurity(at(), pop->NegotiatedSecurity);
        }
    }

    if (!failed && !gone() && pop && summary) {
        D().MailCount = pop->MailCount;
        qCDebug(lcCheck) << "account" << at() << "logged in," << D().MailCount << "messages";
        QList<qsizetype> marked;
        if (D().List && D().MailCount > 0) {
            summary->reset();
            summary->reserve(qsizetype(D().MailCount) + 1);
            CurrentListAccount = at();
            try {
                co_await pop->List();
            } catch (const ERefusedReply &e) {
                // A refused listing is a failed check: nothing read after it would be whole.
                failed = true;
                reason = reasonOf(e);
            } catch (...) {
                qCDebug(lcCheck) << "account" << at() << "listing failed:" << Log::currentError();
            }
            if (gone() || !pop)
                co_return;
            if (!failed) {
                TSummaryReader reader(pop, *summary, cache.get(), [pop, gone] { return gone() || !pop; });
                co_await reader.read(D().MailCount);
                if (gone() || !pop)
                    co_return;
                try {
                    TFilterEngine::evaluate(Filters, at(), D().MailCount, *summary);
                } catch (...) {
                    qCDebug(lcCheck) << "account" << at() << "filters failed:" << Log::currentError();
                }
                marked = co_await deletePending(pop, summary, gone);
                if (gone())
                    co_return;
            }
        } else {
            if (D().List) {
                summary->reset();
                emit summaryChanged(at());
            }
            // Queued ids can only be carried out against this connection's id list; with an empty
            // box or no list they are gone for good, and keeping them would make every tick
            // contact the server again.
            summary->Pending.clear();
            cache->clear();
        }
        // Deletions take effect at a successful QUIT only; until then the queue stays for the
        // next check and nothing is logged or counted. A session that sent no DELE does not
        // wait for QUIT's reply.
        bool committed = false;
        if (pop) {
            try {
                qCDebug(lcCheck) << "account" << at() << "quit";
                const bool connected = pop->Connected();
                co_await pop->Leave();
                committed = connected;
            } catch (...) {
                qCDebug(lcCheck) << "account" << at() << "quit failed:" << Log::currentError();
            }
            if (gone())
                co_return;
        }
        if (failed) {
            emit accountFailed(at());
        } else if (D().List && D().MailCount > 0) {
            if (committed) {
                commitDeletions(at(), *summary, marked);
                summary->Pending.clear();
            }
            // What is left in the lists is what stays on the server.
            summary->compact();
            cache->keepOnly(*summary);
            emit summaryChanged(at());
        }
    }
    if (gone())
        co_return;
    if (failed)
        qCDebug(lcCheck) << "account" << at() << "result: failed:" << reason;
    else
        qCDebug(lcCheck) << "account" << at() << "result:" << D().MailCount << "messages";
    D().Busy = false;
    D().CheckId = 0;
    if (!failed)
        D().LastError.clear();
    else
        D().LastError = reason;
    if (!failed)
        noteNewMail(at(), summary.get(), oldCount);
    emit checkFinished(at(), failed);
    if (alive() && !failed && D().MailCount > oldCount && D().Sound)
        playSounds(oldCount, D().MailCount);
}

void TCheckEngine::noteNewMail(int n, const TMailSummary *summary, qint32 oldCount)
{
    TAccountData &d = Accounts.data(n);
    TNewMail mail;
    mail.Serial = d.Serial;
    mail.Account = TextBytes::toText(d.Name);
    const bool listed = d.List && summary && d.MailCount > 0 && summary->UniqueID.size() > 1;
    // Nothing new where the ids are those of the last check, line for line: mostly the case.
    if (listed && d.Checked && d.KnownIds != summary->UniqueID) {
        // Only for the comparison: what is kept is the list itself.
        QSet<QByteArray> known;
        known.reserve(d.KnownIds.size());
        for (qsizetype line = 1; line < d.KnownIds.size(); ++line)
            known.insert(d.KnownIds.at(line));
        for (qsizetype line = 1; line < summary->UniqueID.size(); ++line)
            if (!known.contains(summary->UniqueID.at(line)))
                mail.Messages.append({TEncodedWords::decode(TMailSummary::lineOf(summary->Sender, line)).trimmed(),
                                      TEncodedWords::decode(TMailSummary::lineOf(summary->Subject, line)).trimmed()});
    }
    if (!d.Checked) {
        // The first check of a run: the whole box is no news, only its size is.
        mail.CountOnly = true;
        mail.Count = d.MailCount;
    } else if (listed) {
        mail.Count = qint32(mail.Messages.size());
    } else {
        mail.CountOnly = true;
        mail.Count = qMax(0, d.MailCount - oldCount);
    }
    d.KnownIds = listed ? summary->UniqueID : QByteArrayList();
    d.Checked = true;
    if (mail.Count > 0)
        emit newMail(n, mail);
}

void TCheckEngine::rememberSecurity(int n, const QByteArray &negotiated)
{
    TAccountData &d = Accounts.data(n);
    d.PlainText = negotiated == "none";
    // "auto" decides once: the protection seen on a successful login becomes the account's
    // setting, so a connection that later arrives without it fails instead of going plain.
    const QByteArray mode = d.Security.trimmed().toLower();
    if ((mode.isEmpty() || mode == "auto") && (negotiated == "tls" || negotiated == "starttls")) {
        d.Security = negotiated;
        try {
            TIniFile ini(settingsFileName());
            ini.writeString(QByteArray::number(n), "Security", negotiated);
        } catch (...) {
            // Kept in memory; the next save writes it.
            qCDebug(lcSettings) << "security of account" << n << "not written:" << Log::currentError();
        }
    }
}

QCoro::Task<QList<qsizetype>> TCheckEngine::deletePending(TNMPOP3 *client, std::shared_ptr<TMailSummary> summary,
                                                               std::function<bool()> gone)
{
    // Highest message number first, so removing a line never moves one still to be deleted.
    // Only ids read over this connection are deleted: an id that is gone is skipped unsent,
    // and an id that names more than one message names none of them for sure.
    if (summary->Pending.isEmpty())
        co_return QList<qsizetype>();
    QHash<QByteArray, qsizetype> seen;
    for (qsizetype line = 1; line < summary->UniqueID.size(); ++line)
        ++seen[summary->UniqueID.at(line)];
    QList<qsizetype> targets;
    for (const QByteArray &id : std::as_const(summary->Pending)) {
        const qsizetype line = summary->UniqueID.indexOf(id, 1);
        if (line > 0 && seen.value(id) == 1)
            targets.append(line);
    }
    std::sort(targets.begin(), targets.end(), std::greater<>());
    QPointer<TNMPOP3> pop(client);
    QList<qsizetype> marked;
    for (const qsizetype line : std::as_const(targets)) {
        if (gone() || !pop || !pop->Connected())
            break;
        try {
            qCDebug(lcCheck) << "deleting message" << line << "id" << summary->UniqueID.value(line);
            co_await pop->DeleteMailMessage(qint32(line));
            marked.append(line);
        } catch (...) {
            qCDebug(lcCheck) << "deleting message" << line << "failed:" << Log::currentError();
        }
    }
    co_return marked;
}

void TCheckEngine::commitDeletions(int n, TMailSummary &summary, const QList<qsizetype> &lines)
{
    for (const qsizetype line : lines) {
        Accounts.data(n).MailCount -= 1;
        if (Options.KeepLogFile)
            TEventLog(SettingsDir)
                .writeRecord(TEventLog::DeletedEvent, Accounts.data(n).Name, TMailSummary::lineOf(summary.Subject, line),
                             TMailSummary::lineOf(summary.Sender, line), TMailSummary::lineOf(summary.Size, line),
                             TMailSummary::lineOf(summary.UniqueID, line));
        summary.removeLine(line);
    }
}

void TCheckEngine::playSounds(qint32 oldCount, qint32 newCount)
{
    // Automatic plays fail silently; each play runs to its end before the next.
    const qint32 choice = Options.SoundItemIndex;
    SoundPlayer &player = SoundPlayer::instance();
    if (choice == 1 || choice == 3)
        player.playToEnd(TextBytes::toText(Options.IncomingSound));
    if (choice == 2 || choice == 3)
        for (qint32 i = 0; i < newCount - oldCount && !Quitting; ++i)
            player.playToEnd(TextBytes::toText(Options.MailCountSound));
}
