// The built program in a Wayland session with XWayland (run by mutter-session.sh): it runs on
// X11, where it can place itself, and its window lands where the settings put it.
#include "fixtures/SettingsDir.h"
#include "gui/XTools.h"

#include <QDir>
#include <QtTest>

#include <signal.h>

class TestGuiWayland : public QObject
{
    Q_OBJECT
private slots:
    void placedOnTheX11Display();
};

void TestGuiWayland::placedOnTheX11Display()
{
    QVERIFY2(!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") && !qEnvironmentVariableIsEmpty("DISPLAY"),
             "run inside mutter-session.sh");
    QVERIFY(qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"));
    SettingsDir settings;
    settings.writeIni("[Main]\nECount=1\nCheckAllWhenGoingOnline=0\ndefaultX=200\ndefaultY=150\n[1]\nName=one\n");

    QProcess vorlo;
    vorlo.setProcessChannelMode(QProcess::ForwardedChannels);
    vorlo.setWorkingDirectory(settings.dir.path());
    vorlo.start(QDir(qEnvironmentVariable("VORLO_BINARY_DIR")).filePath(QStringLiteral("vorlo")),
                {QStringLiteral("-d"), settings.dir.path()});
    QVERIFY(vorlo.waitForStarted(10000));

    // On the Wayland platform the window would not be on the X display at all.
    QTRY_VERIFY_WITH_TIMEOUT(XTools::geometryFromTheDisplay(true).isValid(), 20000);
    QTRY_COMPARE_WITH_TIMEOUT(XTools::geometryFromTheDisplay(true).topLeft(), QPoint(200, 150), 10000);

    ::kill(pid_t(vorlo.processId()), SIGTERM);
    QVERIFY(vorlo.waitForFinished(15000));
    QCOMPARE(vorlo.exitCode(), 0);
}

QTEST_GUILESS_MAIN(TestGuiWayland)
#include "tst_gui_wayland.moc"
