// The diagnostics of a check: off unless enabled; enabled, every step of a check shows, and
// neither the password nor its scrambled form ever does.
#include "fixtures/SyncWait.h"
#include "EngineFixture.h"

#include "fixtures/ScriptServer.h"

#include <QLoggingCategory>
#include <QtTest>

namespace {

QStringList g_lines;

void capture(QtMsgType, const QMessageLogContext &context, const QString &message)
{
    g_lines << QStringLiteral("%1: %2").arg(QLatin1String(context.category), message);
}

const QByteArray Check = "S: +OK ready\nC: USER joe\nS: +OK\n"
                         "C: PASS s3cr3t-pw\nS: +OK\nC: STAT\nS: +OK 1 100\nC: LIST\\x20\nS: +OK\nS: 1 100\nS: .\n"
                         "C: TOP 1 0\nS: +OK\nS: Subject: hi\nS:\nS: .\nC: LIST 1\nS: +OK 1 100\n"
                         "C: UIDL 1\nS: +OK 1 id-1\nC: QUIT\nS: +OK bye\n";
const QByteArray Refused = "S: +OK ready\nC: USER joe\nS: +OK\n"
                           "C: PASS s3cr3t-pw\nS: -ERR wrong\n";

} // namespace

class TestCheckLog : public QObject
{
    Q_OBJECT
private slots:
    void cleanup()
    {
        qInstallMessageHandler(nullptr);
        QLoggingCategory::setFilterRules(QString());
        g_lines.clear();
    }
    void checkSteps_data();
    void checkSteps();
};

void TestCheckLog::checkSteps_data()
{
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<QStringList>("expected"); // each a part of some line, in this order
    QTest::newRow("off by default") << false << Check << QStringList();
    QTest::newRow("a good check")
        << true << Check
        << QStringList{"vorlo.check: account 1 connecting to \"127.0.0.1\"", "vorlo.pop3: greeting: \"+OK ready\"",
                       "vorlo.pop3: sent: \"USER joe\"", "vorlo.pop3: sent: \"PASS ****\"", "sent: \"STAT\"",
                       "vorlo.check: account 1 logged in, 1 messages", "sent: \"LIST \"", "sent: \"UIDL 1\"",
                       "vorlo.check: account 1 quit", "sent: \"QUIT\"", "vorlo.check: account 1 result: 1 messages"};
    QTest::newRow("a refused password")
        << true << Refused
        << QStringList{"vorlo.pop3: sent: \"PASS ****\"", "reply: \"-ERR wrong\"",
                       "vorlo.check: account 1 connect failed: \"Authentication failed\"",
                       "vorlo.check: account 1 result: failed: \"Authentication failed\""};
}

void TestCheckLog::checkSteps()
{
    QFETCH(bool, enabled);
    QFETCH(QByteArray, script);
    QFETCH(QStringList, expected);
    ScriptServer server;
    QVERIFY2(server.setScript(script), qPrintable(server.errorString()));
    QVERIFY(server.listen());
    EngineFixture fx;
    const QByteArray scrambled = TIniFile::encodeStoredPassword("s3cr3t-pw");
    fx.writeIni("[Main]\r\nECount=1\r\nCheckAllWhenGoingOnline=0\r\n[1]\r\nName=log\r\nHost=127.0.0.1:" +
                QByteArray::number(server.port()) + "\r\nUserID=joe\r\nPassword=" + scrambled + "\r\nSecurity=none\r\n");
    TCheckEngine &w = fx.start();
    w.Accounts.slot(1).CheckTimer->stop();

    if (enabled)
        QLoggingCategory::setFilterRules(QStringLiteral("vorlo.*.debug=true"));
    qInstallMessageHandler(capture);
    QCoro::waitFor(w.checkmail(1, w.Accounts.slot(1).Pop3));
    QTRY_COMPARE_WITH_TIMEOUT(server.completedCount() + server.closedCount() > 0, true, 5000);
    qInstallMessageHandler(nullptr);

    const QString all = g_lines.join(QLatin1Char('\n'));
    QVERIFY2(!all.contains(QLatin1String("s3cr3t")) && !all.contains(QString::fromLatin1(scrambled)), qPrintable(all));
    if (!enabled)
        QVERIFY2(!all.contains(QLatin1String("vorlo.")), qPrintable(all));
    qsizetype from = 0;
    for (const QString &part : std::as_const(expected)) {
        const qsizetype at = all.indexOf(part, from);
        QVERIFY2(at >= 0, qPrintable(QStringLiteral("missing \"%1\" after position %2 in:\n%3").arg(part).arg(from).arg(all)));
        from = at + part.size();
    }
}

QTEST_GUILESS_MAIN(TestCheckLog)
#include "tst_checklog.moc"
