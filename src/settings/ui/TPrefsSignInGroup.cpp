#include "settings/ui/TPrefsSignInGroup.h"

#include "core/TAccountData.h"
#include "platform/TextBytes.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

const QList<QByteArray> &storeValues()
{
    static const QList<QByteArray> values = {"file", "keyring"};
    return values;
}

QLineEdit *edit(QWidget *parent, const char *name, const QString &tip)
{
    auto *e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
    e->setToolTip(tip);
    return e;
}

int indexIn(const QList<QByteArray> &values, const QByteArray &value)
{
    return int(values.indexOf(value));
}

QByteArray valueAt(const QList<QByteArray> &values, const QComboBox *box, const QByteArray &fallback)
{
    const int i = box->currentIndex();
    return i >= 0 && i < values.size() ? values.at(i) : fallback;
}

} // namespace

const QList<QByteArray> &TPrefsSignInGroup::authValues()
{
    static const QList<QByteArray> values = {"password", "plain", "apop", "scram-sha-256", "oauth2"};
    return values;
}

const QList<QByteArray> &TPrefsSignInGroup::providerValues()
{
    static const QList<QByteArray> values = {"google", "microsoft", "custom", "command"};
    return values;
}

TPrefsSignInGroup::TPrefsSignInGroup(QWidget *parent) : QGroupBox(tr("Sign-in"), parent)
{
    setObjectName(QStringLiteral("SignInGroup"));
    auto *grid = new QGridLayout(this);

    m_auth = new QComboBox(this);
    m_auth->setObjectName(QStringLiteral("AuthComboBox"));
    m_auth->addItems({tr("Password (USER/PASS)"), tr("SASL PLAIN"), tr("APOP"), tr("SCRAM-SHA-256"), tr("OAuth2")});
    m_auth->setToolTip(tr("How Vorlo proves to the server who you are"));
    m_store = new QComboBox(this);
    m_store->setObjectName(QStringLiteral("SecretStoreComboBox"));
    m_store->addItems({tr("Settings file"), tr("System keyring")});
    m_store->setToolTip(tr("Where the saved password and the sign-in are kept"));
    auto *authLabel = new QLabel(tr("Login"), this);
    authLabel->setBuddy(m_auth);
    auto *storeLabel = new QLabel(tr("Keep secrets in"), this);
    storeLabel->setBuddy(m_store);
    grid->addWidget(authLabel, 0, 0);
    grid->addWidget(m_auth, 0, 1);
    grid->addWidget(storeLabel, 0, 2);
    grid->addWidget(m_store, 0, 3);

    m_provider = new QComboBox(this);
    m_provider->setObjectName(QStringLiteral("OAuthProviderComboBox"));
    m_provider->addItems({tr("Google"), tr("Microsoft"), tr("Custom"), tr("Command")});
    m_clientId = edit(this, "OAuthClientIdEdit", tr("The client id you registered with the provider"));
    auto *providerLabel = new QLabel(tr("Provider"), this);
    providerLabel->setBuddy(m_provider);
    auto *clientLabel = new QLabel(tr("Client id"), this);
    clientLabel->setBuddy(m_clientId);
    grid->addWidget(providerLabel, 1, 0);
    grid->addWidget(m_provider, 1, 1);
    grid->addWidget(clientLabel, 1, 2);
    grid->addWidget(m_clientId, 1, 3);

    m_clientSecret = edit(this, "OAuthClientSecretEdit", tr("Optional: the client secret the provider gave"));
    m_signIn = new QPushButton(tr("Sign in..."), this);
    m_signIn->setObjectName(QStringLiteral("SignInButton"));
    m_signIn->setToolTip(tr("Sign in with your browser; Vorlo keeps the sign-in, not your password"));
    auto *secretLabel = new QLabel(tr("Client secret"), this);
    secretLabel->setBuddy(m_clientSecret);
    grid->addWidget(secretLabel, 2, 0);
    grid->addWidget(m_clientSecret, 2, 1);
    grid->addWidget(m_signIn, 2, 3);

    m_authUrl = edit(this, "OAuthAuthUrlEdit", tr("The provider's authorization address"));
    m_tokenUrl = edit(this, "OAuthTokenUrlEdit", tr("The provider's token address"));
    m_scope = edit(this, "OAuthScopeEdit", tr("The scope that gives mail access"));
    auto *authUrlLabel = new QLabel(tr("Authorization URL"), this);
    auto *tokenUrlLabel = new QLabel(tr("Token URL"), this);
    auto *scopeLabel = new QLabel(tr("Scope"), this);
    grid->addWidget(authUrlLabel, 3, 0);
    grid->addWidget(m_authUrl, 3, 1, 1, 3);
    grid->addWidget(tokenUrlLabel, 4, 0);
    grid->addWidget(m_tokenUrl, 4, 1, 1, 3);
    grid->addWidget(scopeLabel, 5, 0);
    grid->addWidget(m_scope, 5, 1, 1, 3);

    m_command = edit(this, "OAuthCommandEdit", tr("A command whose first line of output is the access token"));
    auto *commandLabel = new QLabel(tr("Token command"), this);
    commandLabel->setBuddy(m_command);
    grid->addWidget(commandLabel, 6, 0);
    grid->addWidget(m_command, 6, 1, 1, 3);

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("SignInStatusLabel"));
    m_status->setWordWrap(true);
    grid->addWidget(m_status, 7, 0, 1, 4);

    m_oauthRows = {providerLabel, m_provider, clientLabel, m_clientId, secretLabel, m_clientSecret, m_signIn, m_status};
    m_browserRows = {clientLabel, m_clientId, secretLabel, m_clientSecret, m_signIn};
    m_customRows = {authUrlLabel, m_authUrl, tokenUrlLabel, m_tokenUrl, scopeLabel, m_scope};
    m_commandRows = {commandLabel, m_command};

    connect(m_auth, &QComboBox::currentIndexChanged, this, [this] { showFields(); });
    connect(m_provider, &QComboBox::currentIndexChanged, this, [this] { showFields(); });
    connect(m_signIn, &QPushButton::clicked, this, [this] {
        if (onSignIn)
            onSignIn();
    });
    clear();
}

