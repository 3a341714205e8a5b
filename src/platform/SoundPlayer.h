#pragma once

#include <QString>

// Plays one WAV file to its end before returning; the wait runs the event loop.
class SoundPlayer
{
public:
    virtual ~SoundPlayer() = default;
    // Returns false when the file could not be played (missing, broken, no audio output).
    virtual bool playToEnd(const QString &fileName) = 0;

    static SoundPlayer &instance();
    static void setInstance(SoundPlayer *player); // nullptr restores the real one
};
