// The built program on its own settings directory: first run, the exit on SIGTERM, a save cut short.
#include "VorloProcess.h"

#include "fixtures/SettingsDir.h"
#include "settings/TIniFile.h"

#include <QFileSystemWatcher>
#include <QTemporaryDir>

class TestBlackboxSettings : public QObject
{
    Q_OBJECT
private slots:
    void firstRunWritesSettings();
    void handWrittenFileComesBack();
    void saveKilledMidwayLeavesReadableFile();
};

void TestBlackboxSettings::firstRunWritesSettings()
{
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("vorlo.ini"));
    VorloProcess vorlo(dir.path());
    QVERIFY(vorlo.started());
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(ini), 15000);
    QVERIFY(vorlo.terminate());
    TIniFile file(ini);
    QCOMPARE(file.readString("Main", "ECount", ""), QByteArray("0"));
    QCOMPARE(file.readString("Main", "ReleaseNr", ""), QByteArray("16"));
    QVERIFY(file.sectionExists("BlueColorSet"));
    QVERIFY(file.sectionExists("Metrics"));
}

void TestBlackboxSettings::handWrittenFileComesBack()
{
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("vorlo.ini"));
    SettingsDir::writeFile(ini, "[Main]\r\nECount=2\r\nFilterCount=1\r\nStartHidden=0\r\nVendorKey=42\r\nAnimIcons=0\r\n"
                   "on/offline=off\r\n"
                   "[1]\r\nName=w\xF6rk\r\nHost=127.0.0.1:1\r\nUserID=j\xF6rg\r\nPassword=bdf\r\nNote=mine\r\n"
                   "[2]\r\nName=home\r\nHost=localhost\r\nSavePwd=0\r\nPassword=xyz\r\n"
                   "[3]\r\nName=stale\r\n[4]\r\nName=stale too\r\n"
                   "[Filter 0]\r\nIfCondition=3\r\nAccount=0\r\nAction=0\r\nArgument=spam\r\n"
                   "[Filter 1]\r\nIfCondition=1\r\n"
                   "[Plugins]\r\nx=y\r\n");
    VorloProcess vorlo(dir.path());
    QVERIFY(vorlo.started());
    // Offline from the file, so no check talks to the network before the exit.
    QTest::qWait(1500);
    QVERIFY(vorlo.terminate());
    TIniFile file(ini);
    QCOMPARE(file.readString("Main", "VendorKey", ""), QByteArray("42"));
    QCOMPARE(file.readString("Main", "StartHidden", ""), QByteArray("0"));
    QCOMPARE(file.readString("Main", "AnimIcons", ""), QByteArray("0"));
    QCOMPARE(file.readString("Main", "on/offline", ""), QByteArray("off"));
    QCOMPARE(file.readString("Main", "ReleaseNr", ""), QByteArray("16"));
    QCOMPARE(file.readString("1", "Note", ""), QByteArray("mine"));
    // Bytes of a Windows code page, not their UTF-8 reading.
    QCOMPARE(file.readString("1", "Name", ""), QByteArray("w\xF6rk"));
    QCOMPARE(file.readString("1", "UserID", ""), QByteArray("j\xF6rg"));
    QCOMPARE(file.readString("1", "Password", ""), QByteArray("bdf"));
    QCOMPARE(file.readString("2", "Password", "x"), QByteArray(""));
    QCOMPARE(file.readString("Plugins", "x", ""), QByteArray("y"));
    QVERIFY(!file.sectionExists("3"));
    QVERIFY(!file.sectionExists("4"));
    QVERIFY(file.sectionExists("Filter 0"));
    QVERIFY(!file.sectionExists("Filter 1"));
    QCOMPARE(file.readString("Filter 0", "Argument", ""), QByteArray("spam"));
}

void TestBlackboxSettings::saveKilledMidwayLeavesReadableFile()
{
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("vorlo.ini"));
    // A large file: many accounts with long values make the save take a while.
    QByteArray content = "[Main]\r\non/offline=off\r\nECount=400\r\n";
    const QByteArray longValue(1500, 'v');
    for (int n = 1; n <= 400; ++n)
        content += "[" + QByteArray::number(n) + "]\r\nName=acct" + QByteArray::number(n) +
                   "\r\nCustomMailClientPath=" + longValue + "\r\n";
    content += "[Tail]\r\nend=1\r\n";
    SettingsDir::writeFile(ini, content);

    for (int round = 0; round < 3; ++round) {
        VorloProcess vorlo(dir.path());
        QVERIFY(vorlo.started());
        QTest::qWait(1000 + 300 * round);
        // Kill the program as soon as its save touches the directory.
        QFileSystemWatcher watcher({dir.path()});
        bool killed = false;
        QObject::connect(&watcher, &QFileSystemWatcher::directoryChanged, [&] {
            if (!killed) {
                killed = true;
                vorlo.signal(SIGKILL);
            }
        });
        QSignalSpy finished(&vorlo.process(), &QProcess::finished);
        vorlo.signal(SIGTERM);
        QVERIFY(finished.wait(15000));
        TIniFile file(ini);
        QCOMPARE(file.readInteger("Main", "ECount", -1), 400);
        QCOMPARE(file.readString("400", "CustomMailClientPath", ""), longValue);
        QCOMPARE(file.readString("Tail", "end", ""), QByteArray("1"));
    }
}

QTEST_GUILESS_MAIN(TestBlackboxSettings)
#include "tst_blackbox_settings.moc"
