// While an operation waits, anything may run: other components finish, cancels and deletions
// arrive, and each operation resumes on its own.
#include "fixtures/SyncWait.h"
#include "fixtures/ScriptServer.h"
#include "net/TNMPOP3.h"
#include "NetTestUtil.h"

#include <QPointer>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

std::unique_ptr<ScriptServer> serve(const QString &scenario)
{
    auto server = std::make_unique<ScriptServer>();
    if (!server->loadFile(ScriptServer::scenarioPath(scenario)) || !server->listen())
        return nullptr;
    return server;
}

void pointAt(TNMPOP3 &pop, const ScriptServer &server)
{
    pop.Host = QStringLiteral("127.0.0.1");
    pop.Port = server.port();
    pop.TimeOut = 5000;
    pop.UserID = "joe";
    pop.Password = "secret";
    pop.Security = "none";
}

} // namespace

class TstNetReentrancy : public QObject
{
    Q_OBJECT

private slots:
    void otherComponentFinishesWhileOneWaits()
    {
        // Two sessions at once: the quick one runs from start to end while the slow one is
        // still waiting for its server, and neither waits inside the other.
        auto slow = serve("pop3/slow.txt");
        auto quick = serve("pop3/session.txt");
        QVERIFY(slow && quick);
        TNMPOP3 first;
        TNMPOP3 second;
        pointAt(first, *slow);
        pointAt(second, *quick);
        QStringList order;
        QList<qint32> sizes;
        second.OnList = [&](qint32, qint32 size) { sizes << size; };
        auto firstSession = [&]() -> QCoro::Task<> {
            co_await first.Connect();
            order << QStringLiteral("first connected %1").arg(first.MailCount);
            co_await first.Disconnect();
        };
        auto secondSession = [&]() -> QCoro::Task<> {
            order << QStringLiteral("second starts");
            co_await second.Connect();
            co_await second.List();
            co_await second.GetSummary(1);
            order << QString::fromLatin1(second.Summary.Subject) << QString::fromLatin1(co_await second.UniqueID(1));
            co_await second.DeleteMailMessage(1);
            co_await second.Disconnect();
            order << QStringLiteral("second done");
        };
        const QCoro::Task<> a = firstSession();
        const QCoro::Task<> b = secondSession();
        QTRY_COMPARE_WITH_TIMEOUT(order.size(), 5, 10000);
        QCOMPARE(order, (QStringList{"second starts", " Hello there", "uid-one\r\n", "second done", "first connected 2"}));
        QCOMPARE(sizes, (QList<qint32>{100, 200}));
        QVERIFY(slow->errors().isEmpty() && quick->errors().isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(quick->completedCount(), 1, 5000);
    }

    void sameComponentCallIsANoOp()
    {
        auto server = serve("pop3/slow.txt");
        QVERIFY(server);
        TNMPOP3 pop;
        pointAt(pop, *server);
        pop.Summary.Subject = "untouched";
        QString nested = QStringLiteral("not run");
        QTimer::singleShot(50, &pop, [&] {
            nested = failureOf([&] {
                syncWait(pop.GetSummary(1));
                syncWait(pop.List());
                syncWait(pop.DeleteMailMessage(1));
                if (!syncWait(pop.UniqueID(1)).isEmpty())
                    throw EGeneralError(QStringLiteral("UniqueID answered"));
            });
        });
        syncWait(pop.Connect());
        QCOMPARE(nested, QString());
        QCOMPARE(pop.Summary.Subject, QByteArray("untouched"));
        syncWait(pop.Disconnect());
        // The script would have recorded any command the nested calls had sent.
        QVERIFY2(server->errors().isEmpty(), qPrintable(server->errors().join('\n')));
    }

    void cancelFromATimerEndsReadLn()
    {
        auto server = serve("pop3/silent.txt");
        QVERIFY(server);
        TNMPOP3 pop;
        pointAt(pop, *server);
        pop.TimeOut = 0;
        syncWait(pop.Connect());
        QTimer::singleShot(100, &pop, [&] { pop.Cancel(); });
        QCOMPARE(failureOf([&] { syncWait(pop.ReadLn()); }), "EAbortError: Socket readln aborted");
        QVERIFY(!pop.Canceled());
        // A queued cancel (a posted event, not a timer) ends the wait as well.
        QMetaObject::invokeMethod(&pop, [&] { pop.Cancel(); }, Qt::QueuedConnection);
        QCOMPARE(failureOf([&] { syncWait(pop.List()); }), "EAbortError: Socket readln aborted");
        QVERIFY(!pop.Busy());
    }

    // Shutdown: the owner closes the socket and lets the component go while it waits.
    void deletedDuringAWait_data()
    {
        QTest::addColumn<QString>("scenario");
        QTest::addColumn<QString>("wait");
        QTest::addColumn<bool>("closeFirst");
        QTest::addColumn<QString>("failure");
        QTest::newRow("reading a listing") << "pop3/silent.txt" << "list" << false << "EAbortError: Socket readln aborted";
        QTest::newRow("reading, closed first") << "pop3/silent.txt" << "list" << true << "";
        QTest::newRow("greeting") << "pop3/slow-timeout.txt" << "connect" << false << "EAbortError: Socket readln aborted";
        QTest::newRow("TLS handshake") << "pop3/slow-timeout.txt" << "tls" << false << "ESockError: TLS Handshake Canceled";
        QTest::newRow("name lookup") << "pop3/silent.txt" << "lookup" << false << "ESockError: Host Lookup Canceled";
    }
    void deletedDuringAWait()
    {
        QFETCH(QString, scenario);
        QFETCH(QString, wait);
        QFETCH(bool, closeFirst);
        QFETCH(QString, failure);
        auto server = serve(scenario);
        QVERIFY(server);
        QPointer<TNMPOP3> pop = new TNMPOP3;
        pointAt(*pop, *server);
        pop->TimeOut = 0;
        if (wait == QLatin1String("list"))
            syncWait(pop->Connect());
        if (wait == QLatin1String("tls"))
            pop->Security = "tls";
        if (wait == QLatin1String("lookup")) {
            pop->Host = QStringLiteral("mail.example");
            pop->Resolver = [](const QString &, QObject *, std::function<void(const QList<QHostAddress> &)>) {};
        }
        QTimer::singleShot(100, [pop, closeFirst] {
            if (closeFirst)
                pop->RequestCloseSocket();
            pop->deleteLater();
        });
        TNMPOP3 *raw = pop.data();
        const QString raised = failureOf([&] {
            if (wait == QLatin1String("list"))
                syncWait(raw->List());
            else
                syncWait(raw->Connect());
        });
        if (failure.isEmpty())
            QVERIFY(!raised.isEmpty()); // the close may end the read before the deletion
        else
            QCOMPARE(raised, failure);
        QTRY_VERIFY_WITH_TIMEOUT(pop.isNull(), 5000);
    }
};

QTEST_GUILESS_MAIN(TstNetReentrancy)
#include "tst_net_reentrancy.moc"
