// How accounts log in beyond the designed password: their settings, their secrets in the
// file or the keyring, and their OAuth2 tokens.
#include "core/TCheckEngine.h"

#include "core/FailureReason.h"
#include "platform/Log.h"
#include "platform/SecretMoves.h"
#include "platform/SecretStore.h"
#include "platform/TextBytes.h"
#include "settings/TIniFile.h"

#include <QPointer>

namespace {

// Writes a value that is not the default, and a default over a value the file holds: files of
// accounts that never used these settings stay as they were.
void writeUnlessDefault(TIniFile &ini, const QByteArray &section, const QByteArray &key, const QByteArray &value,
                        const QByteArray &def)
{
    if (value != def || ini.readString(section, key, def) != def)
        ini.writeString(section, key, value);
}

QString text(const QByteArray &bytes)
{
    return TextBytes::toText(bytes);
}

} // namespace

void TCheckEngine::readLogin(const TIniFile &ini, const QByteArray &section, TAccountData &d)
{
    d.Auth = ini.readString(section, "Auth", "password").trimmed().toLower();
    d.OAuthProvider = ini.readString(section, "OAuthProvider", "").trimmed().toLower();
    d.OAuthAuthUrl = ini.readString(section, "OAuthAuthUrl", "");
    d.OAuthTokenUrl = ini.readString(section, "OAuthTokenUrl", "");
    d.OAuthScope = ini.readString(section, "OAuthScope", "");
    d.OAuthClientId = ini.readString(section, "OAuthClientId", "");
    d.OAuthClientSecret = ini.readString(section, "OAuthClientSecret", "");
    d.OAuthCommand = ini.readString(section, "OAuthCommand", "");
    d.SecretStore = ini.readString(section, "SecretStore", "file").trimmed().toLower() == "keyring" ? "keyring" : "file";
    d.RefreshToken = ini.readStoredPassword(section, "OAuthRefreshToken");
    // Secrets still in the file of a keyring account are a move that did not happen (the
    // keyring was locked, say): they stay in use and in the file until a move succeeds.
    const bool inFile = !d.Password.isEmpty() || !d.RefreshToken.isEmpty();
    d.SecretsAt = d.SecretStore == "keyring" && !inFile ? "keyring" : "file";
    d.SecretsLoaded = d.SecretsAt == "file";
}

void TCheckEngine::writeLogin(TIniFile &ini, const QByteArray &section, const TAccountData &d)
{
    writeUnlessDefault(ini, section, "Auth", d.Auth.isEmpty() ? QByteArray("password") : d.Auth, "password");
    writeUnlessDefault(ini, section, "OAuthProvider", d.OAuthProvider, "");
    writeUnlessDefault(ini, section, "OAuthAuthUrl", d.OAuthAuthUrl, "");
    writeUnlessDefault(ini, section, "OAuthTokenUrl", d.OAuthTokenUrl, "");
    writeUnlessDefault(ini, section, "OAuthScope", d.OAuthScope, "");
    writeUnlessDefault(ini, section, "OAuthClientId", d.OAuthClientId, "");
    writeUnlessDefault(ini, section, "OAuthClientSecret", d.OAuthClientSecret, "");
    writeUnlessDefault(ini, section, "OAuthCommand", d.OAuthCommand, "");
    writeUnlessDefault(ini, section, "SecretStore", d.SecretStore, "file");
    const QByteArray refreshInFile = d.SecretsAt == "file" ? d.RefreshToken : QByteArray();
    if (!refreshInFile.isEmpty() || !ini.readString(section, "OAuthRefreshToken", "").isEmpty())
        ini.writeStoredPassword(section, "OAuthRefreshToken", refreshInFile);
}

QString TCheckEngine::secretKey(const TAccountData &d, const char *what)
{
    // Host and user name the mailbox; an account renamed keeps its secrets.
    return QStringLiteral("%1@%2/%3").arg(text(d.UserID), text(d.Host), QLatin1String(what));
}

OAuthConfig TCheckEngine::oauthConfigOf(const TAccountData &d)
{
    OAuthConfig fields;
    fields.authUrl = QUrl(text(d.OAuthAuthUrl));
    fields.tokenUrl = QUrl(text(d.OAuthTokenUrl));
    fields.scope = text(d.OAuthScope);
    fields.clientId = text(d.OAuthClientId);
    fields.clientSecret = text(d.OAuthClientSecret);
    fields.command = text(d.OAuthCommand);
    const QString provider = d.OAuthProvider.isEmpty() ? QStringLiteral("custom") : text(d.OAuthProvider);
    OAuthConfig config = OAuthConfig::forProvider(provider, fields);
    config.check();
    return config;
}

