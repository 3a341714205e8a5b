#include "platform/DisplayPlatform.h"
#include "platform/Platform.h"
#include "platform/SettingsDirectory.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTest>

// The small desktop facts and path helpers. Runs with QT_FONT_DPI=120 and no scaling.
class tst_Platform : public QObject
{
    Q_OBJECT

private slots:
    void screenPpiFollowsTheScreen()
    {
        QCOMPARE(Platform::screenPpi(), 120);
    }

    void transparencyOfferedOffscreen()
    {
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("offscreen"));
        QVERIFY(Platform::transparencyAvailable());
    }

    void executableName()
    {
        QCOMPARE(Platform::executableName(), QStringLiteral("vorlo"));
    }

    void joinPath_data()
    {
        QTest::addColumn<QString>("dir");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("expected");
        QTest::newRow("plain") << "/home/u/mail" << "vorlo.ini" << "/home/u/mail/vorlo.ini";
        QTest::newRow("no doubled separator") << "/home/u/mail/" << "vorlo.ini" << "/home/u/mail/vorlo.ini";
        QTest::newRow("root") << "/" << "vorlo.ini" << "/vorlo.ini";
        QTest::newRow("empty dir is the root") << "" << "vorlo.ini" << "/vorlo.ini";
        QTest::newRow("blanks") << "/a b" << "Incoming Mail.wav" << "/a b/Incoming Mail.wav";
    }

    void joinPath()
    {
        QFETCH(QString, dir);
        QFETCH(QString, file);
        QFETCH(QString, expected);
        QCOMPARE(Platform::joinPath(dir, file), expected);
    }

    void stripOneTrailingSeparator_data()
    {
        QTest::addColumn<QString>("dir");
        QTest::addColumn<QString>("expected");
        QTest::newRow("slash") << "/home/u/mail/" << "/home/u/mail";
        QTest::newRow("backslash") << "C:\\Mail\\" << "C:\\Mail";
        QTest::newRow("only one of two") << "/home/u//" << "/home/u/";
        QTest::newRow("none") << "/home/u" << "/home/u";
        QTest::newRow("root becomes empty") << "/" << "";
        QTest::newRow("empty") << "" << "";
    }

    void stripOneTrailingSeparator()
    {
        QFETCH(QString, dir);
        QFETCH(QString, expected);
        QCOMPARE(Platform::stripOneTrailingSeparator(dir), expected);
    }

    // Without "-d": a working directory set up by hand wins, else the XDG folder, made private.
    void defaultSettingsDir_data()
    {
        QTest::addColumn<bool>("iniInWorkingDir");
        QTest::addColumn<QString>("configHome"); // relative to the temporary root; "" unsets it
        QTest::addColumn<QString>("expected");   // relative to the temporary root
        QTest::newRow("working directory with vorlo.ini") << true << "config" << "work";
        QTest::newRow("XDG_CONFIG_HOME") << false << "config" << "config/vorlo";
        QTest::newRow("unset: ~/.config") << false << "" << "home/.config/vorlo";
        // Relative values are to be ignored.
        QTest::newRow("relative: ~/.config") << false << "relative" << "home/.config/vorlo";
    }

    void defaultSettingsDir()
    {
        QFETCH(bool, iniInWorkingDir);
        QFETCH(QString, configHome);
        QFETCH(QString, expected);
        QTemporaryDir root;
        QVERIFY(QDir(root.path()).mkpath(QStringLiteral("work")));
        QVERIFY(QDir(root.path()).mkpath(QStringLiteral("home")));
        if (iniInWorkingDir) {
            QFile ini(root.filePath(QStringLiteral("work/vorlo.ini")));
            QVERIFY(ini.open(QIODevice::WriteOnly));
        }
        const QByteArray oldHome = qgetenv("HOME");
        const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
        const QString oldWorking = QDir::currentPath();
        qputenv("HOME", QFile::encodeName(root.filePath(QStringLiteral("home"))));
        if (configHome.isEmpty())
            qunsetenv("XDG_CONFIG_HOME");
        else
            qputenv("XDG_CONFIG_HOME", QFile::encodeName(configHome == QLatin1String("relative")
                                                             ? configHome
                                                             : root.filePath(configHome)));
        QVERIFY(QDir::setCurrent(root.filePath(QStringLiteral("work"))));
        const QString dir = SettingsDirectory::defaultDir();
        QDir::setCurrent(oldWorking);
        qputenv("HOME", oldHome);
        qputenv("XDG_CONFIG_HOME", oldConfig);

        QCOMPARE(dir, root.filePath(expected));
        QVERIFY(QFileInfo(dir).isDir());
        if (!iniInWorkingDir) {
            const QFile::Permissions perms = QFile::permissions(dir);
            QVERIFY(perms.testFlags(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
            QCOMPARE(perms & (QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther
                              | QFile::WriteOther | QFile::ExeOther),
                     QFile::Permissions());
        }
        QVERIFY(!QFile::exists(root.filePath(QStringLiteral("work/relative"))));
    }

    // An environment of NAME=value entries.
    static QProcessEnvironment environmentOf(const QStringList &entries)
    {
        QProcessEnvironment env;
        for (const QString &entry : entries)
            env.insert(entry.section(QLatin1Char('='), 0, 0), entry.section(QLatin1Char('='), 1));
        return env;
    }

    void displayPlatform_data()
    {
        QTest::addColumn<QStringList>("environment"); // NAME=value
        QTest::addColumn<QByteArray>("expected");
        const QByteArray x11 = "xcb;wayland";
        QTest::newRow("X11 session") << QStringList{"DISPLAY=:0", "XDG_SESSION_TYPE=x11"} << QByteArray();
        QTest::newRow("Wayland with XWayland") << QStringList{"WAYLAND_DISPLAY=wayland-0", "DISPLAY=:0"} << x11;
        QTest::newRow("Wayland by session type") << QStringList{"XDG_SESSION_TYPE=wayland", "DISPLAY=:1"} << x11;
        QTest::newRow("Wayland without XWayland") << QStringList{"WAYLAND_DISPLAY=wayland-0"} << QByteArray();
        QTest::newRow("empty DISPLAY") << QStringList{"WAYLAND_DISPLAY=wayland-0", "DISPLAY="} << QByteArray();
        QTest::newRow("user chose Wayland")
            << QStringList{"WAYLAND_DISPLAY=wayland-0", "DISPLAY=:0", "QT_QPA_PLATFORM=wayland"} << QByteArray();
        QTest::newRow("user chose offscreen")
            << QStringList{"WAYLAND_DISPLAY=wayland-0", "DISPLAY=:0", "QT_QPA_PLATFORM=offscreen"} << QByteArray();
        QTest::newRow("no display at all") << QStringList{} << QByteArray();
    }

    void displayPlatform()
    {
        QFETCH(QStringList, environment);
        QFETCH(QByteArray, expected);
        QCOMPARE(DisplayPlatform::choose(environmentOf(environment)), expected);
    }

    void plainWindowImages_data()
    {
        QTest::addColumn<QStringList>("environment");
        QTest::addColumn<bool>("expected");
        QTest::newRow("not set") << QStringList{"DISPLAY=:0"} << true;
        QTest::newRow("set by the user to 0") << QStringList{"QT_XCB_NO_MITSHM=0"} << false;
        QTest::newRow("set by the user to 1") << QStringList{"QT_XCB_NO_MITSHM=1"} << false;
    }

    void plainWindowImages()
    {
        QFETCH(QStringList, environment);
        QFETCH(bool, expected);
        QCOMPARE(DisplayPlatform::plainWindowImages(environmentOf(environment)), expected);
    }
};

QTEST_MAIN(tst_Platform)
#include "tst_Platform.moc"
