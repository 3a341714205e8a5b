#include "platform/KeyringProbe.h"

// The credential store is part of the system and has no lock of its own.
QCoro::Task<KeyringState> probeKeyring()
{
    co_return KeyringState::Unknown;
}
