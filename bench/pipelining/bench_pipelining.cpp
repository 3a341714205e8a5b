// A check of an account (list on, one filter that matches nothing) against a private Dovecot,
// measured against the floor: a minimal client that sends the same commands in one write and
// reads the replies (FloorClient). Through the proxy also against a floor that waits for each
// login step (CAPA, USER, PASS) and then sends the rest in one write. Plain (a server without
// STLS, so the session still asks CAPA and pipelines) and implicit TLS; on loopback and
// through the delay proxy (15 ms each way, a 30 ms round trip). For each: the first check of a
// program run (no cached headers: CAPA, USER, PASS, STAT, LIST, UIDL, a TOP per message, QUIT)
// and a repeat check of the unchanged box (the same without TOPs); medians of wall time,
// process CPU time (loopback only: in-process, the proxy's CPU would count too) and round
// trips counted by the proxy.
//
//   build/bench/bench_pipelining [runs] [counts] [links]   (defaults 5, 100,1000,10000, all)
//   e.g. build/bench/bench_pipelining 5 100,1000,10000,50000 loopback
// VORLO_BENCH_SECURITY=plain (or tls) runs only that server, VORLO_BENCH_CLIENT=ours (or floor)
// only that client, VORLO_BENCH_FIRST=1 only the first check of each of our runs.
// It starts and stops its two Dovecot servers itself (tools/dovecot-test-server). The proxy
// runs for the counts up to 10,000 unless links is "loopback".
//
// Figures on a 2-core virtual machine (RelWithDebInfo; wall s, ours / one-write floor, round
// trips through the proxy; loopback CPU in us a message, noisy by some 50 % between runs here).
// Before: 64 commands in flight refilled at half, a round trip for each command of the login and
// the listings. Then: the pipelined login and listings, a window of 256 KiB of commands, replies
// already received read without a coroutine each, strings packed into shared chunks. Now:
// besides, a check that deleted nothing does not wait for QUIT's reply (the proxy still counts
// QUIT's turn), the socket is read in bulk and lines are cut from one buffer, fewer copies per
// line; and (CPU, loopback) each message's header lines, fields and status are written over the
// storage of the message before, ids are packed into shared chunks, listing lines received
// together are copied in one piece and split in one pass, and the allocator keeps what a check
// freed for the next one (HeapPolicy, as the program sets it; before, the pages of a check's
// lists faulted in anew every time, hundreds of faults a check of 10,000 messages, which cost
// about as much CPU as the reading). Lately (the "lately" columns): the lines of a header and of
// the login's listings are cut in one loop where they lie in the input, a header is kept in
// one piece, commands are written straight into one buffer, numbers are read by an inline
// reader. Two runs of five (lately four of nine) each where a range is given.
//
// The proxy figures below were taken before the CPU work; a run after it gave the same within
// the noise (e.g. 10,000 plain first 0.364 / 0.304 s, stepwise floor 0.386 s).
//
//   proxy, 30 ms round trip   before (median of 3)      then (median of 5)       now                         stepwise floor
//   100    plain first        0.368 / 0.086  11 / 2 RT  0.173 / 0.079  5 / 2 RT  0.144-0.150 / 0.079-0.082  5 / 2 RT  0.171-0.178  5 RT
//   100    plain repeat       0.271 / 0.090   8 / 2     0.139 / 0.075  4 / 2     0.111-0.117 / 0.075-0.081  4 / 2     0.165-0.173  5
//   1,000  plain first        1.276 / 0.130  39 / 2     0.197 / 0.118  5 / 2     0.178-0.186 / 0.108-0.116  5 / 2     0.196-0.210  5
//   1,000  plain repeat       0.296 / 0.086   8 / 2     0.145 / 0.095  4 / 2     0.114-0.116 / 0.080-0.090  4 / 2     0.169-0.178  5
//   1,000  tls   first        1.018 / 0.151  35 / 4     0.261 / 0.154  7 / 4     0.205-0.213 / 0.141-0.143  7 / 4     0.234-0.241  7
//   1,000  tls   repeat       0.309 / 0.122  10 / 4     0.194 / 0.129  6 / 4     0.150-0.155 / 0.117-0.131  6 / 4     0.208-0.213  7
//   10,000 plain first        9.795 / 0.517 306 / 2     0.398 / 0.389  5 / 2     0.363-0.375 / 0.298-0.307  5 / 2     0.377-0.468  5
//   10,000 plain repeat       0.371 / 0.168   8 / 2     0.185 / 0.119  4 / 2     0.139-0.140 / 0.102-0.104  4 / 2     0.185-0.191  5
//   10,000 tls   first        8.727 / 0.404 287 / 4     0.537 / 0.444  7 / 4     0.410-0.423 / 0.340-0.354  7 / 4     0.418-0.431  7
//   10,000 tls   repeat       0.433 / 0.163  10 / 4     0.230 / 0.151  6 / 4     0.177-0.181 / 0.138-0.143  6 / 4     0.218-0.223  7
//
//   loopback, first check: before, CPU us/msg plain and tls; then and now, wall s (plain) and CPU us/msg
//   (plain, tls), each ours / floor; lately the CPU as ours / floor (the ratio)
//   messages                before              then: wall      CPU plain    CPU tls       now: wall             CPU plain        CPU tls      lately: CPU plain                 CPU tls
//   100                     19.0 / 5.5  65 / 43  0.033 / 0.032  13.2 / 5.3   36.8 / 29.5   0.042 / 0.043              16.0 / 7.0           39.1 / 32.2  -                                 -
//   1,000                    5.9 / 1.0  17 / 6.5 0.053 / 0.053   2.9 / 1.0    8.9 / 6.8    0.052-0.057 / 0.053-0.058  1.8-2.3 / 1.0-1.2    6.2 / 4.5    1.8-2.1 / 0.9-1.1 (x1.74-2.16)    5.5-5.9 / 4.2-4.6 (x1.24-1.39)
//   10,000                   5.7 / 0.3  7.2 / 1.9 0.268 / 0.341  1.7-2.7 / 0.4  5.1 / 2.5  0.246-0.247 / 0.245-0.248  0.9 / 0.4          2.9 / 1.8    0.7-1.0 / 0.3-0.5 (x1.93-2.15)    2.6-2.9 / 1.7-2.1 (x1.40-1.61)
//   50,000                      -                 1.638 / 1.097   2.2 / 0.6    5.2 / 1.6    1.146 / 1.114              1.1-2.2 / 0.4        3.5 / 1.7    1.4 / 0.5 (x2.66, one run)         3.4 / 2.3 (x1.50)
// The CPU of a check is the engine's whole check (summary lists, cache, filters), the floor's
// only reading; at 100 messages the fixed cost of a check dominates, for the floor as well.
// Counted exactly (valgrind --tool=callgrind --toggle-collect='*checkRuns*', 1 run of 10,000
// messages: a first and a repeat check, plain and tls), the four checks took 546.5 million
// instructions then, 335.0 million once the socket was read in bulk, 209.9 million now and
// 171.3 million lately (the two plain checks alone 145.7 million before the storage was
// written over, 83.1 million now, 64.2 million lately, of which the first check 41.9 million:
// 4,190 a message, against 5,785 now); the floor's four runs 96.8 million (toggled on
// '*floorRuns*'), most of them decrypting, its two plain runs 26.0 million. The repeat check
// ran 2,770 instructions a message at 10,000 messages (2,230 lately) and 2,840 at 50,000
// midway (linear; its CPU a message still grows at 50,000, which the instructions do not
// explain).
#include "fixtures/SyncWait.h"
#include "DelayProxy.h"
#include "FloorClient.h"

