#include "fixtures/DesktopEntry.h"
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

    // Every entry must satisfy the desktop's validator; these are the keys a launcher acts on.
    void entries_data()
    {
        QTest::addColumn<bool>("document");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("command"); // Exec, or URL of a document
        QTest::newRow("program with blanks")
            << false << "/home/u/My Mail/vorlo" << " -prefs prefs3.dat" << "Application"
            << "\"/home/u/My Mail/vorlo\" -prefs prefs3.dat";
        QTest::newRow("program with shell characters")
            << false << "/opt/a$b/vorlo" << " -prefs \"my 100%.dat\"" << "Application"
            << "\"/opt/a\\\\$b/vorlo\" -prefs \"my 100%%.dat\"";
        QTest::newRow("document") << true << "/home/u/My Mail/readme.txt" << "" << "Link"
                                  << "file:///home/u/My%20Mail/readme.txt";
    }

    void entries()
    {
        QFETCH(bool, document);
        QFETCH(QString, target);
        QFETCH(QString, arguments);
        QFETCH(QString, type);
        QFETCH(QString, command);
        XdgShellLinks links;
        const ShellLinks::Link link{QStringLiteral("Vorlo Instance "), target, arguments, QStringLiteral("/home/u/My Mail"),
                                    document};
        QVERIFY(links.create(ShellLinks::Folder::Programs, QStringLiteral("Vorlo"), link));
        const QString file = m_dir.filePath(QStringLiteral("data/applications/Vorlo/Vorlo Instance .desktop"));
        QCOMPARE(DesktopEntry::problems(file), QString());
        const QMap<QString, QString> keys = DesktopEntry::read(file);
        QCOMPARE(keys.value(QStringLiteral("Type")), type);
        QCOMPARE(keys.value(QStringLiteral("Name")), QStringLiteral("Vorlo Instance "));
        QCOMPARE(keys.value(document ? QStringLiteral("URL") : QStringLiteral("Exec")), command);
        // A Link entry has no working directory; a program runs in the given one.
        QCOMPARE(keys.value(QStringLiteral("Path"), QStringLiteral("<none>")),
                 document ? QStringLiteral("<none>") : QStringLiteral("/home/u/My Mail"));
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
