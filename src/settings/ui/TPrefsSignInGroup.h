#pragma once

#include "auth/OAuthSignIn.h"

#include <QGroupBox>

#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
struct TAccountData;

// The accounts page's "Sign-in" group: how the account logs in, where its OAuth2 token comes
// from, and where its secrets are kept. The OAuth2 fields show only for "OAuth2".
class TPrefsSignInGroup : public QGroupBox
{
    Q_OBJECT
public:
    explicit TPrefsSignInGroup(QWidget *parent = nullptr);

    void load(const TAccountData &d);
    void store(TAccountData &d) const;
    void clear();
    // The OAuth2 settings as the fields hold them now, in the account table's form.
    void storeOAuth(TAccountData &d) const;

    // The "Auth" and "OAuthProvider" values in item order.
    static const QList<QByteArray> &authValues();
    static const QList<QByteArray> &providerValues();

    // Runs "Sign in..." for the account being edited; set by the page.
    std::function<void()> onSignIn;
    void setSignInStatus(const QString &text);

private:
    void showFields();

    QComboBox *m_auth;
    QComboBox *m_store;
    QComboBox *m_provider;
    QLineEdit *m_clientId;
    QLineEdit *m_clientSecret;
    QLineEdit *m_authUrl;
    QLineEdit *m_tokenUrl;
    QLineEdit *m_scope;
    QLineEdit *m_command;
    QPushButton *m_signIn;
    QLabel *m_status;
    QList<QWidget *> m_oauthRows;
    QList<QWidget *> m_customRows;
    QList<QWidget *> m_browserRows;
    QList<QWidget *> m_commandRows;
};