#include "core/TCheckEngine.h"
#include "fixtures/Dovecot.h"
#include "net/TNMPOP3.h"
#include "platform/HeapPolicy.h"
#include "settings/TIniFile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace {

constexpr int DelayMs = 15;
constexpr int ProxyUpTo = 10000;

double median(QList<double> v)
{
    std::sort(v.begin(), v.end());
    return v.isEmpty() ? 0 : v.at(v.size() / 2);
}

bool runScript(const QStringList &args, bool plainOnly)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedChannels);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VORLO_DOVECOT_PLAIN_ONLY"), plainOnly ? QStringLiteral("1") : QStringLiteral("0"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral("bash"), QStringList{QStringLiteral(VORLO_SOURCE_ROOT "/tools/dovecot-test-server")} + args);
    return p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// One of the two servers with a box of `messages` for its user.
struct Server
{
    QString info;
    quint16 port = 0;
    bool tls = false;
    Dovecot::User user;
};

Server startServer(const QString &info, bool tls, int messages)
{
    if (!runScript({QStringLiteral("start"), info}, !tls))
        qFatal("the test Dovecot does not start");
    qputenv("VORLO_DOVECOT_INFO", info.toLocal8Bit());
    if (!Dovecot::load())
        qFatal("no test Dovecot info");
    Server s{info, tls ? Dovecot::tlsPort() : Dovecot::plainPort(), tls, Dovecot::addUser("bench")};
    QList<QByteArray> box;
    for (int i = 1; i <= messages; ++i)
        box << Dovecot::message("From: Sender " + QByteArray::number(i) + " <s" + QByteArray::number(i) +
                                    "@example.org>\r\nSubject: Message number " + QByteArray::number(i) +
                                    "\r\nDate: Thu, 10 Dec 2026 08:00:00 +0000\r\nMessage-ID: <m" +
                                    QByteArray::number(i) + "@example.org>",
                                QByteArray(500, 'x') + "\r\n");
    Dovecot::deliver(s.user, box);
    return s;
}

