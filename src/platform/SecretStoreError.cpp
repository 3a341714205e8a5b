#include "SecretStoreError.h"

namespace {

QString sentence(ESecretStoreError::Reason reason)
{
    using Reason = ESecretStoreError::Reason;
    switch (reason) {
    case Reason::Locked:
        return QStringLiteral("The keyring is locked and was not unlocked.");
    case Reason::NoService:
        return QStringLiteral("No keyring is available: no keyring service is running.");
    case Reason::AccessDenied:
        return QStringLiteral("The keyring refused access to the password.");
    case Reason::Other:
        break;
    }
    return QStringLiteral("The keyring failed.");
}

QString describe(ESecretStoreError::Reason reason, const QString &detail)
{
    return detail.isEmpty() ? sentence(reason)
                            : sentence(reason) + QStringLiteral(" (") + detail + QLatin1Char(')');
}

} // namespace

ESecretStoreError::ESecretStoreError(Reason reason, const QString &detail)
    : EGeneralError(describe(reason, detail)), m_reason(reason)
{
}
