#pragma once

#include "platform/SoundPlayer.h"

class WavFile;

// Plays a WAV file (parsed by WavFile) through the wave-out device and waits in the event
// loop until the device reports the buffer done, so the window keeps working meanwhile.
class WinSoundPlayer : public SoundPlayer
{
public:
    // Time allowed beyond the sound's length before a play counts as failed.
    static constexpr int GraceMs = 5000;

    bool playToEnd(const QString &fileName) override;

private:
    static bool play(const WavFile &wav);
};
