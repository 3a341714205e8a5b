#pragma once

#include <QByteArray>
#include <QFile>
#include <QtEndian>

#include <cmath>
#include <cstring>
#include <numbers>

// Builds WAV files for tests: a sine tone in any of the layouts the player must read, or
// deliberately damaged ones.
struct WavBuilder
{
    quint16 format = 1; // 1 PCM, 3 float, 6 A-law, 0xFFFE extensible
    quint16 subFormat = 1; // for extensible
    int bits = 16;
    int channels = 1;
    int rate = 8000;
    qint64 frames = 800;
    bool oddChunkFirst = false; // a "LIST" chunk of odd size before "fmt "
    qint64 dataSizeOverride = -1;
    double amplitude = 0.5;
    // The last markerFrames frames are a loud 500 Hz tone, so a recording
    // shows whether the end of the sound was heard.
    qint64 markerFrames = 0;

    static void put16(QByteArray &out, quint16 v) { out.append(char(v & 0xff)).append(char(v >> 8)); }
    static void put32(QByteArray &out, quint32 v) { put16(out, quint16(v & 0xffff)); put16(out, quint16(v >> 16)); }

    QByteArray samples() const
    {
        QByteArray out;
        const int bytes = bits / 8;
        for (qint64 f = 0; f < frames; ++f) {
            const bool marker = f >= frames - markerFrames;
            const double s = marker ? 0.95 * std::sin(2 * std::numbers::pi * 500.0 * double(f) / rate)
                                    : amplitude * std::sin(2 * std::numbers::pi * 440.0 * double(f) / rate);
            for (int c = 0; c < channels; ++c) {
                if (format == 3 || (format == 0xFFFE && subFormat == 3)) {
                    const float v = float(s);
                    quint32 raw;
                    std::memcpy(&raw, &v, 4);
                    put32(out, raw);
                } else if (bits == 8) {
                    out.append(char(quint8(128 + s * 127)));
                } else {
                    const qint64 v = qint64(s * double((qint64(1) << (bits - 1)) - 1));
                    for (int b = 0; b < bytes; ++b)
                        out.append(char((v >> (8 * b)) & 0xff));
                }
            }
        }
        return out;
    }

    QByteArray build() const
    {
        QByteArray fmt;
        put16(fmt, format);
        put16(fmt, quint16(channels));
        put32(fmt, quint32(rate));
        put32(fmt, quint32(rate * channels * bits / 8));
        put16(fmt, quint16(channels * bits / 8));
        put16(fmt, quint16(bits));
        if (format == 0xFFFE) {
            put16(fmt, 22);
            put16(fmt, quint16(bits));
            put32(fmt, 0);
            put16(fmt, subFormat);
            fmt.append(QByteArray::fromHex("000000001000800000aa00389b71"));
        }
        const QByteArray data = samples();
        QByteArray body = "WAVE";
        if (oddChunkFirst) {
            body += "LIST";
            put32(body, 3);
            body += "abc";
            body += '\0'; // pad byte
        }
        body += "fmt ";
        put32(body, quint32(fmt.size()));
        body += fmt;
        body += "data";
        put32(body, quint32(dataSizeOverride >= 0 ? dataSizeOverride : data.size()));
        body += data;
        QByteArray file = "RIFF";
        put32(file, quint32(body.size()));
        return file + body;
    }

    bool writeTo(const QString &fileName) const
    {
        QFile file(fileName);
        return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(build()) >= 0;
    }
};