struct Figures
{
    QList<double> wall, cpu;
    int roundTrips = -1;
};

struct Pair
{
    Figures first, repeat;
};

// The commands of a check; `login` puts CAPA, USER and PASS in front.
QByteArray commandsOf(const Server &s, int messages, bool tops, bool login = true)
{
    QByteArray c = login ? "CAPA\r\nUSER " + s.user.name + "\r\nPASS " + s.user.password + "\r\n" : QByteArray();
    c += "STAT\r\nLIST\r\nUIDL\r\n";
    for (int k = 1; tops && k <= messages; ++k)
        c += "TOP " + QByteArray::number(k) + " 0\r\n";
    return c + "QUIT\r\n";
}

// `stepwise`: the floor that waits for each login step (CAPA, USER, PASS), then sends the rest
// in one write.
void floorRuns(const Server &s, quint16 port, DelayProxy *proxy, int messages, int runs, Pair &out,
               bool stepwise = false)
{
    const QList<FloorStep> steps{{"CAPA", true}, {"USER " + s.user.name}, {"PASS " + s.user.password}};
    for (int pass = 0; pass < 2; ++pass) {
        Figures &f = pass == 0 ? out.first : out.repeat;
        const QByteArray commands = commandsOf(s, messages, pass == 0, !stepwise);
        for (int i = 0; i < runs; ++i) {
            if (proxy)
                proxy->resetRoundTrips();
            const FloorRun r = runFloor(port, s.tls, commands, stepwise ? steps : QList<FloorStep>());
            if (!r.ok || r.lines < messages)
                qFatal("the floor client read %lld lines", static_cast<long long>(r.lines));
            f.wall << r.wall;
            f.cpu << r.cpu;
            if (proxy)
                f.roundTrips = proxy->roundTrips();
        }
    }
}

// VORLO_BENCH_FIRST=1: only the first check of each run (e.g. to profile it alone).
bool firstOnly()
{
    static const bool first = qEnvironmentVariableIntValue("VORLO_BENCH_FIRST") == 1;
    return first;
}

// A fresh engine per run, so its first check starts without cached headers.
void checkRuns(const Server &s, quint16 port, DelayProxy *proxy, int messages, int runs, Pair &out)
{
    for (int i = 0; i < runs; ++i) {
        QTemporaryDir dir;
        QFile f(dir.filePath(QStringLiteral("vorlo.ini")));
        if (!f.open(QIODevice::WriteOnly))
            qFatal("cannot write the settings file");
        f.write("[Main]\r\nECount=1\r\nFilterCount=1\r\nKeepLogFile=0\r\nCheckAllWhenGoingOnline=0\r\n"
                "[Filter 0]\r\nIfCondition=3\r\nAccount=0\r\nAction=0\r\nArgument=no such text\r\n"
                "[1]\r\nName=bench\r\nHost=127.0.0.1:" + QByteArray::number(port) + "\r\nUserID=" + s.user.name +
                "\r\nPassword=" + TIniFile::encodeStoredPassword(s.user.password) + "\r\nSecurity=" +
                (s.tls ? "tls" : "auto") + "\r\nActive=1\r\nTimer=3600000\r\nCertFingerprint=" +
                Dovecot::certFingerprint() + "\r\n");
        f.close();
        TCheckEngine engine;
        engine.SettingsDir = dir.path();
        TIniFile ini(f.fileName());
        engine.readSettings(ini);
        engine.Accounts.slot(1).CheckTimer->stop();
        TNMPOP3 *pop = engine.Accounts.slot(1).Pop3;
        for (int pass = 0; pass < (firstOnly() ? 1 : 2); ++pass) {
            Figures &fig = pass == 0 ? out.first : out.repeat;
            if (proxy)
                proxy->resetRoundTrips();
            const double cpu0 = processCpu();
            QElapsedTimer t;
            t.start();
            syncWait(engine.checkmail(1, pop));
            fig.wall << double(t.nsecsElapsed()) / 1e9;
            fig.cpu << processCpu() - cpu0;
            if (proxy)
                fig.roundTrips = proxy->roundTrips();
            if (engine.Accounts.data(1).MailCount != messages || !engine.Accounts.data(1).LastError.isEmpty())
                qFatal("the check read %d of %d messages (%s)", engine.Accounts.data(1).MailCount, messages,
                       qPrintable(engine.Accounts.data(1).LastError));
        }
    }
}

