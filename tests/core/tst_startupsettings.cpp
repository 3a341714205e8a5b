// Start-up: the command line, reading the settings file, and writing the whole state back.
#include "fixtures/SyncWait.h"
#include "CheckerFixture.h"

#include "core/ui/TCheckerField.h"
#include "fixtures/ScriptServer.h"
#include "settings/TIniFile.h"

#include <QAction>
#include <QGuiApplication>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QtTest>

class TestStartupSettings : public QObject
{
    Q_OBJECT
private slots:
    void firstRunWritesCompleteFile();
    void valuesAsRead_data();
    void valuesAsRead();
    void saveOrderAndUnknownKeys();
    void staleSections_data();
    void staleSections();
    void blueColorSetOnlyWhileAbsent();
    void passwords();
    void fileComesBackAsItWas_data();
    void fileComesBackAsItWas();
    void userIdReachesServerAsBytes();
    void commandLine();
    void startOfflineAndHidden();
    void everyWayOutSaves_data();
    void everyWayOutSaves();
};

namespace {
// The keys of one section in file order.
QByteArrayList keysOf(const QByteArray &file, const QByteArray &section)
{
    QByteArrayList keys;
    bool inside = false;
    for (QByteArray line : file.split('\n')) {
        line = line.trimmed();
        if (line.startsWith('[')) {
            inside = line.mid(1, line.size() - 2).compare(section, Qt::CaseInsensitive) == 0;
            continue;
        }
        if (inside && line.contains('='))
            keys << line.left(line.indexOf('='));
    }
    return keys;
}
// The lines of a settings file as UTF-8 (or the file's own 8-bit) text; any line end ends one.
QByteArrayList linesOf(const QByteArray &file)
{
    QByteArray text = file;
    if (file.startsWith("\xFF\xFE") || file.startsWith("\xFE\xFF")) {
        QStringDecoder decode(file.startsWith("\xFF\xFE") ? QStringDecoder::Utf16LE
                                                          : QStringDecoder::Utf16BE);
        text = QString(decode(QByteArrayView(file).sliced(2))).toUtf8();
    }
    text.replace("\r\n", "\n").replace('\r', '\n');
    return text.split('\n');
}
} // namespace

void TestStartupSettings::firstRunWritesCompleteFile()
{
    CheckerFixture fx;
    TF_CheckerWindow &w = fx.start();
    QVERIFY(w.FirstRun);
    w.finishStartup();
    TIniFile ini(fx.iniPath());
    QVERIFY(ini.fileExists());
    QCOMPARE(ini.readString("Main", "ECount", "x"), QByteArray("0"));
    QCOMPARE(ini.readString("Main", "FilterCount", "x"), QByteArray("0"));
    QCOMPARE(ini.readString("Main", "ReleaseNr", "x"), QByteArray("16"));
    QCOMPARE(ini.readString("Main", "ColorSet", "x"), QByteArray("blue"));
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
    QCOMPARE(ini.readInteger("Main", "defaultX", -1), screen.width() - w.width());
    QCOMPARE(ini.readInteger("Main", "defaultY", -1), screen.height() - w.height() - 30);
    QCOMPARE(ini.readInteger("Main", "alternativeX", -1), 1);
    QCOMPARE(keysOf(fx.readIni(), "BlueColorSet"),
             QByteArrayList({"BorderSize", "Back", "Active", "Idle", "Connected", "Error", "Font"}));
    QCOMPARE(ini.readInteger("BlueColorSet", "Back", -1), 6684672);
    QCOMPARE(ini.readInteger("BlueColorSet", "Connected", -1), 48093);
    QCOMPARE(keysOf(fx.readIni(), "Metrics"),
             QByteArrayList({"CheckerWidth", "CheckerHeight", "VSpace", "HSpace", "FontSize"}));
    QVERIFY(!ini.sectionExists("1"));
    QVERIFY(!ini.sectionExists("Filter 0"));
    QVERIFY(!ini.sectionExists("StartHidden"));
    QCOMPARE(QFile(fx.iniPath()).permissions() & (QFile::ReadGroup | QFile::ReadOther), QFile::Permissions());
}

