// Check cycles of a 1,000-message box (list on, one filter that matches nothing) against the
// private test Dovecot, pipelined (implicit TLS, where CAPA lists PIPELINING and UIDL) and
// one command at a time (Security "none"), on loopback and through the delay proxy (15 ms
// each way, a 30 ms round trip). For each: the first check of a program run and a repeat
// check of the unchanged box; medians of wall time.
//   tools/dovecot-test-server start /tmp/bench-dovecot.env
//   VORLO_DOVECOT_INFO=/tmp/bench-dovecot.env QT_QPA_PLATFORM=offscreen
//       build/bench/bench_pipelining [runs [slow-runs [messages]]]
//   tools/dovecot-test-server stop /tmp/bench-dovecot.env
// runs (default 5) is for the fast cases; slow-runs (default 3) for one command at a time
// through the proxy, which takes minutes per check.
#include "fixtures/SyncWait.h"
#include "DelayProxy.h"

#include "core/ui/TF_CheckerWindow.h"
#include "fixtures/Dovecot.h"
#include "net/TNMPOP3.h"
#include "settings/TIniFile.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace {

constexpr int DelayMs = 15;

double median(QList<double> v)
{
    std::sort(v.begin(), v.end());
    return v.at(v.size() / 2);
}

struct Result
{
    double first = 0;
    double repeat = 0;
    int firstTops = 0;
    int repeatTops = 0;
};

// One fresh program state per run, so the first check starts without cached headers.
Result measure(const Dovecot::User &user, int messages, const QByteArray &security, quint16 port, int runs)
{
    QList<double> firsts, repeats;
    Result r;
    for (int i = 0; i < runs; ++i) {
        QTemporaryDir dir;
        QFile f(dir.filePath(QStringLiteral("vorlo.ini")));
        if (!f.open(QIODevice::WriteOnly))
            qFatal("cannot write the settings file");
        f.write("[Main]\r\nECount=1\r\nFilterCount=1\r\nKeepLogFile=0\r\nCheckAllWhenGoingOnline=0\r\n"
                "[Filter 0]\r\nIfCondition=3\r\nAccount=0\r\nAction=0\r\nArgument=no such text\r\n"
                "[1]\r\nName=bench\r\nHost=127.0.0.1:" + QByteArray::number(port) + "\r\nUserID=" + user.name +
                "\r\nPassword=" + TIniFile::encodeStoredPassword(user.password) + "\r\nSecurity=" + security +
                "\r\nCertFingerprint=" + Dovecot::certFingerprint() + "\r\n");
        f.close();
        TF_CheckerWindow w({QStringLiteral("-d"), dir.path()});
        w.Accounts.slot(1).CheckTimer->stop();
        TNMPOP3 *pop = w.Accounts.slot(1).Pop3;
        for (int pass = 0; pass < 2; ++pass) {
            QElapsedTimer t;
            t.start();
            syncWait(w.checkmail(1, pop));
            const double seconds = double(t.nsecsElapsed()) / 1e9;
            if (w.Accounts.data(1).MailCount != messages || !w.Accounts.data(1).LastError.isEmpty())
                qFatal("the check read %d of %d messages (%s)", w.Accounts.data(1).MailCount, messages,
                       qPrintable(w.Accounts.data(1).LastError));
            (pass == 0 ? firsts : repeats) << seconds;
            (pass == 0 ? r.firstTops : r.repeatTops) = pop->commandCount("TOP");
        }
    }
    r.first = median(firsts);
    r.repeat = median(repeats);
    return r;
}

void report(const char *path, const char *link, const Result &r, int runs)
{
    std::printf("%-26s %-22s first %7.3f s (%4d TOP)   repeat %7.3f s (%4d TOP)   median of %d\n", path, link,
                r.first, r.firstTops, r.repeat, r.repeatTops, runs);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QString why;
    if (!Dovecot::load(&why)) {
        std::fprintf(stderr, "no test Dovecot: %s\n", qPrintable(why));
        return 1;
    }
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const int slowRuns = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    const int messages = argc > 3 ? std::max(1, std::atoi(argv[3])) : 1000;

    const Dovecot::User user = Dovecot::addUser("benchpipe");
    QList<QByteArray> box;
    for (int i = 1; i <= messages; ++i)
        box << Dovecot::message("From: Sender " + QByteArray::number(i) + " <s" + QByteArray::number(i) +
                                    "@example.org>\r\nSubject: Message number " + QByteArray::number(i) +
                                    "\r\nDate: Thu, 10 Dec 2026 08:00:00 +0000\r\nMessage-ID: <m" +
                                    QByteArray::number(i) + "@example.org>",
                                QByteArray(2000, 'x') + "\r\n");
    Dovecot::deliver(user, box);

    DelayProxy plainProxy(Dovecot::plainPort(), DelayMs);
    DelayProxy tlsProxy(Dovecot::tlsPort(), DelayMs);
    if (!plainProxy.listen() || !tlsProxy.listen())
        qFatal("the delay proxy cannot listen");

    std::printf("%d messages; proxy: %d ms each way\n", messages, DelayMs);
    report("pipelined (tls)", "loopback", measure(user, messages, "tls", Dovecot::tlsPort(), runs), runs);
    report("one at a time (none)", "loopback", measure(user, messages, "none", Dovecot::plainPort(), runs), runs);
    report("pipelined (tls)", "proxy 2x15 ms", measure(user, messages, "tls", tlsProxy.port(), runs), runs);
    report("pipelined (starttls)", "proxy 2x15 ms", measure(user, messages, "starttls", plainProxy.port(), runs), runs);
    report("one at a time (none)", "proxy 2x15 ms", measure(user, messages, "none", plainProxy.port(), slowRuns),
           slowRuns);
    return 0;
}
