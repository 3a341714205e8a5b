#pragma once

#include "platform/GeneralError.h"

// A failure of the keyring. The message says in the user's words what went wrong, followed by
// the keyring's own text where there is one.
class ESecretStoreError : public EGeneralError
{
public:
    enum class Reason {
        Locked,       // locked, and unlocking it was refused or impossible
        NoService,    // no keyring service runs
        AccessDenied, // the keyring refused this program
        Other,        // anything else
    };

    explicit ESecretStoreError(Reason reason, const QString &detail = {});
    Reason reason() const noexcept { return m_reason; }

private:
    Reason m_reason;
};