void TestStartupSettings::valuesAsRead_data()
{
    QTest::addColumn<QByteArray>("lines");
    QTest::addColumn<QString>("what");
    QTest::addColumn<qint64>("expected");
    QTest::newRow("hex jumpback") << QByteArray("[Main]\nJumpback=0x1E\n") << "Jumpback" << qint64(30);
    QTest::newRow("dollar jumpback") << QByteArray("[Main]\nJumpback=$1E\n") << "Jumpback" << qint64(30);
    QTest::newRow("timer abc") << QByteArray("[Main]\nECount=1\n[1]\nTimer=abc\n") << "Timer1" << qint64(500000);
    QTest::newRow("Blue is not blue") << QByteArray("[Main]\nECount=1\nColorSet=Blue\n") << "UsesBlueSet" << qint64(0);
    QTest::newRow("blue") << QByteArray("[Main]\nECount=1\nColorSet=blue\n") << "UsesBlueSet" << qint64(1);
    QTest::newRow("first run forces blue") << QByteArray("[Main]\nColorSet=gray\n") << "UsesBlueSet" << qint64(1);
    QTest::newRow("OFF is not off") << QByteArray("[Main]\non/offline=OFF\n") << "online" << qint64(1);
    QTest::newRow("off") << QByteArray("[Main]\non/offline=off\n") << "online" << qint64(0);
    QTest::newRow("always offline") << QByteArray("[Main]\nAlwaysOffline=1\n") << "online" << qint64(0);
    QTest::newRow("negative count") << QByteArray("[Main]\nECount=-4\n") << "ECount" << qint64(0);
    // A count no one could mean reads as the accounts the file holds.
    QTest::newRow("absurd count") << QByteArray("[Main]\nECount=2000000000\n[1]\nName=a\n[2]\nName=b\n[4]\nName=d\n")
                                  << "ECount" << qint64(2);
    QTest::newRow("count beyond sections") << QByteArray("[Main]\nECount=2\n[1]\nName=a\n") << "Name2#" << qint64(2);
    QTest::newRow("blank and quotes") << QByteArray("[Main]\nECount=1\n[1]\nHost= \"pop.example.org:995\" \n")
                                      << "Host1" << qint64(1);
    QTest::newRow("filter defaults") << QByteArray("[Main]\nFilterCount=2\n[Filter 0]\nIfCondition=3\n")
                                     << "Filter1" << qint64(-1);
    QTest::newRow("hand colour") << QByteArray("[Main]\nECount=1\n[BlueColorSet]\nActive=-2147483644\n")
                                 << "Active" << qint64(qint32(0x80000004u));
}

void TestStartupSettings::valuesAsRead()
{
    QFETCH(QByteArray, lines);
    QFETCH(QString, what);
    QFETCH(qint64, expected);
    CheckerFixture fx;
    fx.writeIni(lines);
    TF_CheckerWindow &w = fx.start();
    qint64 actual = -99;
    if (what == "Jumpback")
        actual = w.Options.Jumpback;
    else if (what == "Timer1")
        actual = w.Accounts.data(1).Timer;
    else if (what == "UsesBlueSet")
        actual = w.Colors.UsesBlueSet;
    else if (what == "online")
        actual = w.isOnline();
    else if (what == "ECount")
        actual = w.Accounts.AccountCount;
    else if (what == "Name2#")
        actual = w.Accounts.data(2).Name == "#2" ? 2 : 0;
    else if (what == "Host1")
        actual = w.Accounts.data(1).Host == "pop.example.org:995";
    else if (what == "Filter1")
        actual = w.Filters.size() == 2 && w.Filters.at(0).IfCondition == 3 ? w.Filters.at(1).IfCondition : -99;
    else if (what == "Active")
        actual = qint32(w.Colors.Active);
    QCOMPARE(actual, expected);
}

