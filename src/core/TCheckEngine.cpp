// The engine's accounts, settings, schedule and online state.
#include "core/TCheckEngine.h"

#include "core/TSilent.h"
#include "core/TSummaryCache.h"
#include "mail/TMailSummary.h"
#include "net/TNMPOP3.h"
#include "platform/Log.h"
#include "platform/NetworkStatus.h"
#include "platform/Platform.h"
#include "platform/SleepWatch.h"
#include "settings/TIniFile.h"

#include <QTimer>

namespace {
QByteArray number(qint32 n)
{
    return QByteArray::number(n);
}
QByteArray filterSection(qint32 k)
{
    return "Filter " + number(k);
}
} // namespace

TCheckEngine::TCheckEngine(QObject *parent) : QObject(parent)
{
    setObjectName(QStringLiteral("CheckEngine"));
}

TCheckEngine::~TCheckEngine() = default;

QString TCheckEngine::settingsFileName() const
{
    return Platform::joinPath(SettingsDir, QStringLiteral("vorlo.ini"));
}

void TCheckEngine::readSettings(TIniFile &ini)
{
    Options.AlwaysOffline = ini.readBool("Main", "AlwaysOffline", false);
    Options.KeepLogFile = ini.readBool("Main", "KeepLogFile", true);
    Options.MailCountSound = ini.readString(
        "Main", "MailCountSound", Platform::joinPath(SettingsDir, QStringLiteral("Ding.wav")).toUtf8());
    Options.IncomingSound =
        ini.readString("Main", "IncomingSound",
                       Platform::joinPath(SettingsDir, QStringLiteral("Incoming Mail.wav")).toUtf8());
    Options.SoundItemIndex = ini.readInteger("Main", "SoundItemIndex", 1);
    Options.CheckAllWhenGoingOnline = ini.readBool("Main", "CheckAllWhenGoingOnline", true);
    Options.FollowNetwork = ini.readBool("Main", "FollowNetwork", true);
    Options.CheckAfterResume = ini.readBool("Main", "CheckAfterResume", true);
    Options.Notify = ini.readBool("Main", "Notify", false);

    // A negative count (a hand-edited file) means no accounts; one beyond what the program
    // takes counts the account sections the file really holds.
    qint32 count = qMax(0, ini.readInteger("Main", "ECount", 0));
    if (count > TAccountTable::MaxAccounts) {
        count = 0;
        while (count < TAccountTable::MaxAccounts && ini.sectionExists(number(count + 1)))
            ++count;
    }
    Accounts.AccountCount = count;
    resizeAccounts();

    for (qint32 n = 1; n <= Accounts.AccountCount; ++n) {
        const QByteArray section = number(n);
        TAccountData &d = Accounts.data(n);
        d.Name = ini.readString(section, "Name", "#" + number(n));
        d.Host = ini.readString(section, "Host", "");
        d.UserID = ini.readString(section, "UserID", "");
        d.Password = ini.readStoredPassword(section, "Password");
        d.SavePwd = ini.readBool(section, "SavePwd", true);
        d.Timer = ini.readInteger(section, "Timer", 500000);
        d.Active = ini.readBool(section, "Active", false);
        d.Sound = ini.readBool(section, "Sound", true);
        d.Show = ini.readBool(section, "Show", true);
        d.List = ini.readBool(section, "List", true);
        d.CustomMailClientPath = ini.readString(section, "CustomMailClientPath", "");
        d.DefaultMailClient = ini.readInteger(section, "DefaultMailClient", 0);
        d.Security = ini.readString(section, "Security", "auto").toLower();
        d.CertFingerprint = ini.readString(section, "CertFingerprint", "");
        readLogin(ini, section, d);
    }

    Filters.clear();
    const qint32 filterCount = ini.readInteger("Main", "FilterCount", 0);
    for (qint32 k = 0; k < filterCount; ++k) {
        TFilter f;
        const QByteArray section = filterSection(k);
        f.IfCondition = ini.readInteger(section, "IfCondition", -1);
        f.Account = ini.readInteger(section, "Account", -1);
        f.Action = ini.readInteger(section, "Action", -1);
        f.Argument = ini.readString(section, "Argument", "");
        Filters.append(f);
    }
}

