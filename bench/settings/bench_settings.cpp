// Load and save of the settings file with many accounts and filter rules.
//   QT_QPA_PLATFORM=offscreen build/bench/bench_settings [runs]
// Prints the median times of the start-up load (the checker window's whole start) and of a
// whole save, for 100 and 1000 accounts with 100 filter rules.
#include "core/ui/TF_CheckerWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

namespace {
QByteArray settingsFile(int accounts, int filters)
{
    QByteArray s = "[Main]\r\non/offline=off\r\nECount=" + QByteArray::number(accounts) +
                   "\r\nFilterCount=" + QByteArray::number(filters) + "\r\n";
    for (int n = 1; n <= accounts; ++n)
        s += "[" + QByteArray::number(n) + "]\r\nName=Account " + QByteArray::number(n) +
             "\r\nHost=pop" + QByteArray::number(n) + ".example.org:995\r\nUserID=user" + QByteArray::number(n) +
             "\r\nPassword=bdf\r\nSavePwd=1\r\nTimer=600000\r\nActive=1\r\nSound=1\r\nShow=1\r\nList=1\r\n"
             "CustomMailClientPath=\r\nDefaultMailClient=0\r\n";
    for (int k = 0; k < filters; ++k)
        s += "[Filter " + QByteArray::number(k) + "]\r\nIfCondition=3\r\nAccount=0\r\nAction=0\r\nArgument=offer " +
             QByteArray::number(k) + "\r\n";
    return s;
}

double median(QList<double> v)
{
    std::sort(v.begin(), v.end());
    return v.isEmpty() ? 0 : v.at(v.size() / 2);
}

void run(int accounts, int filters, int runs)
{
    QTemporaryDir dir;
    {
        QFile f(dir.filePath(QStringLiteral("vorlo.ini")));
        if (!f.open(QIODevice::WriteOnly))
            qFatal("cannot write");
        f.write(settingsFile(accounts, filters));
    }
    QList<double> loads, saves;
    for (int r = 0; r < runs; ++r) {
        QElapsedTimer t;
        t.start();
        auto *w = new TF_CheckerWindow({QStringLiteral("-d"), dir.path()});
        loads.append(double(t.nsecsElapsed()) / 1e6);
        t.restart();
        w->saveSettings();
        saves.append(double(t.nsecsElapsed()) / 1e6);
        delete w;
    }
    std::printf("%5d accounts, %3d filters: start-up load %8.2f ms, save %7.2f ms (median of %d)\n", accounts,
                filters, median(loads), median(saves), runs);
}
} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 11;
    run(100, 100, runs);
    run(1000, 100, runs);
    return 0;
}