void TPrefsSignInGroup::showFields()
{
    const bool oauth = valueAt(authValues(), m_auth, "password") == "oauth2";
    const QByteArray provider = valueAt(providerValues(), m_provider, "custom");
    for (QWidget *w : m_oauthRows)
        w->setVisible(oauth);
    for (QWidget *w : m_browserRows)
        w->setVisible(oauth && provider != "command");
    for (QWidget *w : m_customRows)
        w->setVisible(oauth && provider == "custom");
    for (QWidget *w : m_commandRows)
        w->setVisible(oauth && provider == "command");
}

void TPrefsSignInGroup::clear()
{
    m_auth->setCurrentIndex(0);
    m_store->setCurrentIndex(0);
    m_provider->setCurrentIndex(0);
    for (QLineEdit *e : {m_clientId, m_clientSecret, m_authUrl, m_tokenUrl, m_scope, m_command})
        e->clear();
    m_status->clear();
    showFields();
}

void TPrefsSignInGroup::load(const TAccountData &d)
{
    // A value the list does not offer (a hand-edited file) shows no item and is kept.
    m_auth->setCurrentIndex(indexIn(authValues(), d.Auth));
    m_store->setCurrentIndex(indexIn(storeValues(), d.SecretStore));
    const int provider = indexIn(providerValues(), d.OAuthProvider);
    m_provider->setCurrentIndex(provider >= 0 ? provider : 0);
    m_clientId->setText(TextBytes::toText(d.OAuthClientId));
    m_clientSecret->setText(TextBytes::toText(d.OAuthClientSecret));
    m_authUrl->setText(TextBytes::toText(d.OAuthAuthUrl));
    m_tokenUrl->setText(TextBytes::toText(d.OAuthTokenUrl));
    m_scope->setText(TextBytes::toText(d.OAuthScope));
    m_command->setText(TextBytes::toText(d.OAuthCommand));
    m_status->setText(d.Auth == "oauth2" && d.OAuthProvider != "command"
                          ? (d.RefreshToken.isEmpty() && d.SecretsAt == "file" ? tr("Not signed in") : QString())
                          : QString());
    showFields();
}

void TPrefsSignInGroup::storeOAuth(TAccountData &d) const
{
    d.OAuthProvider = valueAt(providerValues(), m_provider, d.OAuthProvider);
    d.OAuthClientId = TextBytes::fromEdit(d.OAuthClientId, m_clientId->text().trimmed());
    d.OAuthClientSecret = TextBytes::fromEdit(d.OAuthClientSecret, m_clientSecret->text().trimmed());
    d.OAuthAuthUrl = TextBytes::fromEdit(d.OAuthAuthUrl, m_authUrl->text().trimmed());
    d.OAuthTokenUrl = TextBytes::fromEdit(d.OAuthTokenUrl, m_tokenUrl->text().trimmed());
    d.OAuthScope = TextBytes::fromEdit(d.OAuthScope, m_scope->text().trimmed());
    d.OAuthCommand = TextBytes::fromEdit(d.OAuthCommand, m_command->text().trimmed());
}

void TPrefsSignInGroup::store(TAccountData &d) const
{
    d.Auth = valueAt(authValues(), m_auth, d.Auth);
    d.SecretStore = valueAt(storeValues(), m_store, d.SecretStore);
    storeOAuth(d);
}

void TPrefsSignInGroup::setSignInStatus(const QString &text)
{
    m_status->setText(text);
}
