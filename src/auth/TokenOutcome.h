#pragma once

#include "auth/OAuthTokens.h"

#include <QObject>
#include <QString>

#include <optional>

// How a sign-in or a refresh ended, for whoever awaits it: the first result wins, later ones
// are ignored. `settled` is emitted from the event loop, so a waiter never resumes inside a Qt
// NetworkAuth signal whose objects it is about to destroy.
class TokenOutcome : public QObject
{
    Q_OBJECT
public:
    bool isSettled() const { return m_settled; }
    const std::optional<OAuthTokens> &tokens() const { return m_tokens; }
    const QString &error() const { return m_error; }

    void succeed(const OAuthTokens &tokens);
    void fail(const QString &error);

signals:
    void settled();

private:
    bool settle();

    bool m_settled = false;
    std::optional<OAuthTokens> m_tokens;
    QString m_error;
};
