// Network benchmarks (built, never run by ctest).
//
//   build/bench/bench_net [MESSAGES] [WAIT_SECONDS]      (defaults 1000 and 30)
//
// (a) A full check against a private test Dovecot that the program starts itself with
//     tools/dovecot-test-server: Connect, List, then GetSummary and UniqueID for every
//     message, Disconnect; wall and CPU time, plain and over implicit TLS.
// (b) A ReadLn on a server that stays silent, ended by its time-out: the CPU time the
//     wait costs (target: under 0.1 s for 30 s).
// Needs dovecot-pop3d and openssl; build without sanitizers for meaningful figures.
#include "fixtures/SyncWait.h"
#include "fixtures/Dovecot.h"
#include "fixtures/ScriptServer.h"
#include "net/TNMPOP3.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <ctime>

namespace {

double cpuSeconds()
{
    return double(std::clock()) / CLOCKS_PER_SEC;
}

QString serverScript()
{
    QString root = qEnvironmentVariable("VORLO_SOURCE_DIR");
    if (root.isEmpty())
        root = QStringLiteral(VORLO_SOURCE_ROOT);
    return root + QStringLiteral("/tools/dovecot-test-server");
}

bool runScript(const QStringList &args)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedChannels);
    p.start(QStringLiteral("bash"), QStringList{serverScript()} + args);
    return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

void session(const Dovecot::User &user, int messages, bool tls)
{
    TNMPOP3 pop;
    pop.Host = QStringLiteral("127.0.0.1");
    pop.Port = tls ? Dovecot::tlsPort() : Dovecot::plainPort();
    pop.Security = tls ? "tls" : "none";
    pop.CertFingerprint = Dovecot::certFingerprint();
    pop.TimeOut = 60000;
    pop.UserID = user.name;
    pop.Password = user.password;
    qint64 listed = 0;
    pop.OnList = [&](qint32, qint32 size) { listed += size; };
    QByteArrayList ids;
    const double cpu0 = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    syncWait(pop.Connect());
    syncWait(pop.List());
    for (qint32 n = 1; n <= pop.MailCount; ++n) {
        syncWait(pop.GetSummary(n));
        ids << syncWait(pop.UniqueID(n));
    }
    syncWait(pop.Disconnect());
    const double seconds = wall.nsecsElapsed() / 1e9;
    const double cpu = cpuSeconds() - cpu0;
    std::printf("(a) %-5s session, %d messages (%lld bytes listed, %lld ids): wall %.3f s, CPU %.3f s\n",
                tls ? "TLS" : "plain", messages, static_cast<long long>(listed),
                static_cast<long long>(ids.size()), seconds, cpu);
    if (pop.MailCount != messages)
        std::printf("    unexpected count %d\n", pop.MailCount);
}

int silentWait(int waitSeconds)
{
    ScriptServer server;
    if (!server.setScript("S: +OK hello\nHOLD") || !server.listen())
        return 1;
    TPowersock sock;
    sock.Host = QStringLiteral("127.0.0.1");
    sock.Port = server.port();
    sock.TimeOut = 5000;
    syncWait(sock.Connect());
    syncWait(sock.ReadLn());
    sock.TimeOut = waitSeconds * 1000;
    const double cpu0 = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    QString outcome;
    try {
        syncWait(sock.ReadLn());
        outcome = QStringLiteral("returned");
    } catch (const EGeneralError &e) {
        outcome = e.message();
    }
    std::printf("(b) ReadLn on a silent server, TimeOut %d s: wall %.3f s, CPU %.4f s (%s)\n", waitSeconds,
                wall.nsecsElapsed() / 1e9, cpuSeconds() - cpu0, qPrintable(outcome));
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int messages = argc > 1 ? QByteArray(argv[1]).toInt() : 1000;
    const int waitSeconds = argc > 2 ? QByteArray(argv[2]).toInt() : 30;

    QTemporaryDir work;
    const QString info = work.filePath(QStringLiteral("dovecot.env"));
    qputenv("VORLO_DOVECOT_INFO", info.toLocal8Bit());
    if (!runScript({QStringLiteral("start"), info}) || !Dovecot::load()) {
        std::fprintf(stderr, "cannot start the test Dovecot\n");
        return 1;
    }
    int rc = 0;
    try {
        const Dovecot::User user = Dovecot::addUser("bench");
        QList<QByteArray> mails;
        for (int i = 1; i <= messages; ++i)
            mails << Dovecot::message(QStringLiteral("Subject: Message number %1\r\nFrom: Sender %1 <s%1@example.org>\r\n"
                                                     "To: bench@example.org\r\nDate: Mon, 1 Jan 2024 10:00:00 +0000\r\n"
                                                     "Message-ID: <%1@bench.example.org>")
                                          .arg(i)
                                          .toLatin1(),
                                      QByteArray("body line\r\n").repeated(20));
        Dovecot::deliver(user, mails);
        session(user, messages, false); // the first session also builds Dovecot's index
        session(user, messages, false);
        session(user, messages, true);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "session failed: %s\n", e.what());
        rc = 1;
    }
    runScript({QStringLiteral("stop"), info});
    return rc ? rc : silentWait(waitSeconds);
}
