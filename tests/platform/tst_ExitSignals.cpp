#include "platform/ExitSignals.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>

#include <csignal>

namespace {
volatile sig_atomic_t g_outsideHandlerCalls = 0;
void outsideHandler(int)
{
    g_outsideHandlerCalls = g_outsideHandlerCalls + 1;
}
} // namespace

// SIGTERM and SIGINT, raised in this process, arrive as exitRequested in the event loop.
class tst_ExitSignals : public QObject
{
    Q_OBJECT

private slots:
    void signalsBecomeExitRequests_data()
    {
        QTest::addColumn<int>("signalNumber");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
    }

    void signalsBecomeExitRequests()
    {
        QFETCH(int, signalNumber);
        ExitSignals signals_;
        QSignalSpy spy(&signals_, &ExitSignals::exitRequested);
        QCOMPARE(std::raise(signalNumber), 0);
        // Not emitted inside the handler: only once the event loop runs.
        QCOMPARE(spy.count(), 0);
        QVERIFY(spy.wait(5000));
        QCOMPARE(spy.count(), 1);
    }

    void repeatedSignalsKeepWorking()
    {
        ExitSignals signals_;
        QSignalSpy spy(&signals_, &ExitSignals::exitRequested);
        std::raise(SIGTERM);
        QVERIFY(spy.wait(5000));
        std::raise(SIGTERM);
        QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 2, 5000);
    }

    void previousHandlerIsRestored()
    {
        std::signal(SIGTERM, outsideHandler);
        {
            ExitSignals signals_;
            QSignalSpy spy(&signals_, &ExitSignals::exitRequested);
            std::raise(SIGTERM);
            QVERIFY(spy.wait(5000));
            QCOMPARE(int(g_outsideHandlerCalls), 0);
        }
        std::raise(SIGTERM);
        QCOMPARE(int(g_outsideHandlerCalls), 1);
        std::signal(SIGTERM, SIG_DFL);
    }
};

QTEST_GUILESS_MAIN(tst_ExitSignals)
#include "tst_ExitSignals.moc"
