#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QString>

// The data columns of one account: they move down a slot when an earlier account is deleted.
// The strings are the settings file's bytes (see TextBytes for showing and editing them).
struct TAccountData
{
    QByteArray Name;
    QByteArray Host;
    QByteArray UserID;
    QByteArray Password; // plain in memory; scrambled only in the settings file
    bool SavePwd = true;
    qint32 Timer = 500000; // ms
    bool Active = false;
    bool Sound = true;
    bool Show = true;
    bool List = true;
    QByteArray CustomMailClientPath;
    qint32 DefaultMailClient = 0;
    qint32 MailCount = 0;
    qint32 ZeroBase = 0;
    bool Busy = false;
    // Connection security: "auto", "tls", "starttls" or "none"; and a pinned certificate.
    QByteArray Security = "auto";
    QByteArray CertFingerprint;
    // How the login proves who we are: "password" (USER and PASS), "plain", "apop",
    // "scram-sha-256" or "oauth2"; for "oauth2" where the access token comes from.
    QByteArray Auth = "password";
    QByteArray OAuthProvider;       // "google", "microsoft", "custom" or "command"
    QByteArray OAuthAuthUrl;
    QByteArray OAuthTokenUrl;
    QByteArray OAuthScope;
    QByteArray OAuthClientId;
    QByteArray OAuthClientSecret;
    QByteArray OAuthCommand;
    QByteArray RefreshToken;        // kept like the password
    // Where the password and the refresh token are kept: "file" (scrambled in the settings
    // file) or "keyring" (the system keyring, never the file).
    QByteArray SecretStore = "file";
    // Where they are now: differs from SecretStore until a switch has moved them.
    QByteArray SecretsAt = "file";
    // The keyring's secrets were read into memory (once a run, or written by us).
    bool SecretsLoaded = false;
    // Why the last check failed; empty after a successful one. Shown in the field's tooltip.
    QString LastError;
    // The last successful check travelled unencrypted; the tooltip says so.
    bool PlainText = false;
    // Which account this is, whatever slot it sits in: a check's results go only to the
    // account it started for. 0 until the table hands one out.
    quint64 Serial = 0;
    // The running check's number; a check whose number is gone was cancelled quietly.
    quint64 CheckId = 0;
    // A check was due while the network was away: the field keeps its state and says so.
    bool WaitingForNetwork = false;
    // The ids the last successful check saw (from line 1; line 0 is the title), so the next
    // one knows which messages are new; nothing is known before the first successful check
    // of the run. The summary's own id list, implicitly shared: it costs no copy.
    QByteArrayList KnownIds;
    bool Checked = false;

    // The values a new or freed slot gets; Name, Host, UserID, Password and MailCount stay.
    void applyFreedSlotDefaults()
    {
        Active = false;
        Busy = false;
        Timer = 500000;
        Sound = true;
        Show = true;
        ZeroBase = 0;
        List = true;
        SavePwd = true;
        CustomMailClientPath.clear();
        DefaultMailClient = 0;
    }

    // A new account logs in with its password, kept in the file.
    void resetLogin()
    {
        Auth = "password";
        OAuthProvider.clear();
        OAuthAuthUrl.clear();
        OAuthTokenUrl.clear();
        OAuthScope.clear();
        OAuthClientId.clear();
        OAuthClientSecret.clear();
        OAuthCommand.clear();
        RefreshToken.clear();
        SecretStore = "file";
        SecretsAt = "file";
        SecretsLoaded = false;
    }
};