void TestStartupSettings::saveOrderAndUnknownKeys()
{
    CheckerFixture fx;
    fx.writeIni("; written by hand\r\n[Main]\r\nECount=1\r\nStartHidden=0\r\nForceTransparency=1\r\nMyKey=keep me\r\n"
                "[1]\r\nName=home\r\nHost=localhost\r\nExtra=yes\r\n[Unknown]\r\nA=1\r\n");
    TF_CheckerWindow &w = fx.start();
    w.saveSettings();
    const QByteArray file = fx.readIni();
    QVERIFY(file.startsWith("; written by hand\r\n[Main]\r\n"));
    const QByteArrayList main = keysOf(file, "Main");
    // Known keys keep their places; the rest follow in the order they are written.
    QCOMPARE(main.mid(0, 5), QByteArrayList({"ECount", "StartHidden", "ForceTransparency", "MyKey", "on/offline"}));
    const QByteArrayList expectedTail{"AlwaysOffline", "ReleaseNr", "AnimIcons", "Blinking", "Jumpback", "AutoFloat",
                                      "Hidden", "HideWhenOffline", "defaultX", "defaultY", "alternativeX",
                                      "alternativeY", "ColorSet", "MailCountSound", "IncomingSound",
                                      "SoundItemIndex", "Floating", "AlwaysOnTop", "KeepLogFile", "Transparency",
                                      "TransparencyValue", "Round", "CheckAllWhenGoingOnline", "FollowNetwork",
                                      "CheckAfterResume", "Notify", "FilterCount"};
    QCOMPARE(main.mid(5), expectedTail);
    QCOMPARE(keysOf(file, "1"),
             QByteArrayList({"Name", "Host", "Extra", "UserID", "Password", "SavePwd", "Timer", "Active", "Sound",
                             "Show", "List", "CustomMailClientPath", "DefaultMailClient", "Security",
                             "CertFingerprint"}));
    TIniFile ini(fx.iniPath());
    QCOMPARE(ini.readString("Main", "MyKey", ""), QByteArray("keep me"));
    QCOMPARE(ini.readString("Main", "StartHidden", ""), QByteArray("0"));
    QCOMPARE(ini.readString("Unknown", "A", ""), QByteArray("1"));
    QCOMPARE(ini.readString("1", "Security", ""), QByteArray("auto"));
}

void TestStartupSettings::staleSections_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("gone");
    QTest::addColumn<QStringList>("kept");
    QTest::newRow("accounts 4 and 5 of 3")
        << QByteArray("[Main]\nECount=3\n[1]\nName=a\n[2]\nName=b\n[3]\nName=c\n[4]\nName=d\n[5]\nName=e\n")
        << QStringList{"4", "5"} << QStringList{"1", "2", "3"};
    QTest::newRow("walk stops at a gap")
        << QByteArray("[Main]\nECount=1\n[1]\nName=a\n[2]\nName=b\n[4]\nName=d\n")
        << QStringList{"2"} << QStringList{"1", "4"};
    QTest::newRow("filters 2 to 4 of 2")
        << QByteArray("[Main]\nFilterCount=2\n[Filter 0]\nIfCondition=0\n[Filter 1]\nIfCondition=1\n"
                      "[Filter 2]\nIfCondition=2\n[Filter 3]\nIfCondition=3\n[Filter 4]\nIfCondition=4\n")
        << QStringList{"Filter 2", "Filter 3", "Filter 4"} << QStringList{"Filter 0", "Filter 1"};
}

void TestStartupSettings::staleSections()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, gone);
    QFETCH(QStringList, kept);
    CheckerFixture fx;
    fx.writeIni(file);
    fx.start().saveSettings();
    TIniFile ini(fx.iniPath());
    for (const QString &s : gone)
        QVERIFY2(!ini.sectionExists(s.toUtf8()), qPrintable(s));
    for (const QString &s : kept)
        QVERIFY2(ini.sectionExists(s.toUtf8()), qPrintable(s));
}

