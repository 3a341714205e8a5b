#pragma once

#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QStandardPaths>
#include <QtEndian>

#include <algorithm>
#include <cstdlib>

// Records what the test server's null sink plays (its monitor, 8 kHz mono) and splits the
// recording into runs of silence, quiet tone and loud tone, in 5 ms steps.
class SinkRecorder
{
public:
    static constexpr int Rate = 8000;
    static constexpr int StepFrames = Rate / 200;

    enum class Level { Silence, Quiet, Loud };
    struct Run
    {
        Level level;
        int startMs;
        int lengthMs;
    };

    static bool available() { return !QStandardPaths::findExecutable(QStringLiteral("parec")).isEmpty(); }

    // The monitor delivers silence while nothing plays (with a short latency asked for), so
    // the recording runs in real time from its first byte on.
    void start()
    {
        m_process.start(QStringLiteral("parec"),
                        {QStringLiteral("--device=nullsink.monitor"), QStringLiteral("--latency-msec=20"),
                         QStringLiteral("--raw"), QStringLiteral("--format=s16le"),
                         QStringLiteral("--rate=%1").arg(Rate), QStringLiteral("--channels=1")});
    }

    qint64 recordedMs()
    {
        m_data += m_process.readAllStandardOutput();
        return m_data.size() / 2 * 1000 / Rate;
    }

    void stop()
    {
        m_process.kill();
        m_process.waitForFinished(5000);
    }

    // Runs shorter than minMs (edges of a tone through the resampler) join the run before them.
    QList<Run> runs(int minMs = 10)
    {
        recordedMs();
        QList<Run> out;
        const qsizetype frames = m_data.size() / 2;
        const auto *samples = reinterpret_cast<const uchar *>(m_data.constData());
        for (qsizetype step = 0; step + StepFrames <= frames; step += StepFrames) {
            int peak = 0;
            for (qsizetype i = step; i < step + StepFrames; ++i)
                peak = std::max(peak, std::abs(int(qFromLittleEndian<qint16>(samples + 2 * i))));
            const Level level = peak < 1000 ? Level::Silence : peak < 16000 ? Level::Quiet : Level::Loud;
            const int ms = int(step * 1000 / Rate);
            if (!out.isEmpty() && out.last().level == level)
                out.last().lengthMs += 5;
            else
                out.append({level, ms, 5});
        }
        QList<Run> merged;
        for (const Run &run : out) {
            if (!merged.isEmpty() && (run.lengthMs < minMs || merged.last().level == run.level))
                merged.last().lengthMs = run.startMs + run.lengthMs - merged.last().startMs;
            else
                merged.append(run);
        }
        return merged;
    }

private:
    QProcess m_process;
    QByteArray m_data;
};