void TCheckEngine::writeAccounts(TIniFile &ini) const
{
    for (qint32 n = 1; n <= Accounts.AccountCount; ++n) {
        const QByteArray section = number(n);
        const TAccountData &d = Accounts.data(n);
        ini.writeString(section, "Name", d.Name);
        ini.writeString(section, "Host", d.Host);
        ini.writeString(section, "UserID", d.UserID);
        // A keyring account's password never reaches the file once it is in the keyring.
        const bool passwordInFile = d.SavePwd && d.SecretsAt == "file";
        ini.writeStoredPassword(section, "Password", passwordInFile ? d.Password : QByteArray());
        ini.writeBool(section, "SavePwd", d.SavePwd);
        ini.writeInteger(section, "Timer", d.Timer);
        ini.writeBool(section, "Active", d.Active);
        ini.writeBool(section, "Sound", d.Sound);
        ini.writeBool(section, "Show", d.Show);
        ini.writeBool(section, "List", d.List);
        ini.writeString(section, "CustomMailClientPath", d.CustomMailClientPath);
        ini.writeInteger(section, "DefaultMailClient", d.DefaultMailClient);
        ini.writeString(section, "Security", d.Security.isEmpty() ? QByteArray("auto") : d.Security);
        ini.writeString(section, "CertFingerprint", d.CertFingerprint);
        writeLogin(ini, section, d);
    }
    // Stale account sections: the walk stops where the next section is absent.
    for (qint32 n = Accounts.AccountCount + 1;; ++n) {
        if (ini.sectionExists(number(n)))
            ini.eraseSection(number(n));
        if (!ini.sectionExists(number(n + 1)))
            break;
    }

    ini.writeInteger("Main", "FilterCount", qint32(Filters.size()));
    for (qint32 k = 0; k < Filters.size(); ++k) {
        const TFilter &f = Filters.at(k);
        const QByteArray section = filterSection(k);
        ini.writeInteger(section, "IfCondition", f.IfCondition);
        ini.writeInteger(section, "Account", f.Account);
        ini.writeInteger(section, "Action", f.Action);
        ini.writeString(section, "Argument", f.Argument);
    }
    for (qint32 k = qint32(Filters.size());; ++k) {
        if (ini.sectionExists(filterSection(k)))
            ini.eraseSection(filterSection(k));
        if (!ini.sectionExists(filterSection(k + 1)))
            break;
    }
}

void TCheckEngine::resizeAccounts()
{
    Accounts.resizeColumns();
    // Only slots that held no account at the last resize are new. A hidden field is no sign of
    // a freed slot: an account whose Show flag is off has one too, and its settings must stay.
    for (qint32 n = m_resizedCount + 1; n <= Accounts.AccountCount; ++n) {
        Accounts.data(n).applyFreedSlotDefaults();
        TAccountSlot &s = Accounts.slot(n);
        if (!s.Pop3)
            createSlotObjects(n);
        // The timer of a dropped slot stopped at its first idle tick; the new account needs it.
        else if (!s.CheckTimer->isActive())
            s.CheckTimer->start(1000);
    }
    m_resizedCount = Accounts.AccountCount;
}

void TCheckEngine::createSlotObjects(int n)
{
    TAccountSlot &s = Accounts.slot(n);
    s.CheckTimer = new QTimer(this);
    s.CheckTimer->setObjectName(QStringLiteral("CheckTimer%1").arg(n));
    // Each account's period is Timer + 10 ms per slot: coarse timers would round that away
    // and tick every account in the same pass.
    s.CheckTimer->setTimerType(Qt::PreciseTimer);
    connect(s.CheckTimer, &QTimer::timeout, this,
            [this, timer = s.CheckTimer] { runSilently([&] { checkTimerTimer(timer); }); });

    s.Pop3 = new TNMPOP3(this);
    s.Pop3->setObjectName(QStringLiteral("Pop3_%1").arg(n));
    // Sizes are attributed by the client that reports them, so two accounts listing at the
    // same time each get their own.
    s.Pop3->OnList = [this, client = s.Pop3](qint32 msg, qint32 size) {
        const qint32 account = Accounts.slotOfPop3(client);
        if (account > 0 && Accounts.slot(account).MailSummary)
            appendSize(*Accounts.slot(account).MailSummary, msg, size);
    };
    s.Pop3->OnRetrieveEnd = [this](QObject *sender) { summaryHandler(sender); };
    s.MailSummary = std::make_shared<TMailSummary>();
    s.CheckTimer->start(1000);
}