void TestStartupSettings::blueColorSetOnlyWhileAbsent()
{
    CheckerFixture fx;
    fx.writeIni("[Main]\nECount=1\n[BlueColorSet]\nActive=255\n");
    TF_CheckerWindow &w = fx.start();
    QCOMPARE(w.Colors.Active, 255u);
    w.saveSettings();
    TIniFile ini(fx.iniPath());
    QCOMPARE(ini.readString("BlueColorSet", "Active", ""), QByteArray("255"));
    QVERIFY(ini.sectionExists("Metrics"));
    QCOMPARE(keysOf(fx.readIni(), "BlueColorSet"), QByteArrayList{"Active"});
    w.Colors.Idle = 0x80000004u;
    w.SaveCustomColors();
    QCOMPARE(ini.fileName(), fx.iniPath());
    TIniFile again(fx.iniPath());
    QCOMPARE(again.readString("BlueColorSet", "Idle", ""), QByteArray("-2147483644"));
    QCOMPARE(again.readString("BlueColorSet", "BorderSize", ""), QByteArray("0"));
}

void TestStartupSettings::passwords()
{
    CheckerFixture fx;
    fx.writeIni("[Main]\nECount=2\n[1]\nPassword=bdf\nSavePwd=1\n[2]\nPassword=bdf\nSavePwd=0\n");
    TF_CheckerWindow &w = fx.start();
    QCOMPARE(w.Accounts.data(1).Password, QByteArray("abc"));
    w.Accounts.data(2).Password = "typed at the prompt";
    w.saveSettings();
    TIniFile ini(fx.iniPath());
    QCOMPARE(ini.readString("1", "Password", ""), QByteArray("bdf"));
    QCOMPARE(ini.readString("2", "Password", "x"), QByteArray(""));
    // A password whose scrambled form the format could not carry comes back whole.
    const QByteArray awkward = QByteArray("\x09 pass\"word ", 11);
    w.Accounts.data(1).Password = awkward;
    w.saveSettings();
    TF_CheckerWindow &again = fx.start();
    QCOMPARE(again.Accounts.data(1).Password, awkward);
    QVERIFY(again.Accounts.data(2).Password.isEmpty());
}

// Hand-written files go through a start and a save twice: every line comes back byte for byte
// (the program's own keys are added), and the second save changes nothing.
void TestStartupSettings::fileComesBackAsItWas_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("bom"); // a UTF-16 byte-order mark: the file is written in UTF-16
    QTest::addColumn<QByteArray>("userId");

    const QByteArray main = "[Main]\r\non/offline=off\r\nECount=1\r\nFilterCount=1\r\n";
    QTest::newRow("Windows code page")
        << main + "MailCountSound=C:\\T\xF6ne\\Ding.wav\r\nIncomingSound=C:\\T\xF6ne\\Post.wav\r\n"
                  "[1]\r\nName=M\xFCller\r\nHost=p\xF6p.example\r\nUserID=j\xF6rg\r\n"
                  "CustomMailClientPath=C:\\Programme\\P\xF6st\\mail.exe\r\n"
                  "[Filter 0]\r\nIfCondition=3\r\nAccount=0\r\nAction=0\r\nArgument=Gr\xFC\xDF\xE9\r\n"
        << QByteArray() << QByteArray("j\xF6rg");
    QTest::newRow("UTF-8") << main + "[1]\r\nName=M\xC3\xBCller\r\nUserID=j\xC3\xB6rg\r\n"
                           << QByteArray() << QByteArray("j\xC3\xB6rg");
    QTest::newRow("blanks at the ends")
        << main + "[1]\r\nName=\" Hello\"\r\nUserID=\" j\xF6rg \"\r\n"
                  "[Filter 0]\r\nIfCondition=3\r\nAccount=0\r\nAction=0\r\nArgument=\"   \"\r\n"
        << QByteArray() << QByteArray(" j\xF6rg ");
    QTest::newRow("UTF-16 LE") << main + "[1]\r\nName=M\xC3\xBCller\r\nUserID=j\xC3\xB6rg\r\n"
                               << QByteArray("\xFF\xFE") << QByteArray("j\xC3\xB6rg");
    QTest::newRow("UTF-16 BE") << main + "[1]\r\nName=M\xC3\xBCller\r\nUserID=j\xC3\xB6rg\r\n"
                               << QByteArray("\xFE\xFF") << QByteArray("j\xC3\xB6rg");
    QTest::newRow("bare CR at the end")
        << main + "[1]\r\nName=a\r\nUserID=j\xF6rg\r" << QByteArray() << QByteArray("j\xF6rg");
}

