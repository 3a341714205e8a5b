#include "platform/WavFile.h"

#include "WavBuilder.h"

#include <QTest>

// Reading the sound files the program plays.
class tst_WavFile : public QObject
{
    Q_OBJECT

private slots:
    void accepted_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<int>("subFormat");
        QTest::addColumn<int>("bits");
        QTest::addColumn<int>("channels");
        QTest::addColumn<int>("rate");
        QTest::addColumn<bool>("oddChunk");
        QTest::addColumn<WavFile::Encoding>("encoding");
        QTest::newRow("8-bit mono") << 1 << 1 << 8 << 1 << 8000 << false << WavFile::Encoding::UInt8;
        QTest::newRow("16-bit stereo") << 1 << 1 << 16 << 2 << 44100 << false << WavFile::Encoding::Int16;
        QTest::newRow("24-bit") << 1 << 1 << 24 << 2 << 48000 << false << WavFile::Encoding::Int24;
        QTest::newRow("32-bit int") << 1 << 1 << 32 << 1 << 22050 << false << WavFile::Encoding::Int32;
        QTest::newRow("32-bit float") << 3 << 1 << 32 << 1 << 11025 << false << WavFile::Encoding::Float32;
        QTest::newRow("extensible 24-bit 6 channels") << 0xFFFE << 1 << 24 << 6 << 48000 << false
                                                      << WavFile::Encoding::Int24;
        QTest::newRow("extensible float") << 0xFFFE << 3 << 32 << 2 << 8000 << false << WavFile::Encoding::Float32;
        QTest::newRow("odd chunk before fmt") << 1 << 1 << 16 << 1 << 8000 << true << WavFile::Encoding::Int16;
    }

    void accepted()
    {
        QFETCH(int, format);
        QFETCH(int, subFormat);
        QFETCH(int, bits);
        QFETCH(int, channels);
        QFETCH(int, rate);
        QFETCH(bool, oddChunk);
        QFETCH(WavFile::Encoding, encoding);
        WavBuilder builder;
        builder.format = quint16(format);
        builder.subFormat = quint16(subFormat);
        builder.bits = bits;
        builder.channels = channels;
        builder.rate = rate;
        builder.frames = rate / 4;
        builder.oddChunkFirst = oddChunk;
        const std::optional<WavFile> wav = WavFile::parse(builder.build());
        QVERIFY(wav);
        QCOMPARE(wav->encoding(), encoding);
        QCOMPARE(wav->channelCount(), channels);
        QCOMPARE(wav->sampleRate(), rate);
        QCOMPARE(wav->frameCount(), builder.frames);
        QCOMPARE(wav->durationMs(), builder.frames * 1000 / rate);
        QCOMPARE(wav->samples(), builder.samples());
    }

    void refused_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        WavBuilder good;
        const QByteArray file = good.build();
        auto with = [](auto change) {
            WavBuilder b;
            change(b);
            return b.build();
        };
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("not RIFF") << QByteArray("RIFX") + file.mid(4);
        QTest::newRow("not WAVE") << file.left(8) + "AVI " + file.mid(12);
        QTest::newRow("text") << QByteArray("This is not a sound file at all, just words.\n");
        QTest::newRow("header only") << file.left(12);
        QTest::newRow("fmt cut off") << file.left(30);
        QTest::newRow("no data chunk") << file.left(36);
        QTest::newRow("A-law") << with([](WavBuilder &b) { b.format = 6; b.bits = 8; });
        QTest::newRow("64-bit float") << with([](WavBuilder &b) { b.format = 3; b.bits = 64; });
        QTest::newRow("12-bit PCM") << with([](WavBuilder &b) { b.bits = 12; });
        QTest::newRow("extensible A-law") << with([](WavBuilder &b) { b.format = 0xFFFE; b.subFormat = 6; b.bits = 8; });
        QTest::newRow("no channels") << with([](WavBuilder &b) { b.channels = 0; });
        QTest::newRow("rate 0") << with([](WavBuilder &b) { b.rate = 0; b.frames = 0; });
    }

    void refused()
    {
        QFETCH(QByteArray, bytes);
        QVERIFY(!WavFile::parse(bytes));
    }

    void cutOffDataPlaysWhatIsThere()
    {
        WavBuilder builder;
        builder.frames = 100;
        builder.dataSizeOverride = 0x7ffffff0; // a streaming writer's "unknown" size
        QByteArray bytes = builder.build();
        bytes.chop(1); // half a frame at the end
        const std::optional<WavFile> wav = WavFile::parse(bytes);
        QVERIFY(wav);
        QCOMPARE(wav->frameCount(), 99);
    }
};

QTEST_GUILESS_MAIN(tst_WavFile)
#include "tst_WavFile.moc"
