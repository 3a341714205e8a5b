#include "auth/SignInOutcome.h"

bool SignInOutcome::settle()
{
    if (m_settled)
        return false;
    m_settled = true;
    QMetaObject::invokeMethod(this, &SignInOutcome::settled, Qt::QueuedConnection);
    return true;
}

void SignInOutcome::succeed(const OAuthTokens &tokens)
{
    if (settle())
        m_tokens = tokens;
}

void SignInOutcome::fail(const QString &error)
{
    if (settle())
        m_error = error;
}
