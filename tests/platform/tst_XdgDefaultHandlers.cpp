#include "platform/linux/XdgDefaultHandlers.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// The default handler lookup against a private XDG tree and a stub `xdg-mime` first on PATH.
class tst_XdgDefaultHandlers : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QByteArray m_path;

    QString path(const QString &relative) const { return m_dir.filePath(relative); }

    static void write(const QString &fileName, const QByteArray &content, bool executable = false)
    {
        QDir().mkpath(QFileInfo(fileName).path());
        QFile file(fileName);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
        file.close();
        if (executable)
            file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
    }

    // The stub answers the query with `answer`, after checking it was asked the right thing.
    void stubXdgMime(const QByteArray &script)
    {
        write(path(QStringLiteral("bin/xdg-mime")), "#!/bin/sh\n" + script, true);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_path = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(path(QStringLiteral("bin"))) + ':' + m_path);
        qputenv("XDG_DATA_HOME", QFile::encodeName(path(QStringLiteral("home"))));
        qputenv("XDG_DATA_DIRS", QFile::encodeName(path(QStringLiteral("sys1")) + ':' + path(QStringLiteral("sys2"))));
        write(path(QStringLiteral("sys2/applications/mailer.desktop")),
              "[Desktop Entry]\nName=Mailer\n# Exec=commented\nExec=/opt/mailer/bin/mailer -compose %u\n"
              "[Desktop Action new]\nExec=/wrong\n");
        write(path(QStringLiteral("sys1/applications/kde/web.desktop")),
              "[Desktop Action x]\nExec=/wrong\n[Desktop Entry]\nExec=\"/opt/my web/web\" %U --new-tab\n");
        // The user's own entry hides the system one of the same id.
        write(path(QStringLiteral("home/applications/browser.desktop")), "[Desktop Entry]\nExec=userbrowser %u\n");
        write(path(QStringLiteral("sys2/applications/browser.desktop")), "[Desktop Entry]\nExec=sysbrowser %u\n");
        write(path(QStringLiteral("sys2/applications/noexec.desktop")), "[Desktop Entry]\nName=Nothing\n");
    }

    void cleanupTestCase()
    {
        qputenv("PATH", m_path);
    }

    void lookup_data()
    {
        QTest::addColumn<QByteArray>("stub");
        QTest::addColumn<QString>("expected");
        QTest::newRow("plain entry")
            << QByteArray("[ \"$1 $2 $3\" = 'query default x-scheme-handler/mailto' ] || exit 3\necho mailer.desktop\n")
            << "/opt/mailer/bin/mailer -compose";
        QTest::newRow("id naming a sub-folder, quoted program")
            << QByteArray("echo kde-web.desktop\n") << "\"/opt/my web/web\" --new-tab";
        QTest::newRow("user entry first") << QByteArray("echo browser.desktop\n") << "userbrowser";
        QTest::newRow("first of a list") << QByteArray("echo 'browser.desktop;mailer.desktop'\n") << "userbrowser";
        QTest::newRow("no handler") << QByteArray("exit 0\n") << "";
        QTest::newRow("query fails") << QByteArray("echo mailer.desktop; exit 4\n") << "";
        QTest::newRow("entry not installed") << QByteArray("echo gone.desktop\n") << "";
        QTest::newRow("entry without Exec") << QByteArray("echo noexec.desktop\n") << "";
        QTest::newRow("id with a path is refused") << QByteArray("echo ../../sys2/applications/mailer.desktop\n") << "";
    }

    void lookup()
    {
        QFETCH(QByteArray, stub);
        QFETCH(QString, expected);
        stubXdgMime(stub);
        QCOMPARE(XdgDefaultHandlers().openCommand(QStringLiteral("mailto")), expected);
    }

    void hangingQueryTimesOut()
    {
        stubXdgMime("exec sleep 30\n");
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(XdgDefaultHandlers(300).openCommand(QStringLiteral("http")), QString());
        QVERIFY2(clock.elapsed() < 10000, "the query was not abandoned at its time-out");
    }

    void missingXdgMime()
    {
        QFile::remove(path(QStringLiteral("bin/xdg-mime")));
        const QByteArray saved = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(path(QStringLiteral("bin"))));
        const QString command = XdgDefaultHandlers().openCommand(QStringLiteral("mailto"));
        qputenv("PATH", saved);
        QCOMPARE(command, QString());
    }

    void fieldCodes_data()
    {
        QTest::addColumn<QString>("exec");
        QTest::addColumn<QString>("expected");
        QTest::newRow("trailing code") << "mail %u" << "mail";
        QTest::newRow("every code") << "app %f %F %u %U %d %D %n %N %i %c %k %v %m -x" << "app -x";
        QTest::newRow("percent kept") << "app --rate=100%% %U" << "app --rate=100%";
        QTest::newRow("code inside a word") << "app --url=%u" << "app --url=";
        QTest::newRow("quoted blanks kept") << "\"/opt/a b/app\"  %u  \"x  y\"" << "\"/opt/a b/app\" \"x  y\"";
        QTest::newRow("unknown code kept") << "app %z" << "app %z";
        QTest::newRow("empty") << "" << "";
    }

    void fieldCodes()
    {
        QFETCH(QString, exec);
        QFETCH(QString, expected);
        QCOMPARE(XdgDefaultHandlers::withoutFieldCodes(exec), expected);
    }
};

QTEST_GUILESS_MAIN(tst_XdgDefaultHandlers)
#include "tst_XdgDefaultHandlers.moc"