void report(int messages, const char *security, const char *link, const char *which, const Figures &ours,
            const Figures &floor, bool cpu, const Figures *stepwise = nullptr)
{
    const double w = median(ours.wall), fw = median(floor.wall);
    std::printf("%6d %-5s %-9s %-6s  wall %8.3f / %8.3f s (x%5.2f)", messages, security, link, which, w, fw, w / fw);
    if (cpu) {
        const double c = median(ours.cpu), fc = median(floor.cpu);
        std::printf("  CPU %7.3f / %7.3f s (x%5.2f)  %6.1f / %5.1f us/msg", c, fc, c / qMax(fc, 1e-6),
                    c / messages * 1e6, fc / messages * 1e6);
    } else {
        std::printf("  round trips %4d / %4d", ours.roundTrips, floor.roundTrips);
    }
    if (stepwise) {
        const double sw = median(stepwise->wall);
        std::printf("  | stepwise login floor %8.3f s (x%5.2f) %4d round trips", sw, w / sw, stepwise->roundTrips);
    }
    std::printf("\n");
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    // As the program does: what a check frees is kept for the next one.
    HeapPolicy::keepFreedMemory();
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    QList<int> counts{100, 1000, 10000};
    if (argc > 2) {
        counts.clear();
        for (const QByteArray &c : QByteArray(argv[2]).split(','))
            counts << std::max(1, c.toInt());
    }
    const bool proxied = argc <= 3 || QByteArray(argv[3]) != "loopback";
    // VORLO_BENCH_SECURITY=plain or tls measures only that one (e.g. to profile it alone).
    const QByteArray only = qgetenv("VORLO_BENCH_SECURITY");
    const QByteArray client = qgetenv("VORLO_BENCH_CLIENT");
    QTemporaryDir work;
    std::printf("ours / floor, medians of %d; proxy %d ms each way\n", runs, DelayMs);
    for (const int messages : counts) {
        for (const bool tls : {false, true}) {
            if (!only.isEmpty() && only != (tls ? "tls" : "plain"))
                continue;
            const Server s = startServer(work.filePath(tls ? QStringLiteral("tls.env") : QStringLiteral("plain.env")),
                                         tls, messages);
            const char *security = tls ? "tls" : "plain";
            // Dovecot builds its index on the first session; no run pays for that.
            runFloor(s.port, tls, commandsOf(s, messages, true));
            Pair ours, floor;
            if (client != "floor")
                checkRuns(s, s.port, nullptr, messages, runs, ours);
            if (client != "ours")
                floorRuns(s, s.port, nullptr, messages, runs, floor);
            report(messages, security, "loopback", "first", ours.first, floor.first, true);
            report(messages, security, "loopback", "repeat", ours.repeat, floor.repeat, true);
            if (proxied && messages <= ProxyUpTo) {
                DelayProxy proxy(s.port, DelayMs);
                if (!proxy.listen())
                    qFatal("the delay proxy cannot listen");
                Pair slowOurs, slowFloor, slowStepwise;
                checkRuns(s, proxy.port(), &proxy, messages, runs, slowOurs);
                floorRuns(s, proxy.port(), &proxy, messages, runs, slowFloor);
                floorRuns(s, proxy.port(), &proxy, messages, runs, slowStepwise, true);
                report(messages, security, "proxy", "first", slowOurs.first, slowFloor.first, false, &slowStepwise.first);
                report(messages, security, "proxy", "repeat", slowOurs.repeat, slowFloor.repeat, false,
                       &slowStepwise.repeat);
            }
            runScript({QStringLiteral("stop"), s.info}, !tls);
        }
    }
    return 0;
}
