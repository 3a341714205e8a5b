#include "platform/InstanceMarker.h"

#include <QCoreApplication>
#include <QTest>

#include <memory>

// The running-copy marker: made, seen, shared by holders of one name, gone after the last.
class tst_InstanceMarker : public QObject
{
    Q_OBJECT

    // Names of their own, so parallel runs never see each other's markers.
    static QString uniqueName(const char *tag)
    {
        return QStringLiteral("Vorlo_Test_%1_%2").arg(QLatin1String(tag)).arg(QCoreApplication::applicationPid());
    }

private slots:
    void createAndExists()
    {
        const QString name = uniqueName("one");
        QVERIFY(!InstanceMarker::exists(name));
        {
            InstanceMarker marker(name);
            QVERIFY(marker.isHeld());
            QVERIFY(InstanceMarker::exists(name));
            QVERIFY(!InstanceMarker::exists(name + QLatin1String("_other")));
        }
        QVERIFY(!InstanceMarker::exists(name));
    }

    void twoMarkersOfOneName()
    {
        const QString name = uniqueName("two");
        auto first = std::make_unique<InstanceMarker>(name);
        InstanceMarker second(name); // does not block, does not fail
        QVERIFY(first->isHeld());
        QVERIFY(second.isHeld());
        first.reset();
        QVERIFY2(InstanceMarker::exists(name), "the marker vanished while a holder remains");
    }

    void awkwardNames_data()
    {
        QTest::addColumn<QString>("suffix");
        QTest::newRow("slashes") << "/a/b/";
        QTest::newRow("blanks and umlauts") << " Pr\u00fcfung 1";
        QTest::newRow("very long") << QString(300, QLatin1Char('x'));
    }

    void awkwardNames()
    {
        QFETCH(QString, suffix);
        const QString name = uniqueName("odd") + suffix;
        InstanceMarker marker(name);
        QVERIFY(marker.isHeld());
        QVERIFY(InstanceMarker::exists(name));
    }
};

QTEST_GUILESS_MAIN(tst_InstanceMarker)
#include "tst_InstanceMarker.moc"
