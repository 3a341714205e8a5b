#pragma once

#include <QCoro/QCoroTask>

// What the system's keyring service says of itself. Asked after an operation failed or found
// nothing, so that the error can tell the user why: a keyring library reports a locked keyring
// or a missing service only as a generic failure, or not at all.
enum class KeyringState {
    Unknown, // the system cannot tell
    Missing, // no keyring service runs
    Locked,  // the collection new secrets go to is locked
    Open,
};

[[nodiscard]] QCoro::Task<KeyringState> probeKeyring();
