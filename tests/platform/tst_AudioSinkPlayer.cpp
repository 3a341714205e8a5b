#include "platform/linux/AudioSinkPlayer.h"

#include "WavBuilder.h"

#include <QAudioDevice>
#include <QElapsedTimer>
#include <QMediaDevices>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
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

    void soundsPlayOneAfterTheOther()
    {
        WavBuilder builder;
        builder.frames = builder.rate * 3 / 10;
        QVERIFY(builder.writeTo(file("short.wav")));
        AudioSinkPlayer player;
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < 3; ++i)
            QVERIFY(player.playToEnd(file("short.wav")));
        QVERIFY(clock.elapsed() >= 900);
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
