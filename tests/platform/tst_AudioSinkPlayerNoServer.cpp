#include "platform/linux/AudioSinkPlayer.h"

#include "WavBuilder.h"

#include <QAudioDevice>
#include <QElapsedTimer>
#include <QMediaDevices>
#include <QTemporaryDir>
#include <QTest>

// Without a sound server (this test runs with PULSE_SERVER naming no socket) there are no
// outputs and a play fails at once instead of waiting for its watchdog.
class tst_AudioSinkPlayerNoServer : public QObject
{
    Q_OBJECT

private slots:
    void playFailsWithoutAServer()
    {
        QVERIFY(QMediaDevices::audioOutputs().isEmpty());
        QTemporaryDir dir;
        WavBuilder builder;
        builder.frames = builder.rate; // one second
        const QString name = dir.filePath(QStringLiteral("tone.wav"));
        QVERIFY(builder.writeTo(name));
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!AudioSinkPlayer().playToEnd(name));
        QVERIFY2(clock.elapsed() < 1000 + AudioSinkPlayer::GraceMs, "the failure came from the watchdog");
    }
};

QTEST_GUILESS_MAIN(tst_AudioSinkPlayerNoServer)
#include "tst_AudioSinkPlayerNoServer.moc"
