// How often the built program's threads wake: its real window and tray icon on a display with
// a tray host, one account, (a) while its check waits on a server that greets and then stays
// silent, so the blinking field and the cycling tray icon run, and (b) idle, the account
// inactive. Read from outside as each thread's voluntary context switches
// (/proc/PID/task/*/status) over a measuring window, in wake-ups per second; medians of the runs.
//   tests/gui/xvfb-session.sh -- build/bench/bench_wakeups [runs] [seconds]
// Floors: while checking, one wake-up per animation frame, the blink every 300 ms and the tray
// frame every 250 ms (1/0.3 + 1/0.25 = 7.3 a second); idle, none beyond the account timers.
#include "fixtures/ScriptServer.h"
#include "settings/TIniFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace {

constexpr double CheckingFloor = 1000.0 / 300 + 1000.0 / 250;

double median(QList<double> v)
{
    std::sort(v.begin(), v.end());
    return v.isEmpty() ? 0 : v.at(v.size() / 2);
}

// Waits in the event loop for `ms`.
void pause(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Thread name -> voluntary context switches, over every thread of `pid`. Threads of the same
// name are added up.
QMap<QString, qint64> switches(qint64 pid)
{
    QMap<QString, qint64> out;
    const QString tasks = QStringLiteral("/proc/%1/task").arg(pid);
    for (const QString &tid : QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile status(tasks + QLatin1Char('/') + tid + QStringLiteral("/status"));
        if (!status.open(QIODevice::ReadOnly))
            continue;
        QString name;
        qint64 count = 0;
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith("Name:"))
                name = QString::fromUtf8(line.mid(5).trimmed());
            else if (line.startsWith("voluntary_ctxt_switches:"))
                count = line.mid(24).trimmed().toLongLong();
        }
        // The main thread carries the program's name.
        if (tid == QString::number(pid))
            name = QStringLiteral("main");
        out[name] += count;
    }
    return out;
}

// One run of the program: per thread, wake-ups per second over `seconds` after it settled.
QMap<QString, double> measure(bool checking, int seconds)
{
    ScriptServer silent;
    if (!silent.setScript("S: +OK ready\nHOLD\n") || !silent.listen())
        qFatal("the silent server does not start");
    QTemporaryDir dir;
    QFile ini(dir.filePath(QStringLiteral("vorlo.ini")));
    if (!ini.open(QIODevice::WriteOnly))
        qFatal("cannot write the settings file");
    ini.write("[Main]\r\nECount=1\r\nKeepLogFile=0\r\nFollowNetwork=0\r\nCheckAfterResume=0\r\nBlinking=1\r\nAnimIcons=1\r\nSoundItemIndex=0\r\n"
              "[1]\r\nName=bench\r\nHost=127.0.0.1:" +
              QByteArray::number(silent.port()) + "\r\nUserID=joe\r\nPassword=" +
              TIniFile::encodeStoredPassword("x") + "\r\nSavePwd=1\r\nSecurity=none\r\n"
              "Timer=3600000\r\nActive=" + QByteArray(checking ? "1" : "0") + "\r\n");
    ini.close();

    QProcess program;
    program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    program.start(QStringLiteral(VORLO_PROGRAM), {QStringLiteral("-d"), dir.path()});
    if (!program.waitForStarted(10000))
        qFatal("the program does not start");
    QElapsedTimer clock;
    clock.start();
    if (checking) {
        // The check has begun once the server holds its connection.
        while (silent.connectionCount() == 0 && clock.elapsed() < 20000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 200);
        if (silent.connectionCount() == 0)
            qFatal("the check did not start");
    }
    // Start-up (and the first frames) settle first.
    pause(2000);
    const QMap<QString, qint64> before = switches(program.processId());
    QElapsedTimer window;
    window.start();
    pause(seconds * 1000);
    const QMap<QString, qint64> after = switches(program.processId());
    const double elapsed = double(window.nsecsElapsed()) / 1e9;
    program.terminate();
    if (!program.waitForFinished(20000))
        program.kill();
    QMap<QString, double> rates;
    for (auto it = after.cbegin(); it != after.cend(); ++it)
        rates[it.key()] = double(it.value() - before.value(it.key())) / elapsed;
    return rates;
}

void run(bool checking, int runs, int seconds)
{
    QMap<QString, QList<double>> all;
    for (int r = 0; r < runs; ++r) {
        const QMap<QString, double> rates = measure(checking, seconds);
        for (auto it = rates.cbegin(); it != rates.cend(); ++it)
            all[it.key()] << it.value();
    }
    std::printf("%s (median of %d runs of %d s):\n", checking ? "while checking" : "idle", runs, seconds);
    for (auto it = all.cbegin(); it != all.cend(); ++it) {
        const double m = median(it.value());
        if (m < 0.05 && it.key() != QStringLiteral("main"))
            continue;
        if (it.key() == QStringLiteral("main"))
            std::printf("  %-16s %6.2f wake-ups/s (floor %.1f)\n", qPrintable(it.key()), m, checking ? CheckingFloor : 0.0);
        else
            std::printf("  %-16s %6.2f wake-ups/s\n", qPrintable(it.key()), m);
    }
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        std::fprintf(stderr, "no display: run under tests/gui/xvfb-session.sh\n");
        return 1;
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const int seconds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 10;
    run(true, runs, seconds);
    run(false, runs, seconds);
    return 0;
}
