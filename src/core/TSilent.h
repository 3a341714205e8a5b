#pragma once

#include "platform/Log.h"

#include <utility>

// Runs a command the way every event handler of the program runs: a failure that escapes it
// is discarded without a word. Used at the boundary where Qt calls into our code, so no
// exception ever unwinds through the toolkit's own frames.
template <typename F>
void runSilently(F &&f) noexcept
{
    try {
        std::forward<F>(f)();
    } catch (...) {
        qCDebug(lcUi) << "event handler failed:" << Log::currentError();
    }
}
