// Start-menu and autostart entries: the naming rules of instances, and the desktop entries the
// two buttons of the general page (and "-addmenu" at start) write.
#include "PrefsFixture.h"

#include "fixtures/DesktopEntry.h"
#include "platform/linux/XdgShellLinks.h"
#include "settings/TShortcuts.h"

#include <QDir>
#include <QPushButton>
#include <QUrl>
#include <QtTest>

#include <utility>

class TestShortcuts : public QObject
{
    Q_OBJECT
private slots:
    void naming_data();
    void naming();
    void entries_data();
    void entries();
    void addMenuAtStart();
};

namespace {
QByteArray read(const QString &fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

QStringList filesIn(const QString &dir)
{
    return QDir(dir).entryList(QDir::Files, QDir::Name);
}

// Private menu and autostart folders for one test.
struct XdgHomes
{
    QTemporaryDir root;
    XdgHomes()
    {
        qputenv("XDG_DATA_HOME", QFile::encodeName(root.filePath(QStringLiteral("data"))));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(root.filePath(QStringLiteral("config"))));
    }
    QString menu() const { return root.filePath(QStringLiteral("data/applications/Vorlo")); }
    QString autostart() const { return root.filePath(QStringLiteral("config/autostart")); }
};
} // namespace

void TestShortcuts::naming_data()
{
    QTest::addColumn<QString>("instance");
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("linkName");
    QTest::addColumn<QString>("arguments");
    QTest::newRow("default") << "prefs.dat" << "" << "Vorlo" << " -prefs prefs.dat";
    QTest::newRow("prefs3.dat") << "prefs3.dat" << "3" << "Vorlo Instance 3" << " -prefs prefs3.dat";
    QTest::newRow("prefs12.dat") << "prefs12.dat" << "12" << "Vorlo Instance 12" << " -prefs prefs12.dat";
    QTest::newRow("a.dat") << "a.dat" << "" << "Vorlo Instance " << " -prefs a.dat";
    QTest::newRow("nine characters") << "prefs.txt" << "" << "Vorlo Instance " << " -prefs prefs.txt";
    // A name with a blank stays one argument.
    QTest::newRow("blank") << "my prefs4.dat" << "efs4" << "Vorlo Instance efs4" << " -prefs \"my prefs4.dat\"";
}

void TestShortcuts::naming()
{
    QFETCH(QString, instance);
    QFETCH(QString, number);
    QFETCH(QString, linkName);
    QFETCH(QString, arguments);
    QCOMPARE(TShortcuts::instanceNumber(instance), number);
    QCOMPARE(TShortcuts::programLinkName(instance), linkName);
    QCOMPARE(TShortcuts::arguments(instance), arguments);
}

void TestShortcuts::entries_data()
{
    QTest::addColumn<QString>("instance");
    QTest::addColumn<QString>("programEntry");
    QTest::newRow("default") << "prefs.dat" << "Vorlo.desktop";
    QTest::newRow("prefs3.dat") << "prefs3.dat" << "Vorlo Instance 3.desktop";
    QTest::newRow("a.dat") << "a.dat" << "Vorlo Instance .desktop";
}

void TestShortcuts::entries()
{
    QFETCH(QString, instance);
    QFETCH(QString, programEntry);
    XdgHomes homes;
    QVERIFY(QDir().mkpath(homes.menu()));
    if (instance != QLatin1String("prefs.dat")) {
        // The default instance's entry is left alone.
        QFile other(homes.menu() + QStringLiteral("/Vorlo.desktop"));
        QVERIFY(other.open(QIODevice::WriteOnly));
        other.write("untouched");
    }
    PrefsFixture fx;
    fx.writeIni("[Main]\nECount=1\n[1]\nName=one\n");
    fx.start({QStringLiteral("-prefs"), instance});
    fx.open();
    fx.showPage("TabSheet7");
    fx.widget<QPushButton>("StartmenuButton1")->click();
    fx.widget<QPushButton>("StartupButton1")->click();
    fx.widget<QPushButton>("StartupButton1")->click();

    // The program entry runs this very executable with the instance's arguments, in the
    // settings directory; the documents are links to the settings directory's files.
    const QString dir = fx.dir.path();
    const QString exec = XdgShellLinks::quoteArgument(QCoreApplication::applicationFilePath()) + " -prefs " + instance;
    const QString program = homes.menu() + QLatin1Char('/') + programEntry;
    for (const QString &entry : {program, homes.autostart() + QLatin1Char('/') + programEntry}) {
        QCOMPARE(DesktopEntry::problems(entry), QString());
        const QMap<QString, QString> keys = DesktopEntry::read(entry);
        QCOMPARE(keys.value("Type"), QStringLiteral("Application"));
        QCOMPARE(keys.value("Name"), programEntry.chopped(8));
        QCOMPARE(keys.value("Exec"), exec);
        QCOMPARE(keys.value("Path"), dir);
    }
    for (const auto &[name, file] : {std::pair{"Vorlo ReadMe", "readme.txt"}, std::pair{"Vorlo FAQ", "faq.txt"}}) {
        const QString entry = homes.menu() + QLatin1Char('/') + name + QStringLiteral(".desktop");
        QCOMPARE(DesktopEntry::problems(entry), QString());
        const QMap<QString, QString> keys = DesktopEntry::read(entry);
        QCOMPARE(keys.value("Type"), QStringLiteral("Link"));
        QCOMPARE(keys.value("Name"), QString::fromLatin1(name));
        QCOMPARE(keys.value("URL"), QUrl::fromLocalFile(dir + QLatin1Char('/') + file).toString(QUrl::FullyEncoded));
        QVERIFY(!keys.contains("Path"));
    }
    QStringList menu{programEntry, QStringLiteral("Vorlo FAQ.desktop"), QStringLiteral("Vorlo ReadMe.desktop")};
    if (instance != QLatin1String("prefs.dat")) {
        menu << QStringLiteral("Vorlo.desktop");
        QCOMPARE(read(homes.menu() + QStringLiteral("/Vorlo.desktop")), QByteArray("untouched"));
    }
    menu.sort();
    QCOMPARE(filesIn(homes.menu()), menu);
    // Pressed twice, one autostart entry.
    QCOMPARE(filesIn(homes.autostart()), QStringList{programEntry});
}

void TestShortcuts::addMenuAtStart()
{
    XdgHomes homes;
    PrefsFixture fx;
    fx.writeIni("[Main]\nECount=1\n[1]\nName=one\n");
    fx.start({QStringLiteral("-addmenu")});
    QVERIFY(!fx.prefs->isVisible());
    QCOMPARE(filesIn(homes.menu()),
             QStringList({"Vorlo FAQ.desktop", "Vorlo ReadMe.desktop", "Vorlo.desktop"}));
    QVERIFY(!QDir(homes.autostart()).exists());
}

QTEST_MAIN(TestShortcuts)
#include "tst_TShortcuts.moc"
