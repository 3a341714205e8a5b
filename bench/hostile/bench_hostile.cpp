// One check of the built program against servers whose numbers lie: peak resident memory,
// CPU spent, and how long the program takes to exit after SIGTERM in the middle of it.
//   bench_hostile [BUILD_DIR]   (default: the directory above this program's)
// Each server is the project's scripted server on loopback; the program runs offscreen.
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {

struct Scenario
{
    const char *name;
    QByteArray script;
};

const QByteArray Login = "S: +OK ready\nC: USER joe\nS: +OK\nC: PASS secret\nS: +OK\nC: STAT\n";

QList<Scenario> scenarios()
{
    return {
        {"STAT 2000000000, short listing", Login + "S: +OK 2000000000 600\nC: *\nS: +OK\nS: 1 100\nS: .\nHOLD\n"},
        {"listing line numbered 1999999999",
         Login + "S: +OK 3 600\nC: LIST\\x20\nS: +OK\nS: 1999999999 100\nS: 1 100\nS: .\nHOLD\n"},
        {"listing of one number repeated",
         Login + "S: +OK 999999 600\nC: LIST\\x20\nS: +OK\nBULK 1000000 1 100\\r\\n\nS: .\nHOLD\n"},
        {"STAT 999999, every message refused",
         Login + "S: +OK 999999 600\nC: LIST\\x20\nS: +OK\nS: 1 100\nS: .\nBULK 5000000 -ERR no such message\\r\\n\nHOLD\n"},
    };
}

// Kilobytes of a /proc/PID/status field, e.g. "VmHWM".
qint64 statusKb(qint64 pid, const QByteArray &field)
{
    QFile f(QStringLiteral("/proc/%1/status").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith(field + ':'))
            return line.mid(field.size() + 1).trimmed().split(' ').first().toLongLong();
    return -1;
}

double cpuSeconds(qint64 pid)
{
    QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray s = f.readAll();
    const QByteArrayList fields = s.mid(s.lastIndexOf(')') + 2).split(' ');
    // utime and stime are fields 14 and 15 of the whole line, 12 and 13 after the name.
    return double(fields.at(11).toLongLong() + fields.at(12).toLongLong()) / double(sysconf(_SC_CLK_TCK));
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString build = argc > 1 ? QString::fromLocal8Bit(argv[1])
                                   : QDir(QCoreApplication::applicationDirPath() + QStringLiteral("/..")).absolutePath();
    std::printf("%-38s %12s %10s %12s\n", "server", "peak RSS", "CPU", "SIGTERM->exit");
    for (const Scenario &sc : scenarios()) {
        QTemporaryDir dir;
        QFile script(dir.filePath(QStringLiteral("script.txt")));
        if (!script.open(QIODevice::WriteOnly) || script.write(sc.script) != sc.script.size())
            return 1;
        script.close();
        QProcess server;
        server.start(build + QStringLiteral("/tests/vorlo_scriptserver"), {script.fileName()});
        if (!server.waitForReadyRead(10000))
            return 1;
        const QByteArray port = server.readLine().mid(5).trimmed();

        QFile ini(dir.filePath(QStringLiteral("vorlo.ini")));
        if (!ini.open(QIODevice::WriteOnly))
            return 1;
        ini.write("[Main]\r\nECount=1\r\n[1]\r\nName=hostile\r\nHost=127.0.0.1:" + port +
                  "\r\nUserID=joe\r\nPassword=tgfvjz\r\nSecurity=none\r\nActive=1\r\nTimer=3600000\r\n");
        ini.close();
        QProcess vorlo;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        vorlo.setProcessEnvironment(env);
        vorlo.start(build + QStringLiteral("/vorlo"), {QStringLiteral("-d"), dir.path()});
        if (!vorlo.waitForStarted(10000))
            return 1;
        // The check starts 10 ms after start-up; give the server's numbers 5 s to do harm.
        QThread::msleep(5000);
        const qint64 pid = vorlo.processId();
        const qint64 peakKb = statusKb(pid, "VmHWM");
        const double cpu = cpuSeconds(pid);
        QElapsedTimer exit;
        exit.start();
        ::kill(pid_t(pid), SIGTERM);
        const bool ended = vorlo.waitForFinished(30000);
        const qint64 exitMs = exit.elapsed();
        if (!ended)
            vorlo.kill();
        server.kill();
        server.waitForFinished();
        std::printf("%-38s %9.1f MB %8.2f s %10lld ms%s\n", sc.name, double(peakKb) / 1024.0, cpu,
                    static_cast<long long>(exitMs), ended ? "" : " (did not exit)");
    }
    return 0;
}
