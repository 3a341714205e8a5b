#include "AudioSinkPlayer.h"

#include "platform/Log.h"
#include "platform/WavFile.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QBuffer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMediaDevices>
#include <QTimer>

namespace {

QAudioFormat::SampleFormat sampleFormat(WavFile::Encoding encoding)
{
    switch (encoding) {
    case WavFile::Encoding::UInt8: return QAudioFormat::UInt8;
    case WavFile::Encoding::Int16: return QAudioFormat::Int16;
    case WavFile::Encoding::Int24: // widened below; Qt has no 24-bit format
    case WavFile::Encoding::Int32: return QAudioFormat::Int32;
    case WavFile::Encoding::Float32: return QAudioFormat::Float;
    }
    return QAudioFormat::Unknown;
}

// Packed little-endian 24-bit samples as 32-bit ones (the low byte zero).
QByteArray widen24(const QByteArray &samples)
{
    const qsizetype count = samples.size() / 3;
    QByteArray out(count * 4, Qt::Uninitialized);
    const char *in = samples.constData();
    char *to = out.data();
    for (qsizetype i = 0; i < count; ++i) {
        to[4 * i] = 0;
        to[4 * i + 1] = in[3 * i];
        to[4 * i + 2] = in[3 * i + 1];
        to[4 * i + 3] = in[3 * i + 2];
    }
    return out;
}

// The device's position is reported in whole periods on some servers; a play within this
// of the end has been heard.
constexpr qint64 EndToleranceUs = 1000;
// Bounds for looking at the position again: not in a tight loop while a stream is held
// back, and not so late that the next sound starts after a noticeable gap.
constexpr qint64 MinRecheckMs = 10;
constexpr qint64 MaxRecheckMs = 50;

} // namespace

bool AudioSinkPlayer::playToEnd(const QString &fileName)
{
    const std::optional<WavFile> wav = WavFile::load(fileName);
    if (!wav) {
        qCDebug(lcSound) << "not a playable WAV file:" << fileName;
        return false;
    }
    return play(*wav);
}

bool AudioSinkPlayer::play(const WavFile &wav)
{
    // Without a sound server there are no outputs; asking for them does not block.
    const QList<QAudioDevice> outputs = QMediaDevices::audioOutputs();
    if (outputs.isEmpty()) {
        qCDebug(lcSound) << "no audio output";
        return false;
    }
    QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull())
        device = outputs.constFirst();
    if (wav.frameCount() == 0)
        return true;

    QAudioFormat format;
    format.setSampleRate(wav.sampleRate());
    format.setChannelCount(wav.channelCount());
    format.setSampleFormat(sampleFormat(wav.encoding()));
    if (!device.isFormatSupported(format)) {
        qCDebug(lcSound) << "format not supported by" << device.description() << format;
        return false;
    }

    QByteArray pcm = wav.encoding() == WavFile::Encoding::Int24 ? widen24(wav.samples()) : wav.samples();
    QBuffer buffer(&pcm);
    buffer.open(QIODevice::ReadOnly);

    QAudioSink sink(device, format);
    QEventLoop loop;
    bool finished = false;
    // The sink goes idle once the server has taken all data, which is before the sound has
    // been heard (long before on a server with a large buffer, or when it held the stream
    // back at its start); stopping then would cut the sound off. The play ends when the
    // device's position has reached the last sample, and never before the sound's own length
    // (a device without a clock of its own, such as a null sink, can report a position ahead
    // of time); until then it is looked at again when that sample is due.
    const qint64 lengthUs = wav.frameCount() * 1000000 / wav.sampleRate();
    QElapsedTimer clock;
    QTimer due;
    due.setSingleShot(true);
    due.setTimerType(Qt::PreciseTimer);
    const auto checkPlayed = [&] {
        const qint64 leftUs = lengthUs - qMin(sink.processedUSecs(), clock.nsecsElapsed() / 1000);
        if (leftUs <= EndToleranceUs) {
            finished = true;
            loop.quit();
            return;
        }
        due.start(static_cast<int>(qBound<qint64>(MinRecheckMs, leftUs / 1000 + 1, MaxRecheckMs)));
    };
    QObject::connect(&due, &QTimer::timeout, &loop, checkPlayed);
    QObject::connect(&sink, &QAudioSink::stateChanged, &loop, [&](QAudio::State state) {
        if (state == QAudio::StoppedState) {
            due.stop();
            loop.quit();
        } else if (state == QAudio::IdleState && !due.isActive()) {
            checkPlayed();
        }
    });
    QTimer watchdog;
    watchdog.setSingleShot(true);
    watchdog.setTimerType(Qt::PreciseTimer);
    QObject::connect(&watchdog, &QTimer::timeout, &loop, &QEventLoop::quit);

    clock.start();
    sink.start(&buffer);
    if (sink.error() != QAudio::NoError && sink.error() != QAudio::UnderrunError) {
        qCDebug(lcSound) << "sink not started:" << sink.error();
        return false;
    }
    if (sink.state() != QAudio::StoppedState && !finished) {
        watchdog.start(static_cast<int>(qMin<qint64>(wav.durationMs() + GraceMs, 24 * 3600 * 1000)));
        loop.exec();
    }
    const bool ok = finished && (sink.error() == QAudio::NoError || sink.error() == QAudio::UnderrunError);
    if (!ok)
        qCDebug(lcSound) << "play failed: error" << sink.error() << "at" << sink.processedUSecs() << "of" << lengthUs
                         << "us";
    QObject::disconnect(&sink, nullptr, &loop, nullptr);
    sink.stop();
    return ok;
}
