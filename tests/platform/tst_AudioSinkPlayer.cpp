#include "platform/linux/AudioSinkPlayer.h"

#include "SinkRecorder.h"
#include "WavBuilder.h"

#include <QAudioDevice>
#include <QElapsedTimer>
#include <QMediaDevices>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QTest>

// Playing sounds to their end on a private sound server with a null sink.
class tst_AudioSinkPlayer : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString file(const char *name) const { return m_dir.filePath(QLatin1String(name)); }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY2(!QMediaDevices::audioOutputs().isEmpty(), "no audio output: is the pulseaudio fixture running?");
    }

    // The first sounds of a process are the ones a server tends to hold back at their start:
    // each play must still last until its last sample was heard, the next one follows at once,
    // and the event loop keeps running meanwhile.
    void soundsPlayWholeOneAfterTheOther()
    {
        if (!SinkRecorder::available())
            QSKIP("parec is not installed");
        WavBuilder builder;
        builder.rate = 44100;
        builder.amplitude = 0.2;
        builder.frames = builder.rate * 45 / 100;
        builder.markerFrames = builder.rate / 20;
        QVERIFY(builder.writeTo(file("marked.wav")));

        // Started without waiting for it: the sink is still idle when the first sound starts.
        SinkRecorder recorder;
        recorder.start();

        QElapsedTimer clock;
        clock.start();
        qint64 lastBeat = 0;
        qint64 longestStall = 0;
        QTimer beat;
        connect(&beat, &QTimer::timeout, this, [&] {
            longestStall = qMax(longestStall, clock.elapsed() - lastBeat);
            lastBeat = clock.elapsed();
        });
        beat.start(20);
        AudioSinkPlayer player;
        for (int i = 0; i < 3; ++i)
            QVERIFY(player.playToEnd(file("marked.wav")));
        beat.stop();
        QVERIFY2(longestStall < 500, qPrintable(QStringLiteral("event loop stalled for %1 ms").arg(longestStall)));
        QVERIFY(clock.elapsed() >= 3 * 450);

        const qint64 played = recorder.recordedMs();
        QTRY_VERIFY_WITH_TIMEOUT(recorder.recordedMs() > played + 200, 10000);
        recorder.stop();
        const QList<SinkRecorder::Run> runs = recorder.runs();
        QString heard;
        for (const SinkRecorder::Run &run : runs)
            heard += QStringLiteral("%1@%2+%3 ").arg("SQL"[int(run.level)]).arg(run.startMs).arg(run.lengthMs);

        // Every marker whole, and between one marker and the next sound only a short pause.
        const qsizetype markers = std::count_if(runs.cbegin(), runs.cend(), [](const SinkRecorder::Run &run) {
            return run.level == SinkRecorder::Level::Loud;
        });
        QVERIFY2(markers == 3, qPrintable(heard));
        int seen = 0;
        for (qsizetype i = 0; i < runs.size(); ++i) {
            if (runs[i].level != SinkRecorder::Level::Loud)
                continue;
            ++seen;
            QVERIFY2(runs[i].lengthMs >= 40 && runs[i].lengthMs <= 60, qPrintable(heard));
            QVERIFY2(i > 0 && runs[i - 1].level == SinkRecorder::Level::Quiet, qPrintable(heard));
            if (seen < markers) {
                qsizetype next = i + 1;
                if (next < runs.size() && runs[next].level == SinkRecorder::Level::Silence) {
                    QVERIFY2(runs[next].lengthMs <= 250, qPrintable(heard));
                    ++next;
                }
                QVERIFY2(next < runs.size() && runs[next].level == SinkRecorder::Level::Quiet, qPrintable(heard));
            }
        }
    }

    void playsToTheEnd_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<int>("bits");
        QTest::addColumn<int>("channels");
        QTest::addColumn<int>("rate");
        QTest::newRow("16-bit mono 8 kHz") << 1 << 16 << 1 << 8000;
        QTest::newRow("8-bit stereo 22.05 kHz") << 1 << 8 << 2 << 22050;
        QTest::newRow("24-bit stereo 48 kHz") << 1 << 24 << 2 << 48000;
        QTest::newRow("float mono 44.1 kHz") << 3 << 32 << 1 << 44100;
    }

    void playsToTheEnd()
    {
        QFETCH(int, format);
        QFETCH(int, bits);
        QFETCH(int, channels);
        QFETCH(int, rate);
        WavBuilder builder;
        builder.format = quint16(format);
        builder.bits = bits;
        builder.channels = channels;
        builder.rate = rate;
        builder.frames = rate / 2; // half a second
        QVERIFY(builder.writeTo(file("tone.wav")));

        QElapsedTimer clock;
        clock.start();
        QVERIFY(AudioSinkPlayer().playToEnd(file("tone.wav")));
        QVERIFY2(clock.elapsed() >= 500, qPrintable(QStringLiteral("returned after %1 ms").arg(clock.elapsed())));
    }

    void playsAFileMadeBySox()
    {
        const QString sox = QStandardPaths::findExecutable(QStringLiteral("sox"));
        if (sox.isEmpty())
            QSKIP("sox is not installed");
        QProcess process;
        QSignalSpy finished(&process, &QProcess::finished);
        process.start(sox, {QStringLiteral("-n"), QStringLiteral("-r"), QStringLiteral("16000"), QStringLiteral("-b"),
                            QStringLiteral("16"), file("sox.wav"), QStringLiteral("synth"), QStringLiteral("0.5"),
                            QStringLiteral("sine"), QStringLiteral("660")});
        QVERIFY(finished.wait(10000));
        QCOMPARE(process.exitCode(), 0);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(AudioSinkPlayer().playToEnd(file("sox.wav")));
        QVERIFY(clock.elapsed() >= 500);
    }

    void failures_data()
    {
        QTest::addColumn<QByteArray>("content"); // empty: no file at all
        WavBuilder alaw;
        alaw.format = 6;
        alaw.bits = 8;
        QTest::newRow("missing") << QByteArray();
        QTest::newRow("broken") << QByteArray("RIFF\x10\0\0\0WAVEfmt \x40\0\0\0garbage", 27);
        QTest::newRow("not PCM") << alaw.build();
    }

    void failures()
    {
        QFETCH(QByteArray, content);
        const QString name = file("bad.wav");
        QFile::remove(name);
        if (!content.isEmpty()) {
            QFile out(name);
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write(content);
        }
        QVERIFY(!AudioSinkPlayer().playToEnd(name));
    }
};

QTEST_GUILESS_MAIN(tst_AudioSinkPlayer)
#include "tst_AudioSinkPlayer.moc"