void TestStartupSettings::fileComesBackAsItWas()
{
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, bom);
    QFETCH(QByteArray, userId);
    CheckerFixture fx;
    if (bom.isEmpty()) {
        fx.writeIni(file);
    } else {
        QStringEncoder encode(bom == "\xFF\xFE" ? QStringEncoder::Utf16LE : QStringEncoder::Utf16BE);
        fx.writeIni(bom + QByteArray(encode(QString::fromUtf8(file))));
    }

    QByteArray firstSave;
    for (int round = 1; round <= 2; ++round) {
        TF_CheckerWindow &w = fx.start();
        QCOMPARE(w.Accounts.AccountCount, 1);
        QCOMPARE(w.Accounts.data(1).UserID, userId);
        w.saveSettings();
        if (round == 1)
            firstSave = fx.readIni();
    }
    QCOMPARE(fx.readIni(), firstSave);
    QVERIFY(firstSave.startsWith(bom));
    const QByteArrayList saved = linesOf(firstSave);
    for (const QByteArray &line : linesOf(file))
        QVERIFY2(saved.contains(line), line.constData());
}

// The user id goes on the wire as the file holds it, not as its text.
void TestStartupSettings::userIdReachesServerAsBytes()
{
    ScriptServer server;
    QVERIFY2(server.setScript("S: +OK ready\nC: USER j\\xF6rg\nS: +OK\nC: PASS secret\nS: +OK\n"
                              "C: STAT\nS: +OK 0 0\nC: QUIT\nS: +OK bye\n"),
             qPrintable(server.errorString()));
    QVERIFY(server.listen());
    CheckerFixture fx;
    fx.writeIni(
        "[Main]\r\nECount=1\r\nCheckAllWhenGoingOnline=0\r\n[1]\r\nName=M\xFCller\r\nHost=127.0.0.1:" +
        QByteArray::number(server.port()) + "\r\nUserID=j\xF6rg\r\nPassword=" +
        TIniFile::encodeStoredPassword("secret") + "\r\nSecurity=none\r\n");
    TF_CheckerWindow &w = fx.start();
    w.Accounts.slot(1).CheckTimer->stop();
    QCoro::waitFor(w.checkmail(1, w.Accounts.slot(1).Pop3));
    QTRY_COMPARE_WITH_TIMEOUT(server.completedCount(), 1, 5000);
    QVERIFY2(server.errors().isEmpty(), qPrintable(server.errors().join('\n')));
    QCOMPARE(server.received().value(0), QByteArray("USER j\xF6rg"));
    QCOMPARE(w.EShowVar(1)->text(), QStringLiteral("0"));
}

