#pragma once

#include "platform/SoundPlayer.h"

class WavFile;

// Plays a WAV file (parsed by WavFile) on the default audio output through QAudioSink and
// waits in the event loop until the device has played the last sample.
class AudioSinkPlayer : public SoundPlayer
{
public:
    // Time allowed beyond the sound's length before a play counts as failed: a sound server
    // may hold a stream back for a while (about two seconds on a null sink).
    static constexpr int GraceMs = 5000;

    bool playToEnd(const QString &fileName) override;

private:
    static bool play(const WavFile &wav);
};
