#include "WinSoundPlayer.h"

#include "platform/Log.h"
#include "platform/WavFile.h"

#include <QEventLoop>
#include <QTimer>
#include <QWinEventNotifier>

#include <windows.h>
#include <mmreg.h>
#include <mmsystem.h>

#ifdef _MSC_VER
#pragma comment(lib, "winmm")
#endif

namespace {

// KSDATAFORMAT_SUBTYPE_PCM and _IEEE_FLOAT: the format code in the first field, the rest fixed.
GUID subFormat(WORD code)
{
    return GUID{code, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};
}

WAVEFORMATEXTENSIBLE waveFormat(const WavFile &wav)
{
    const WORD bits = static_cast<WORD>(wav.bytesPerFrame() / wav.channelCount() * 8);
    WAVEFORMATEXTENSIBLE f{};
    f.Format.wFormatTag = WAVE_FORMAT_EXTENSIBLE;
    f.Format.nChannels = static_cast<WORD>(wav.channelCount());
    f.Format.nSamplesPerSec = static_cast<DWORD>(wav.sampleRate());
    f.Format.nBlockAlign = static_cast<WORD>(wav.bytesPerFrame());
    f.Format.nAvgBytesPerSec = f.Format.nSamplesPerSec * f.Format.nBlockAlign;
    f.Format.wBitsPerSample = bits;
    f.Format.cbSize = sizeof(WAVEFORMATEXTENSIBLE) - sizeof(WAVEFORMATEX);
    f.Samples.wValidBitsPerSample = bits;
    f.dwChannelMask = 0; // the device's own speaker order
    f.SubFormat = subFormat(wav.encoding() == WavFile::Encoding::Float32 ? WAVE_FORMAT_IEEE_FLOAT : WAVE_FORMAT_PCM);
    return f;
}

} // namespace

bool WinSoundPlayer::playToEnd(const QString &fileName)
{
    const std::optional<WavFile> wav = WavFile::load(fileName);
    if (!wav) {
        qCDebug(lcSound) << "not a playable WAV file:" << fileName;
        return false;
    }
    return play(*wav);
}

bool WinSoundPlayer::play(const WavFile &wav)
{
    if (wav.frameCount() == 0)
        return true;
    HANDLE done = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (!done)
        return false;
    WAVEFORMATEXTENSIBLE format = waveFormat(wav);
    HWAVEOUT device = nullptr;
    const MMRESULT opened =
        waveOutOpen(&device, WAVE_MAPPER, &format.Format, reinterpret_cast<DWORD_PTR>(done), 0, CALLBACK_EVENT);
    if (opened != MMSYSERR_NOERROR) {
        qCDebug(lcSound) << "wave output not opened: error" << opened;
        CloseHandle(done);
        return false;
    }

    QByteArray samples = wav.samples();
    WAVEHDR header{};
    header.lpData = samples.data();
    header.dwBufferLength = static_cast<DWORD>(samples.size());
    bool finished = false;
    if (waveOutPrepareHeader(device, &header, sizeof header) == MMSYSERR_NOERROR) {
        // The event is signalled on open, on every finished buffer and on close: the play has
        // ended when the device marks the buffer done.
        ResetEvent(done);
        QEventLoop loop;
        QWinEventNotifier notifier(done);
        QObject::connect(&notifier, &QWinEventNotifier::activated, &loop, [&] {
            if (header.dwFlags & WHDR_DONE) {
                finished = true;
                loop.quit();
            }
        });
        QTimer watchdog;
        watchdog.setSingleShot(true);
        watchdog.setTimerType(Qt::PreciseTimer);
        QObject::connect(&watchdog, &QTimer::timeout, &loop, &QEventLoop::quit);
        if (waveOutWrite(device, &header, sizeof header) == MMSYSERR_NOERROR) {
            watchdog.start(static_cast<int>(qMin<qint64>(wav.durationMs() + GraceMs, 24 * 3600 * 1000)));
            loop.exec();
        }
        notifier.setEnabled(false);
        // Stopping marks the buffer done at once, so it can be released.
        waveOutReset(device);
        waveOutUnprepareHeader(device, &header, sizeof header);
    }
    waveOutClose(device);
    CloseHandle(done);
    if (!finished)
        qCDebug(lcSound) << "play failed or did not end in time";
    return finished;
}
