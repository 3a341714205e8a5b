#include "WinSoundPlayer.h"

#include <QDir>
#include <QFileInfo>

#include <windows.h>
#include <mmsystem.h>

#ifdef _MSC_VER
#pragma comment(lib, "winmm")
#endif

bool WinSoundPlayer::playToEnd(const QString &fileName)
{
    // Without the file PlaySoundW would play nothing and still report success.
    if (!QFileInfo(fileName).isFile())
        return false;
    const QString native = QDir::toNativeSeparators(fileName);
    return PlaySoundW(reinterpret_cast<LPCWSTR>(native.utf16()), nullptr,
                      SND_FILENAME | SND_SYNC | SND_NODEFAULT) != FALSE;
}
