#include "platform/ExitSignals.h"

#include <QGuiApplication>
#include <QSessionManager>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

// A signal handler may do almost nothing, so it only writes one byte into a socket pair;
// the notifier on the other end turns that byte into exitRequested in the event loop.

namespace {

volatile sig_atomic_t g_writeFd = -1;

void onSignal(int signalNumber)
{
    const int savedErrno = errno;
    const int fd = g_writeFd;
    if (fd >= 0) {
        const char byte = static_cast<char>(signalNumber);
        [[maybe_unused]] const ssize_t written = ::write(fd, &byte, 1);
    }
    errno = savedErrno;
}

constexpr int HandledSignals[] = {SIGTERM, SIGINT};

} // namespace

struct ExitSignals::Private
{
    int fds[2] = {-1, -1};
    sig_atomic_t previousWriteFd = -1;
    struct sigaction previous[std::size(HandledSignals)] = {};
    QSocketNotifier *notifier = nullptr;
};

ExitSignals::ExitSignals(QObject *parent)
    : QObject(parent), d(new Private)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, d->fds) == 0) {
        d->notifier = new QSocketNotifier(d->fds[1], QSocketNotifier::Read, this);
        connect(d->notifier, &QSocketNotifier::activated, this, [this] {
            char bytes[64];
            while (::read(d->fds[1], bytes, sizeof bytes) > 0) {
            }
            emit exitRequested();
        });
        // The newest instance receives the signals; the destructor hands them back.
        d->previousWriteFd = g_writeFd;
        g_writeFd = d->fds[0];
        struct sigaction action = {};
        action.sa_handler = onSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (std::size_t i = 0; i < std::size(HandledSignals); ++i)
            ::sigaction(HandledSignals[i], &action, &d->previous[i]);
    }

#ifndef QT_NO_SESSIONMANAGER
    // The session manager ending the session asks for the same orderly exit.
    if (auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        connect(app, &QGuiApplication::commitDataRequest, this, &ExitSignals::exitRequested);
#endif
}

ExitSignals::~ExitSignals()
{
    if (d->fds[0] >= 0) {
        for (std::size_t i = 0; i < std::size(HandledSignals); ++i)
            ::sigaction(HandledSignals[i], &d->previous[i], nullptr);
        g_writeFd = d->previousWriteFd;
        delete d->notifier;
        ::close(d->fds[0]);
        ::close(d->fds[1]);
    }
    delete d;
}
