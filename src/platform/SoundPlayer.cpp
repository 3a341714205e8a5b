#include "SoundPlayer.h"

#include "Registry.h"

#include <QtGlobal>

#ifdef Q_OS_WIN
#include "windows/WinSoundPlayer.h"
using RealSoundPlayer = WinSoundPlayer;
#else
#include "linux/AudioSinkPlayer.h"
using RealSoundPlayer = AudioSinkPlayer;
#endif

SoundPlayer &SoundPlayer::instance()
{
    static RealSoundPlayer real;
    return Registry<SoundPlayer>::get(real);
}

void SoundPlayer::setInstance(SoundPlayer *player)
{
    Registry<SoundPlayer>::set(player);
}
