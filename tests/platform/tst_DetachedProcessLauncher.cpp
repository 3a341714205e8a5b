#include "platform/linux/DetachedProcessLauncher.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// Starting other programs detached, in a working directory.
class tst_DetachedProcessLauncher : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString path(const char *name) const { return m_dir.filePath(QLatin1String(name)); }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(QDir().mkpath(path("work dir")));
        QFile script(path("my tool"));
        QVERIFY(script.open(QIODevice::WriteOnly));
        // Writes its working directory and arguments, then renames the file into place so
        // the test never reads it half written.
        script.write("#!/bin/sh\n{ pwd; for a in \"$@\"; do echo \"[$a]\"; done; } > out.tmp && mv out.tmp out.txt\n");
        script.close();
        QVERIFY(script.setPermissions(script.permissions() | QFileDevice::ExeOwner));
    }

    void startsWithArgumentsInTheWorkingDir()
    {
        const QString commandLine = QLatin1Char('"') + path("my tool") + QLatin1String("\" -mail \"two words\"");
        QVERIFY(DetachedProcessLauncher().start(commandLine, path("work dir")));
        QFile out(path("work dir/out.txt"));
        QTRY_VERIFY_WITH_TIMEOUT(out.exists(), 10000);
        QVERIFY(out.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(out.readAll()), path("work dir") + QLatin1String("\n[-mail]\n[two words]\n"));
    }

    void failures_data()
    {
        QTest::addColumn<QString>("commandLine");
        QTest::addColumn<QString>("workingDir");
        QTest::newRow("empty command line") << "" << "";
        QTest::newRow("blanks only") << "   " << "";
        QTest::newRow("no such program") << "/nonexistent/vorlo-mailer -x" << "";
        QTest::newRow("no such working dir") << "/bin/true" << "/nonexistent/dir";
    }

    void failures()
    {
        QFETCH(QString, commandLine);
        QFETCH(QString, workingDir);
        QVERIFY(!DetachedProcessLauncher().start(commandLine, workingDir));
    }
};

QTEST_GUILESS_MAIN(tst_DetachedProcessLauncher)
#include "tst_DetachedProcessLauncher.moc"
