#include "auth/TokenOutcome.h"

bool TokenOutcome::settle()
{
    if (m_settled)
        return false;
    m_settled = true;
    QMetaObject::invokeMethod(this, &TokenOutcome::settled, Qt::QueuedConnection);
    return true;
}

void TokenOutcome::succeed(const OAuthTokens &tokens)
{
    if (settle())
        m_tokens = tokens;
}

void TokenOutcome::fail(const QString &error)
{
    if (settle())
        m_error = error;
}
