// One full check cycle of an account (list on, one filter rule) against the private test Dovecot.
//   tools/dovecot-test-server start /tmp/bench-dovecot.env
//   VORLO_DOVECOT_INFO=/tmp/bench-dovecot.env QT_QPA_PLATFORM=offscreen build/bench/bench_check [runs]
//   tools/dovecot-test-server stop /tmp/bench-dovecot.env
// Prints wall and CPU time (medians) per mailbox size and the process's peak resident memory.
#include "fixtures/SyncWait.h"
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
#include <ctime>
#include <sys/resource.h>

namespace {
double cpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

double median(QList<double> v)
{
    std::sort(v.begin(), v.end());
    return v.at(v.size() / 2);
}

void run(int messages, int runs)
{
    const Dovecot::User user = Dovecot::addUser("bench");
    QList<QByteArray> box;
    for (int i = 1; i <= messages; ++i)
        box << Dovecot::message("From: Sender " + QByteArray::number(i) + " <s" + QByteArray::number(i) +
                                    "@example.org>\r\nSubject: Message number " + QByteArray::number(i) +
                                    "\r\nDate: Thu, 10 Dec 2026 08:00:00 +0000",
                                QByteArray(2000, 'x') + "\r\n");
    Dovecot::deliver(user, box);

    QTemporaryDir dir;
    {
        QFile f(dir.filePath(QStringLiteral("vorlo.ini")));
        if (!f.open(QIODevice::WriteOnly))
            qFatal("cannot write");
        f.write("[Main]\r\nECount=1\r\nFilterCount=1\r\nKeepLogFile=0\r\n[1]\r\nName=bench\r\nHost=127.0.0.1:" +
                QByteArray::number(Dovecot::plainPort()) + "\r\nUserID=" + user.name +
                "\r\nPassword=" + TIniFile::encodeStoredPassword(user.password) +
                "\r\nSecurity=none\r\n[Filter 0]\r\nIfCondition=3\r\nAccount=0\r\nAction=0\r\nArgument=no such text\r\n");
    }
    TF_CheckerWindow w({QStringLiteral("-d"), dir.path()});
    w.Accounts.slot(1).CheckTimer->stop();
    QList<double> walls, cpus;
    for (int r = 0; r < runs; ++r) {
        QElapsedTimer t;
        t.start();
        const double c0 = cpuSeconds();
        syncWait(w.checkmail(1, w.Accounts.slot(1).Pop3));
        cpus << cpuSeconds() - c0;
        walls << double(t.nsecsElapsed()) / 1e9;
        if (w.Accounts.data(1).MailCount != messages)
            qFatal("the check read %d messages instead of %d", w.Accounts.data(1).MailCount, messages);
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("%5d messages: wall %.3f s, CPU %.3f s (median of %d); peak RSS so far %ld MiB\n", messages,
                median(walls), median(cpus), runs, usage.ru_maxrss / 1024);
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
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    run(1000, runs);
    run(5000, runs);
    return 0;
}
