#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// The samples and format of a RIFF/WAVE file with integer PCM (8, 16, 24 or 32 bits) or
// 32-bit float samples; every other encoding is refused.
class WavFile
{
public:
    enum class Encoding { UInt8, Int16, Int24, Int32, Float32 };

    // Larger files are refused rather than read into memory (a notification sound is short).
    static constexpr qint64 MaxFileSize = 64 * 1024 * 1024;

    static std::optional<WavFile> load(const QString &fileName);
    static std::optional<WavFile> parse(const QByteArray &bytes);

    Encoding encoding() const { return m_encoding; }
    int sampleRate() const { return m_sampleRate; }
    int channelCount() const { return m_channelCount; }
    int bytesPerFrame() const { return m_bytesPerFrame; }
    // Whole frames only; a cut-off last frame is dropped.
    const QByteArray &samples() const { return m_samples; }
    qint64 frameCount() const { return m_samples.size() / m_bytesPerFrame; }
    qint64 durationMs() const { return frameCount() * 1000 / m_sampleRate; }

private:
    Encoding m_encoding = Encoding::Int16;
    int m_sampleRate = 0;
    int m_channelCount = 0;
    int m_bytesPerFrame = 0;
    QByteArray m_samples;
};
