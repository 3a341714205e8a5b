#pragma once

#include "core/TAccountTable.h"
#include "core/TNewMail.h"
#include "core/TProgramOptions.h"
#include "auth/OAuthAccess.h"
#include "auth/OAuthConfig.h"
#include "auth/OAuthSignIn.h"
#include "mail/TFilter.h"

#include <QList>
#include <QObject>
#include <QString>

#include <QCoro/QCoroTask>
#include <functional>
#include <memory>

class NetworkStatus;
class QTimer;
class SleepWatch;
class TIniFile;
class TNMPOP3;
struct TMailSummary;

// The accounts, their schedules and their checks, without a screen. Every check is a
// coroutine bound to its account: it suspends at each network wait, so any number of
// accounts check side by side, and it lands its results on its own account wherever that
// account sits when they arrive. Views follow through the signals.
class TCheckEngine : public QObject
{
    Q_OBJECT
public:
    explicit TCheckEngine(QObject *parent = nullptr);
    ~TCheckEngine() override;

    TAccountTable Accounts;
    TProgramOptions Options;
    QList<TFilter> Filters;
    QString SettingsDir;
    bool Quitting = false;
    // The account whose listing was read last.
    qint32 CurrentListAccount = 0;

    QString settingsFileName() const;

    // ---- settings ----
    // The engine's options ("AlwaysOffline", the log, the sounds, "CheckAllWhenGoingOnline"),
    // the accounts and the filter rules. "ECount" beyond MaxAccounts counts the sections.
    void readSettings(TIniFile &ini);
    // The account sections and the filter rules, each followed by the walk over stale ones.
    void writeAccounts(TIniFile &ini) const;
    // Moves secrets whose store was switched and puts changed ones into the keyring; call
    // after the accounts were edited (writeAccounts writes the file's side).
    void storeSecrets();

    // ---- sign-in ----
    // What account n signs in with, from its settings; raises EGeneralError when they are
    // incomplete.
    static OAuthConfig oauthConfigOf(const TAccountData &d);
    // Where account `d`'s secret `what` ("password", "refresh-token") sits in the keyring.
    static QString secretKey(const TAccountData &d, const char *what);
    // Runs the browser sign-in for account n with `config` and keeps its tokens: the refresh
    // token with the account's secrets, the access token for its next check. Raises
    // EGeneralError with the reason.
    [[nodiscard]] QCoro::Task<> signIn(int n, OAuthConfig config, OAuthSignIn::OpenUrl open);
    OAuthAccess &oauthAccess() { return m_oauth; }

    // ---- accounts ----
    // Grows the table to AccountCount; slots new since the last call get the freed-slot
    // values, a check timer (started at 1 s), a POP3 client and a mail summary.
    void resizeAccounts();
    // Appends an account named `name` with the values of a new account; returns its number.
    qint32 addAccount(const QString &name);
    // Resets every connection, drops account k (its summary, cache and filter rules) and
    // moves the later accounts down a slot with theirs.
    void deleteAccount(qint32 k);

    // ---- online state ----
    bool isOnline() const { return m_online; }
    // Going offline resets the running checks; going online schedules every account at once
    // when "CheckAllWhenGoingOnline" is set.
    void setOnline(bool online);

    // ---- the desktop around it ----
    // Follows the system's reachability ("FollowNetwork"): while the network is away no check
    // starts and running ones end quietly; when it is back every active account is checked
    // once, unless the user is offline.
    void followNetwork(NetworkStatus *status);
    void setNetworkReachable(bool reachable);
    bool waitsForNetwork() const { return Options.FollowNetwork && m_networkDown; }
    // Follows sleep and waking ("CheckAfterResume"): running checks end quietly before the
    // machine sleeps; after it wakes every active account is checked once the network is there.
    void followSleep(SleepWatch *watch);
    void prepareForSleep(bool sleeping);
    // Ends the running checks without a failure: their fields keep their last state.
    void cancelChecksQuietly();

