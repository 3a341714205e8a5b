#pragma once

#include "platform/SoundPlayer.h"

// PlaySoundW, synchronous: it returns when the sound has ended, or false at once when the
// file cannot be played. The event loop does not run meanwhile, as with the system's own
// wave playback.
class WinSoundPlayer : public SoundPlayer
{
public:
    bool playToEnd(const QString &fileName) override;
};
