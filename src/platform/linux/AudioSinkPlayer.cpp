#include "AudioSinkPlayer.h"

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

} // namespace

bool AudioSinkPlayer::playToEnd(const QString &fileName)
{
    const std::optional<WavFile> wav = WavFile::load(fileName);
    if (!wav)
        return false;
    return play(*wav);
}

bool AudioSinkPlayer::play(const WavFile &wav)
{
    // Without a sound server there are no outputs; asking for them does not block.
    const QList<QAudioDevice> outputs = QMediaDevices::audioOutputs();
    if (outputs.isEmpty())
        return false;
    QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull())
        device = outputs.constFirst();
    if (wav.frameCount() == 0)
        return true;

    QAudioFormat format;
    format.setSampleRate(wav.sampleRate());
    format.setChannelCount(wav.channelCount());
    format.setSampleFormat(sampleFormat(wav.encoding()));
    if (!device.isFormatSupported(format))
        return false;

    QByteArray pcm = wav.encoding() == WavFile::Encoding::Int24 ? widen24(wav.samples()) : wav.samples();
    QBuffer buffer(&pcm);
    buffer.open(QIODevice::ReadOnly);

    QAudioSink sink(device, format);
    QEventLoop loop;
    QElapsedTimer clock;
    bool finished = false;
    // The sink goes idle once the server has taken all data, which with a large server
    // buffer is before the sound has been heard; stopping then would cut it off. So a play
    // also lasts at least the sound's own length.
    QTimer rest;
    rest.setSingleShot(true);
    rest.setTimerType(Qt::PreciseTimer);
    QObject::connect(&rest, &QTimer::timeout, &loop, [&] {
        finished = true;
        loop.quit();
    });
    QObject::connect(&sink, &QAudioSink::stateChanged, &loop, [&](QAudio::State state) {
        if (state == QAudio::StoppedState) {
            rest.stop();
            loop.quit();
        } else if (state == QAudio::IdleState && !rest.isActive()) {
            const qint64 remaining = wav.durationMs() - clock.elapsed();
            if (remaining > 0) {
                rest.start(static_cast<int>(remaining));
                return;
            }
            finished = true;
            loop.quit();
        }
    });
    QTimer watchdog;
    watchdog.setSingleShot(true);
    watchdog.setTimerType(Qt::PreciseTimer);
    QObject::connect(&watchdog, &QTimer::timeout, &loop, &QEventLoop::quit);

    clock.start();
    sink.start(&buffer);
    if (sink.error() != QAudio::NoError && sink.error() != QAudio::UnderrunError)
        return false;
    if (sink.state() != QAudio::StoppedState && !finished) {
        watchdog.start(static_cast<int>(qMin<qint64>(wav.durationMs() + GraceMs, 24 * 3600 * 1000)));
        loop.exec();
    }
    const bool ok = finished && (sink.error() == QAudio::NoError || sink.error() == QAudio::UnderrunError);
    QObject::disconnect(&sink, nullptr, &loop, nullptr);
    sink.stop();
    return ok;
}
