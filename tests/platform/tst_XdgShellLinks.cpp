#include "platform/linux/XdgShellLinks.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// Menu and autostart entries written as desktop entries under private XDG homes.
class tst_XdgShellLinks : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    static QByteArray read(const QString &fileName)
    {
        QFile file(fileName);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_dir.filePath(QStringLiteral("data"))));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.filePath(QStringLiteral("config"))));
    }

    void folders()
    {
        XdgShellLinks links;
        QCOMPARE(links.folderPath(ShellLinks::Folder::Programs), m_dir.filePath(QStringLiteral("data/applications")));
        QCOMPARE(links.folderPath(ShellLinks::Folder::Startup), m_dir.filePath(QStringLiteral("config/autostart")));
    }

    void programEntryInASubFolder()
    {
        XdgShellLinks links;
        const ShellLinks::Link link{QStringLiteral("Vorlo Instance 3"), QStringLiteral("/home/u/My Mail/vorlo"),
                                    QStringLiteral(" -prefs prefs3.dat"), QStringLiteral("/home/u/My Mail"), false};
        QVERIFY(links.create(ShellLinks::Folder::Programs, QStringLiteral("Vorlo"), link));
        QCOMPARE(read(m_dir.filePath(QStringLiteral("data/applications/Vorlo/Vorlo Instance 3.desktop"))),
                 QByteArray("[Desktop Entry]\n"
                            "Type=Application\n"
                            "Name=Vorlo Instance 3\n"
                            "Exec=\"/home/u/My Mail/vorlo\" -prefs prefs3.dat\n"
                            "Terminal=false\n"
                            "Path=/home/u/My Mail\n"));
    }

    void documentEntryIsALink()
    {
        XdgShellLinks links;
        const ShellLinks::Link link{QStringLiteral("Vorlo ReadMe"), QStringLiteral("/home/u/My Mail/readme.txt"),
                                    QString(), QStringLiteral("/home/u/My Mail"), true};
        QVERIFY(links.create(ShellLinks::Folder::Programs, QStringLiteral("Vorlo"), link));
        QCOMPARE(read(m_dir.filePath(QStringLiteral("data/applications/Vorlo/Vorlo ReadMe.desktop"))),
                 QByteArray("[Desktop Entry]\n"
                            "Type=Link\n"
                            "Name=Vorlo ReadMe\n"
                            "URL=file:///home/u/My%20Mail/readme.txt\n"
                            "Path=/home/u/My Mail\n"));
    }

    void startupEntryIsReplaced()
    {
        XdgShellLinks links;
        ShellLinks::Link link{QStringLiteral("Vorlo"), QStringLiteral("/a/vorlo"), QStringLiteral(" -prefs prefs.dat"),
                              QStringLiteral("/a"), false};
        QVERIFY(links.create(ShellLinks::Folder::Startup, QString(), link));
        link.target = QStringLiteral("/b/vorlo");
        QVERIFY(links.create(ShellLinks::Folder::Startup, QString(), link));
        const QDir autostart(m_dir.filePath(QStringLiteral("config/autostart")));
        QCOMPARE(autostart.entryList(QDir::Files), QStringList{QStringLiteral("Vorlo.desktop")});
        QVERIFY(read(autostart.filePath(QStringLiteral("Vorlo.desktop"))).contains("Exec=/b/vorlo -prefs prefs.dat\n"));
    }

    void unsafeNamesAreRefused_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("subFolder");
        QTest::newRow("slash in name") << "../../evil" << "";
        QTest::newRow("empty name") << "" << "";
        QTest::newRow("dot dot sub-folder") << "Vorlo" << "../..";
    }

    void unsafeNamesAreRefused()
    {
        QFETCH(QString, name);
        QFETCH(QString, subFolder);
        const ShellLinks::Link link{name, QStringLiteral("/a/vorlo"), QString(), QStringLiteral("/a"), false};
        QVERIFY(!XdgShellLinks().create(ShellLinks::Folder::Programs, subFolder, link));
        QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("evil.desktop"))));
        QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("Vorlo.desktop"))));
    }

    void execQuoting_data()
    {
        QTest::addColumn<QString>("argument");
        QTest::addColumn<QString>("quoted");
        QTest::newRow("plain") << "prefs.dat" << "prefs.dat";
        QTest::newRow("blank") << "my prefs.dat" << "\"my prefs.dat\"";
        QTest::newRow("quote and dollar") << "a\"b$c" << "\"a\\\"b\\$c\"";
        QTest::newRow("backslash") << "a\\b" << "\"a\\\\b\"";
        QTest::newRow("percent") << "100%" << "100%%";
        QTest::newRow("empty") << "" << "\"\"";
    }

    void execQuoting()
    {
        QFETCH(QString, argument);
        QFETCH(QString, quoted);
        QCOMPARE(XdgShellLinks::quoteArgument(argument), quoted);
    }

    void backslashIsEscapedTwiceInTheFile()
    {
        // Quoting doubles it, the value escapes double it again.
        const ShellLinks::Link link{QStringLiteral("x"), QStringLiteral("/a\\b/vorlo"), QString(), QString(), false};
        QVERIFY(XdgShellLinks::entryText(link).contains("Exec=\"/a\\\\\\\\b/vorlo\"\n"));
    }
};

QTEST_GUILESS_MAIN(tst_XdgShellLinks)
#include "tst_XdgShellLinks.moc"
