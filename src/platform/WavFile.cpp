#include "WavFile.h"

#include <QFile>

namespace {

constexpr quint16 FormatPcm = 1;
constexpr quint16 FormatFloat = 3;
constexpr quint16 FormatExtensible = 0xFFFE;
constexpr int MaxSampleRate = 768000;
constexpr int MaxChannels = 64;

quint16 u16(const char *p)
{
    return static_cast<quint16>(static_cast<quint8>(p[0]) | static_cast<quint8>(p[1]) << 8);
}

quint32 u32(const char *p)
{
    return static_cast<quint32>(u16(p)) | static_cast<quint32>(u16(p + 2)) << 16;
}

// The sub-format of an extensible header is a GUID whose first two bytes are the format code.
std::optional<quint16> extensibleFormat(const QByteArray &fmt)
{
    static const QByteArray tail = QByteArray::fromHex("000000001000800000aa00389b71");
    if (fmt.size() < 40 || fmt.mid(26, 14) != tail)
        return std::nullopt;
    return u16(fmt.constData() + 24);
}

} // namespace

std::optional<WavFile> WavFile::load(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly) || file.size() > MaxFileSize)
        return std::nullopt;
    return parse(file.readAll());
}

std::optional<WavFile> WavFile::parse(const QByteArray &bytes)
{
    if (bytes.size() < 12 || !bytes.startsWith("RIFF") || bytes.mid(8, 4) != "WAVE")
        return std::nullopt;

    QByteArray fmt;
    qsizetype dataOffset = -1;
    qsizetype dataSize = 0;
    qsizetype pos = 12;
    while (pos + 8 <= bytes.size()) {
        const QByteArray id = bytes.mid(pos, 4);
        const qsizetype size = u32(bytes.constData() + pos + 4);
        const qsizetype body = pos + 8;
        const qsizetype available = bytes.size() - body;
        if (id == "data") {
            // A cut-off file (or one written as a stream, with a size left open) still plays
            // what it holds.
            dataOffset = body;
            dataSize = qMin(size, available);
        } else if (size > available) {
            return std::nullopt;
        } else if (id == "fmt " && fmt.isEmpty()) {
            fmt = bytes.mid(body, size);
        }
        if (size > available)
            break;
        pos = body + size + (size & 1);
    }
    if (fmt.size() < 16 || dataOffset < 0)
        return std::nullopt;

    const char *f = fmt.constData();
    quint16 format = u16(f);
    const int channels = u16(f + 2);
    const qint64 rate = u32(f + 4);
    const int blockAlign = u16(f + 12);
    const int bits = u16(f + 14);
    if (format == FormatExtensible) {
        const std::optional<quint16> sub = extensibleFormat(fmt);
        if (!sub)
            return std::nullopt;
        format = *sub;
    }

    WavFile wav;
    if (format == FormatPcm && bits == 8)
        wav.m_encoding = Encoding::UInt8;
    else if (format == FormatPcm && bits == 16)
        wav.m_encoding = Encoding::Int16;
    else if (format == FormatPcm && bits == 24)
        wav.m_encoding = Encoding::Int24;
    else if (format == FormatPcm && bits == 32)
        wav.m_encoding = Encoding::Int32;
    else if (format == FormatFloat && bits == 32)
        wav.m_encoding = Encoding::Float32;
    else
        return std::nullopt;

    if (channels < 1 || channels > MaxChannels || rate < 1 || rate > MaxSampleRate
        || blockAlign != channels * bits / 8)
        return std::nullopt;

    wav.m_sampleRate = static_cast<int>(rate);
    wav.m_channelCount = channels;
    wav.m_bytesPerFrame = blockAlign;
    wav.m_samples = bytes.mid(dataOffset, dataSize - dataSize % blockAlign);
    return wav;
}
