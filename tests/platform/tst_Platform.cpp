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
};

QTEST_MAIN(tst_Platform)
#include "tst_Platform.moc"