qint32 TCheckEngine::addAccount(const QString &name)
{
    ++Accounts.AccountCount;
    resizeAccounts();
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
    d.resetLogin();
    d.LastError.clear();
    d.PlainText = false;
    d.CheckId = 0;
    d.WaitingForNetwork = false;
    d.KnownIds = {};
    d.Checked = false;

    // A reused slot still holds what its former account left behind.
    TAccountSlot &s = Accounts.slot(n);
    if (s.MailSummary) {
        s.MailSummary->reset();
        s.MailSummary->Pending.clear();
    }
    if (s.SummaryCache)
        s.SummaryCache->clear();
    if (s.CheckTimer && !s.CheckTimer->isActive())
        s.CheckTimer->start(1000);
    return n;
}

void TCheckEngine::deleteAccount(qint32 k)
{
    const qint32 oldLast = Accounts.AccountCount;
    if (k < 1 || k > oldLast)
        return;
    for (qint32 n = 1; n <= oldLast; ++n)
        resetConnection(n);

    // The mail lists follow their accounts: a deletion queued for one account must never be
    // carried out on the server of the account that moves into its slot. The header cache
    // goes the same way: it names the messages of its own server only.
    const std::shared_ptr<TMailSummary> dropped = Accounts.slot(k).MailSummary;
    const std::shared_ptr<TSummaryCache> droppedCache = Accounts.slot(k).SummaryCache;
    for (qint32 n = k; n < oldLast; ++n) {
        Accounts.slot(n).MailSummary = Accounts.slot(n + 1).MailSummary;
        Accounts.slot(n).SummaryCache = Accounts.slot(n + 1).SummaryCache;
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
    resizeAccounts();

    // Rules go with their account: those of the deleted one are removed, later ones renumbered.
    for (qsizetype i = Filters.size() - 1; i >= 0; --i) {
        if (Filters.at(i).Account == k)
            Filters.removeAt(i);
        else if (Filters.at(i).Account > k)
            --Filters[i].Account;
    }
}

void TCheckEngine::setOnline(bool online)
{
    m_online = online;
    if (!online) {
        for (qint32 n = 1; n <= Accounts.AccountCount; ++n)
            if (Accounts.data(n).Busy)
                resetConnection(n);
        return;
    }
    if (Options.CheckAllWhenGoingOnline)
        for (qint32 n = 1; n <= Accounts.AccountCount; ++n)
            if (QTimer *t = Accounts.slot(n).CheckTimer)
                t->start(1);
}

void TCheckEngine::followNetwork(NetworkStatus *status)
{
    if (!status || !status->isKnown())
        return;
    connect(status, &NetworkStatus::reachableChanged, this, [this](bool reachable) {
        runSilently([&] { setNetworkReachable(reachable); });
    });
    setNetworkReachable(status->isReachable());
}

void TCheckEngine::setNetworkReachable(bool reachable)
{
    const bool wasWaiting = waitsForNetwork();
    m_networkDown = !reachable;
    if (!Options.FollowNetwork || wasWaiting == waitsForNetwork())
        return;
    if (!reachable) {
        qCDebug(lcCheck) << "network lost: checks wait for it";
        cancelChecksQuietly();
        return;
    }
    qCDebug(lcCheck) << "network back";
    for (qint32 n = 1; n <= Accounts.AccountCount; ++n) {
        if (Accounts.data(n).WaitingForNetwork) {
            Accounts.data(n).WaitingForNetwork = false;
            emit checkQuietlyEnded(n);
        }
    }
    // The user's own offline switch wins; asleep, the waking checks everything.
    if (isOnline() && !m_asleep)
        scheduleActive();
}

void TCheckEngine::followSleep(SleepWatch *watch)
{
    if (!watch)
        return;
    connect(watch, &SleepWatch::aboutToSleep, this, [this] { runSilently([&] { prepareForSleep(true); }); });
    connect(watch, &SleepWatch::resumed, this, [this] { runSilently([&] { prepareForSleep(false); }); });
}

void TCheckEngine::prepareForSleep(bool sleeping)
{
    if (sleeping) {
        if (!Options.CheckAfterResume)
            return;
        qCDebug(lcCheck) << "going to sleep: running checks end";
        m_asleep = true;
        cancelChecksQuietly();
        return;
    }
    if (!m_asleep)
        return;
    m_asleep = false;
    qCDebug(lcCheck) << "woken up" << (waitsForNetwork() ? "; checks wait for the network" : "");
    // Without the network the check comes when it is back.
    if (isOnline() && !waitsForNetwork())
        scheduleActive();
}

void TCheckEngine::cancelChecksQuietly()
{
    for (qint32 n = 1; n <= Accounts.AccountCount; ++n) {
        TAccountData &d = Accounts.data(n);
        if (!d.Busy)
            continue;
        // The check sees its number gone at its next step and ends without touching anything.
        d.CheckId = 0;
        d.Busy = false;
        closeConnection(n);
        emit checkQuietlyEnded(n);
    }
}

void TCheckEngine::checkTimerTimer(QTimer *timer)
{
    const qint32 n = Accounts.slotOfTimer(timer);
    if (n == 0 || Quitting) {
        // The slot of a deleted account: nothing to check until an account takes it again.
        timer->stop();
        return;
    }
    timer->start(Accounts.data(n).Timer + 10 * n);
    const auto &summary = Accounts.slot(n).MailSummary;
    if (Accounts.data(n).Active || (summary && !summary->Pending.isEmpty()))
        startCheck(n);
}

void TCheckEngine::startCheck(int n)
{
    if (n < 1 || n > Accounts.AccountCount)
        return;
    // The check runs on by itself from here: each wait suspends it, and the event loop
    // resumes it when its server answers, whatever other checks are doing meanwhile.
    [[maybe_unused]] const QCoro::Task<> running = checkmail(n, Accounts.slot(n).Pop3);
}

void TCheckEngine::scheduleActive()
{
    for (qint32 n = 1; n <= Accounts.AccountCount && !Quitting; ++n)
        if (Accounts.data(n).Active && Accounts.slot(n).CheckTimer)
            Accounts.slot(n).CheckTimer->start(10 * n);
}

void TCheckEngine::closeConnection(int n)
{
    try {
        if (TNMPOP3 *client = Accounts.slot(n).Pop3)
            client->RequestCloseSocket();
    } catch (...) {
        qCDebug(lcCheck) << "account" << n << "closing failed:" << Log::currentError();
    }
}

void TCheckEngine::resetConnection(int n)
{
    closeConnection(n);
    Accounts.data(n).Busy = false;
    emit accountFailed(n);
}

void TCheckEngine::shutdown()
{
    Quitting = true;
    for (qint32 n = 1; n <= Accounts.slotCapacity(); ++n) {
        TAccountSlot &s = Accounts.slot(n);
        if (s.CheckTimer)
            s.CheckTimer->stop();
        TNMPOP3 *client = s.Pop3;
        if (!client)
            continue;
        try {
            client->RequestCloseSocket();
        } catch (...) {
            qCDebug(lcCheck) << "account" << n << "not closed at exit:" << Log::currentError();
        }
        // A check may still be waiting inside this client: let its wait unwind first.
        client->deleteLater();
        s.Pop3 = nullptr;
    }
    for (qint32 n = 0; n <= Accounts.slotCapacity(); ++n)
        Accounts.slot(n).MailSummary.reset();
}