    // ---- checks ----
    // One check of account n over `client`; returns at once when it cannot start.
    [[nodiscard]] QCoro::Task<> checkmail(int n, TNMPOP3 *client);
    // Starts a check of account n that runs on its own.
    void startCheck(int n);
    // A tick of an account's check timer: re-armed for the account's period, then a check
    // when the account is active or deletions wait for it.
    void checkTimerTimer(QTimer *timer);
    // Every active account's timer ticks within 10 ms per slot.
    void scheduleActive();
    // Closes the account's connection; its check ends as failed.
    void resetConnection(int n);
    // The exit: no check starts or lands from now on, every client closes and goes.
    void shutdown();

    // The size handler: message m of `size` bytes goes to line m of the Size list in kB.
    static void appendSize(TMailSummary &summary, qint32 m, qint32 size);
    // The Size line of a message of `size` bytes: whole kB, at least "1 kB".
    static QByteArray sizeText(qint32 size);
    // Plays the sounds of a count that grew from `oldCount` to `newCount`.
    void playSounds(qint32 oldCount, qint32 newCount);

signals:
    // Account n's secrets could not be put where its store says; they stayed where they were.
    void secretsFailed(int n, const QString &reason);
    // Account n's check has begun waiting on the network.
    void checkStarted(int n);
    // Account n failed (or its connection was reset): its field shows the error colour.
    void accountFailed(int n);
    // Account n's check is over: Busy is off, MailCount and LastError hold the result.
    void checkFinished(int n, bool failed);
    // Account n's mail list holds new lines.
    void summaryChanged(int n);
    // Account n's check ended quietly (sleep, network lost) or could not start for the network:
    // nothing about the account changed but its Busy and WaitingForNetwork flags.
    void checkQuietlyEnded(int n);
    // A check of account n found messages that are new (sent whatever "Notify" says).
    void newMail(int n, const TNewMail &mail);

private:
    void createSlotObjects(int n);
    // Closes account n's connection; a check waiting on it wakes.
    void closeConnection(int n);
    void summaryHandler(QObject *sender);
    // Sends "DELE" for the queued ids found in this connection's id list, highest message
    // first; returns the lines the server marked. Nothing is gone before a successful QUIT.
    [[nodiscard]] QCoro::Task<QList<qsizetype>> deletePending(TNMPOP3 *client, std::shared_ptr<TMailSummary> summary,
                                                                std::function<bool()> gone);
    // After the server committed them: the log records, the count and the lines.
    void commitDeletions(int n, TMailSummary &summary, const QList<qsizetype> &lines);
    // Keeps what a successful login's protection tells: "auto" becomes what was seen.
    void rememberSecurity(int n, const QByteArray &negotiated);
    // Compares the ids of a successful check with the last one's and reports what is new.
    void noteNewMail(int n, const TMailSummary *summary, qint32 oldCount);
    bool networkUsable() const { return !m_asleep && !waitsForNetwork(); }

    static void readLogin(const TIniFile &ini, const QByteArray &section, TAccountData &d);
    static void writeLogin(TIniFile &ini, const QByteArray &section, const TAccountData &d);
    // What the login needs beyond the settings: the keyring's secrets (read once) and an
    // OAuth2 access token. `failure` says why the check cannot log in.
    struct LoginSecrets
    {
        QString failure;
        QByteArray accessToken;
    };
    [[nodiscard]] QCoro::Task<LoginSecrets> fetchLoginSecrets(quint64 serial);
    // Puts account n's secrets where its store says, moving them after a switch.
    [[nodiscard]] QCoro::Task<> storeSecretsOf(quint64 serial);
    // Writes account n's refresh token to the file right away (a rotated one must survive).
    void writeRefreshToken(int n);

    OAuthAccess m_oauth;

    bool m_online = true;
    bool m_networkDown = false;
    bool m_asleep = false;
    quint64 m_lastCheckId = 0;
    // Slots 1..m_resizedCount held account data at the last resize; only later slots are new.
    qint32 m_resizedCount = 0;
};