QCoro::Task<TCheckEngine::LoginSecrets> TCheckEngine::fetchLoginSecrets(quint64 serial)
{
    QPointer<TCheckEngine> self(this);
    auto at = [this, serial] { return Accounts.slotOfSerial(serial); };
    LoginSecrets result;
    if (Accounts.data(at()).SecretsAt == "keyring" && !Accounts.data(at()).SecretsLoaded) {
        const TAccountData &d = Accounts.data(at());
        const QString passwordKey = secretKey(d, "password");
        const QString refreshKey = secretKey(d, "refresh-token");
        const bool wantsRefresh = d.Auth == "oauth2";
        std::optional<QByteArray> password;
        std::optional<QByteArray> refresh;
        try {
            password = co_await SecretStore::keyring().read(passwordKey);
            if (wantsRefresh)
                refresh = co_await SecretStore::keyring().read(refreshKey);
        } catch (const std::exception &e) {
            // Never the file instead: the user chose the keyring for this secret.
            result.failure = reasonOf(e);
        }
        if (!self || at() == 0 || !result.failure.isEmpty())
            co_return result;
        TAccountData &now = Accounts.data(at());
        // What the user typed meanwhile wins over what was stored.
        if (password && now.Password.isEmpty())
            now.Password = *password;
        if (refresh && now.RefreshToken.isEmpty())
            now.RefreshToken = *refresh;
        now.SecretsLoaded = true;
    }
    if (Accounts.data(at()).Auth != "oauth2")
        co_return result;

    OAuthConfig config;
    try {
        config = oauthConfigOf(Accounts.data(at()));
    } catch (const std::exception &e) {
        result.failure = reasonOf(e);
        co_return result;
    }
    const QByteArray refreshToken = Accounts.data(at()).RefreshToken;
    if (!config.isCommand() && refreshToken.isEmpty()) {
        result.failure = QStringLiteral("Not signed in: use \"Sign in...\" on the accounts page");
        co_return result;
    }
    const QString accountKey = secretKey(Accounts.data(at()), "oauth");
    OAuthAccess::Token token;
    try {
        token = co_await m_oauth.accessToken(accountKey, config, refreshToken);
    } catch (const std::exception &e) {
        result.failure = reasonOf(e);
    }
    if (!self || at() == 0 || !result.failure.isEmpty())
        co_return result;
    result.accessToken = token.accessToken;
    if (!token.newRefreshToken.isEmpty()) {
        Accounts.data(at()).RefreshToken = token.newRefreshToken;
        if (Accounts.data(at()).SecretsAt == "file")
            writeRefreshToken(at());
        else
            co_await storeSecretsOf(serial);
    }
    co_return result;
}

void TCheckEngine::writeRefreshToken(int n)
{
    try {
        TIniFile ini(settingsFileName());
        ini.writeStoredPassword(QByteArray::number(n), "OAuthRefreshToken", Accounts.data(n).RefreshToken);
    } catch (...) {
        // Kept in memory; the next save writes it.
        qCDebug(lcSettings) << "refresh token of account" << n << "not written:" << Log::currentError();
    }
}

void TCheckEngine::storeSecrets()
{
    for (qint32 n = 1; n <= Accounts.AccountCount; ++n) {
        const TAccountData &d = Accounts.data(n);
        if (d.SecretStore == "keyring" || d.SecretsAt == "keyring")
            [[maybe_unused]] const QCoro::Task<> moving = storeSecretsOf(Accounts.serialOf(n));
    }
}

QCoro::Task<> TCheckEngine::storeSecretsOf(quint64 serial)
{
    QPointer<TCheckEngine> self(this);
    auto at = [this, serial] { return Accounts.slotOfSerial(serial); };
    if (at() == 0)
        co_return;
    // What the move works with, as it is now: the account may change while it waits, so `now`
    // is read only here, before the first wait.
    const TAccountData &now = Accounts.data(at());
    const struct
    {
        QByteArray SecretStore;
        QByteArray Password;
        QByteArray RefreshToken;
        bool SavePwd;
    } snapshot{now.SecretStore, now.Password, now.RefreshToken, now.SavePwd};
    const QString passwordKey = secretKey(now, "password");
    const QString refreshKey = secretKey(now, "refresh-token");
    QString failure;
    try {
        if (snapshot.SecretStore == "keyring") {
            // Into the keyring (the file's copy is dropped by the save that follows).
            if (snapshot.SavePwd && !snapshot.Password.isEmpty())
                co_await SecretStore::keyring().write(passwordKey, snapshot.Password);
            if (!snapshot.RefreshToken.isEmpty())
                co_await SecretStore::keyring().write(refreshKey, snapshot.RefreshToken);
        } else {
            // Back to the file: what the keyring holds and this run never read comes along.
            const QByteArray password = co_await takeFromKeyring(passwordKey, [](const QByteArray &) {});
            const QByteArray refresh = co_await takeFromKeyring(refreshKey, [](const QByteArray &) {});
            if (!self || at() == 0)
                co_return;
            TAccountData &d = Accounts.data(at());
            if (d.Password.isEmpty())
                d.Password = password;
            if (d.RefreshToken.isEmpty())
                d.RefreshToken = refresh;
        }
    } catch (const std::exception &e) {
        failure = reasonOf(e);
    }
    if (!self || at() == 0)
        co_return;
    TAccountData &d = Accounts.data(at());
    if (!failure.isEmpty()) {
        // The secret stays where it was, and the field says why.
        qCDebug(lcSettings) << "secrets of account" << at() << "not moved:" << failure;
        d.LastError = QStringLiteral("Keyring: ") + failure;
        emit secretsFailed(at(), d.LastError);
        co_return;
    }
    d.SecretsAt = snapshot.SecretStore;
    d.SecretsLoaded = true;
    // The file's copy goes (or comes back) now that the other side holds the secret.
    try {
        TIniFile ini(settingsFileName());
        TIniFile::Batch batch(ini);
        writeAccounts(ini);
    } catch (...) {
        qCDebug(lcSettings) << "accounts not written after a keyring move:" << Log::currentError();
    }
}

QCoro::Task<> TCheckEngine::signIn(int n, OAuthConfig config, OAuthSignIn::OpenUrl open)
{
    QPointer<TCheckEngine> self(this);
    const quint64 serial = Accounts.serialOf(n);
    const OAuthTokens tokens = co_await OAuthSignIn::signIn(std::move(config), std::move(open));
    const int at = self ? Accounts.slotOfSerial(serial) : 0;
    if (at == 0)
        co_return;
    TAccountData &d = Accounts.data(at);
    d.RefreshToken = tokens.refreshToken;
    m_oauth.remember(secretKey(d, "oauth"), tokens);
    if (d.SecretStore == "keyring")
        co_await storeSecretsOf(serial);
    else
        writeRefreshToken(at);
}
