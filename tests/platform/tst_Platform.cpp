#include "platform/DisplayPlatform.h"
#include "platform/Platform.h"

#include <QGuiApplication>
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
        QProcessEnvironment env;
        for (const QString &entry : std::as_const(environment))
            env.insert(entry.section(QLatin1Char('='), 0, 0), entry.section(QLatin1Char('='), 1));
        QCOMPARE(DisplayPlatform::choose(env), expected);
    }
};

QTEST_MAIN(tst_Platform)
#include "tst_Platform.moc"