void TestStartupSettings::commandLine()
{
    CheckerFixture fx;
    fx.writeIni("[Main]\nECount=1\n[1]\nName=from the file\n");
    {
        // One trailing separator is dropped; the file in that directory is read.
        TF_CheckerWindow w({QStringLiteral("-d"), fx.dir.path() + QLatin1Char('/'), QStringLiteral("-prefs"),
                            QStringLiteral("other.dat"), QStringLiteral("-x"), QStringLiteral("17"),
                            QStringLiteral("-y"), QStringLiteral("23"), QStringLiteral("-addmenu")});
        QCOMPARE(w.SettingsDir, fx.dir.path());
        QCOMPARE(w.Accounts.data(1).Name, QByteArray("from the file"));
        QCOMPARE(w.InstanceName, QStringLiteral("other.dat"));
        QVERIFY(w.AddMenuRequest);
        QCOMPARE(w.pos(), QPoint(17, 23));
        QCOMPARE(w.Options.defaultX, 17);
        QCOMPARE(w.Options.defaultY, 23);
    }
    {
        // "-d" without a value names no directory: a working directory holding "vorlo.ini" is
        // taken. A bad "-x" ends start-up but the window shows.
        const QString oldWorking = QDir::currentPath();
        QVERIFY(QDir::setCurrent(fx.dir.path()));
        TF_CheckerWindow w({QStringLiteral("-x"), QStringLiteral("left"), QStringLiteral("-d")});
        QDir::setCurrent(oldWorking);
        QCOMPARE(w.SettingsDir, fx.dir.path());
        QCOMPARE(w.Accounts.data(1).Name, QStringLiteral("from the file"));
        QVERIFY(w.isVisible());
    }
    {
        fx.writeIni("[Main]\nECount=1\non/offline=off\n");
        TF_CheckerWindow &w = fx.start({QStringLiteral("-offline")});
        QVERIFY(!w.isOnline());
        QCOMPARE(w.online1->text(), QStringLiteral("Go Online"));
    }
}

void TestStartupSettings::startOfflineAndHidden()
{
    CheckerFixture fx;
    fx.writeIni("[Main]\nECount=1\non/offline=off\nHideWhenOffline=1\n");
    TF_CheckerWindow &w = fx.start();
    QVERIFY(!w.isOnline());
    QVERIFY(w.Options.StartHidden);
    w.finishStartup();
    QVERIFY(w.isHidden());
    QCOMPARE(w.Restore1->text(), QStringLiteral("Show"));
    w.saveSettings();
    TIniFile ini(fx.iniPath());
    QCOMPARE(ini.readString("Main", "Hidden", ""), QByteArray("1"));
    QCOMPARE(ini.readString("Main", "on/offline", ""), QByteArray("off"));
    QVERIFY(!ini.sectionExists("StartHidden"));
    QCOMPARE(ini.readString("Main", "StartHidden", "absent"), QByteArray("absent"));
}

void TestStartupSettings::everyWayOutSaves_data()
{
    QTest::addColumn<QString>("way");
    QTest::addColumn<bool>("hidden");
    QTest::newRow("Exit item") << "Quit1" << false;
    QTest::newRow("Exit item, window hidden") << "Quit1" << true;
    QTest::newRow("close") << "close" << false;
    QTest::newRow("hidden E button") << "E" << false;
}

void TestStartupSettings::everyWayOutSaves()
{
    QFETCH(QString, way);
    QFETCH(bool, hidden);
    CheckerFixture fx;
    fx.writeIni("[Main]\nECount=1\n[1]\nName=kept\n");
    TF_CheckerWindow &w = fx.start();
    if (hidden)
        w.CoolTrayIcon1Click(w.PopupMenu6);
    QSignalSpy exiting(&w, &TF_CheckerWindow::exiting);
    if (way == "Quit1")
        w.Quit1->trigger();
    else if (way == "close")
        w.close();
    else
        w.findChild<QPushButton *>(QStringLiteral("Button_E"))->click();
    QCOMPARE(exiting.size(), 1);
    QVERIFY(w.Quitting);
    QVERIFY(!w.Accounts.slot(1).Pop3);
    TIniFile ini(fx.iniPath());
    QCOMPARE(ini.readString("Main", "ReleaseNr", ""), QByteArray("16"));
    QCOMPARE(ini.readString("Main", "Hidden", ""), QByteArray(hidden ? "1" : "0"));
    QCOMPARE(ini.readString("1", "Name", ""), QByteArray("kept"));
}

QTEST_MAIN(TestStartupSettings)
#include "tst_startupsettings.moc"
