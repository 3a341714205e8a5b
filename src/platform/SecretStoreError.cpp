#include "SecretStoreError.h"

namespace {

QString describe(ESecretStoreError::Reason reason, const QString &detail)
{
    using Reason = ESecretStoreError::Reason;
    QString text;
    switch (reason) {
    case Reason::Locked:
        text = QStringLiteral("The keyring is locked and was not unlocked.");
        break;
    case Reason::NoService:
        text = QStringLiteral("No keyring is available: no keyring service is running.");
        break;
    case Reason::AccessDenied:
        text = QStringLiteral("The keyring refused access to the password.");
        break;
    case Reason::Other:
        text = QStringLiteral("The keyring failed.");
        break;
    }
    return detail.isEmpty() ? text : text + QStringLiteral(" (") + detail + QLatin1Char(')');
}

} // namespace

ESecretStoreError::ESecretStoreError(Reason reason, const QString &detail)
    : EGeneralError(describe(reason, detail)), m_reason(reason)
{
}
