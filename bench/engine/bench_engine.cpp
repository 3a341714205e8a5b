// Five accounts, four on the private test Dovecot and one on a server that greets and then
// says nothing, in slot 1 and in slot 5: the time from each account's timer tick to the end
// of its check (the slowest of the four is reported, median over the runs). Then the exit
// with every account's check waiting on silent servers: the time from the exit until every
// server has seen its connection closed and the event loop has nothing left of the checks.
//   tools/dovecot-test-server start /tmp/bench-dovecot.env
//   VORLO_DOVECOT_INFO=/tmp/bench-dovecot.env build/bench/bench_engine [runs]
//   tools/dovecot-test-server stop /tmp/bench-dovecot.env
#include "core/TCheckEngine.h"
#include "fixtures/Dovecot.h"
#include "fixtures/ScriptServer.h"
#include "settings/TIniFile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

double median(QList<double> v)
{
    std::sort(v.begin(), v.end());
    return v.at(v.size() / 2);
}

QByteArray section(int n, const QByteArray &host, const QByteArray &user, const QByteArray &password)
{
    return "[" + QByteArray::number(n) + "]\r\nName=a" + QByteArray::number(n) + "\r\nHost=" + host +
           "\r\nUserID=" + user + "\r\nPassword=" + TIniFile::encodeStoredPassword(password) +
           "\r\nSecurity=none\r\nActive=1\r\nTimer=3600000\r\n";
}

// Runs the event loop until `done` holds or `limitMs` passes; false on the limit. The
// condition is looked at again whenever the loop has handled its pending events, never by a
// timer of its own.
bool runUntil(const std::function<bool()> &done, int limitMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < limitMs)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    return done();
}

struct Engine
{
    QTemporaryDir dir;
    TCheckEngine engine;

    explicit Engine(const QByteArray &ini)
    {
        QFile f(dir.filePath(QStringLiteral("vorlo.ini")));
        if (!f.open(QIODevice::WriteOnly))
            qFatal("cannot write the settings file");
        f.write(ini);
        f.close();
        engine.SettingsDir = dir.path();
        TIniFile file(f.fileName());
        engine.readSettings(file);
        for (int n = 1; n <= engine.Accounts.AccountCount; ++n)
            engine.Accounts.slot(n).CheckTimer->stop();
    }
};

// The slowest tick-to-end time of the four reachable accounts, in ms; -1 when one did not end.
double stalledAmongFive(int silentSlot)
{
    ScriptServer silent;
    if (!silent.setScript("S: +OK ready\nHOLD\n") || !silent.listen())
        qFatal("the silent server does not start");
    QByteArray ini = "[Main]\r\nECount=5\r\n";
    for (int n = 1; n <= 5; ++n) {
        if (n == silentSlot) {
            ini += section(n, "127.0.0.1:" + QByteArray::number(silent.port()), "joe", "x");
            continue;
        }
        const Dovecot::User u = Dovecot::addUser("bench");
        Dovecot::deliver(u, {Dovecot::message("Subject: hello")});
        ini += section(n, "127.0.0.1:" + QByteArray::number(Dovecot::plainPort()), u.name, u.password);
    }
    Engine e(ini);
    QHash<int, qint64> started, took;
    QElapsedTimer clock;
    clock.start();
    // A tick is the timeout of the account's check timer; the check starts within it.
    for (int n = 1; n <= 5; ++n)
        QObject::connect(e.engine.Accounts.slot(n).CheckTimer, &QTimer::timeout, &e.engine,
                         [&, n] { started.insert(n, clock.nsecsElapsed()); });
    QObject::connect(&e.engine, &TCheckEngine::checkFinished, &e.engine,
                     [&](int n, bool) { took.insert(n, clock.nsecsElapsed() - started.value(n)); });
    e.engine.scheduleActive();
    if (!runUntil([&] { return took.size() >= 4; }, 30000))
        return -1;
    qint64 worst = 0;
    for (auto it = took.cbegin(); it != took.cend(); ++it)
        worst = std::max(worst, it.value());
    e.engine.shutdown();
    return double(worst) / 1e6;
}

// Exit with `count` checks waiting: ms until every connection is closed.
double exitWithWaiting(int count)
{
    ScriptServer silent;
    if (!silent.setScript("S: +OK ready\nHOLD\n") || !silent.listen())
        qFatal("the silent server does not start");
    QByteArray ini = "[Main]\r\nECount=" + QByteArray::number(count) + "\r\n";
    for (int n = 1; n <= count; ++n)
        ini += section(n, "127.0.0.1:" + QByteArray::number(silent.port()), "joe", "x");
    Engine e(ini);
    e.engine.scheduleActive();
    if (!runUntil([&] { return silent.connectionCount() == count; }, 30000))
        return -1;
    QElapsedTimer clock;
    clock.start();
    e.engine.shutdown();
    if (!runUntil([&] { return silent.closedCount() == count; }, 30000))
        return -1;
    return double(clock.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    QString why;
    if (!Dovecot::load(&why)) {
        std::fprintf(stderr, "no test Dovecot: %s\n", qPrintable(why));
        return 1;
    }
    std::printf("%-44s %12s\n", "case", "median");
    for (const int slot : {1, 5}) {
        QList<double> v;
        for (int i = 0; i < runs; ++i)
            v << stalledAmongFive(slot);
        std::printf("stalled server in slot %d: slowest other check %8.1f ms\n", slot, median(v));
    }
    for (const int count : {5, 50}) {
        QList<double> v;
        for (int i = 0; i < runs; ++i)
            v << exitWithWaiting(count);
        std::printf("exit with %2d checks waiting: all closed in %11.1f ms\n", count, median(v));
    }
    return 0;
}
