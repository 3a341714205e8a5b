#include "auth/OAuthCommand.h"

#include "platform/GeneralError.h"
#include "platform/Log.h"

#include "auth/ProcessEnd.h"

#include <QCoro/QCoroSignal>
#include <QProcess>

namespace {

// Enough for any token; what goes beyond is read and dropped, so a chatty command never
// fills memory or blocks on a full pipe.
constexpr qsizetype MaxOutput = 64 * 1024;
constexpr qsizetype MaxErrorText = 300;
// How long a killed command may take to be reaped.
constexpr std::chrono::seconds ReapTimeout{5};

void keepBounded(QByteArray &kept, const QByteArray &more)
{
    kept += more.left(MaxOutput - kept.size());
}

QString errorText(const QByteArray &stderrOutput)
{
    QString text = QString::fromLocal8Bit(stderrOutput).simplified();
    if (text.size() > MaxErrorText)
        text = text.left(MaxErrorText) + QStringLiteral("...");
    return text;
}

QString withDetail(const QString &what, const QString &detail)
{
    return detail.isEmpty() ? what : QStringLiteral("%1: %2").arg(what, detail);
}

} // namespace

QCoro::Task<QByteArray> OAuthCommand::accessToken(QString commandLine, std::chrono::milliseconds timeout)
{
    QStringList words = QProcess::splitCommand(commandLine);
    if (words.isEmpty())
        throw EGeneralError(QStringLiteral("No OAuth command is set for this account"));
    const QString program = words.takeFirst();

    // Declared before the process: its destructor may still report output.
    QByteArray out;
    QByteArray err;
    QProcess process;
    QObject::connect(&process, &QProcess::readyReadStandardOutput, &process,
                     [&] { keepBounded(out, process.readAllStandardOutput()); });
    QObject::connect(&process, &QProcess::readyReadStandardError, &process,
                     [&] { keepBounded(err, process.readAllStandardError()); });
    process.setProgram(program);
    process.setArguments(words);
    process.setStandardInputFile(QProcess::nullDevice());
    ProcessEnd end(process);
    qCDebug(lcAuth) << "running the OAuth command" << program;
    process.start(QIODevice::ReadOnly);
    if (!co_await qCoro(&end, &ProcessEnd::ended, timeout)) {
        process.kill();
        co_await qCoro(&end, &ProcessEnd::ended, ReapTimeout);
        throw EGeneralError(withDetail(QStringLiteral("The OAuth command did not finish within %1 ms")
                                           .arg(timeout.count()),
                                       errorText(err)));
    }
    if (process.error() == QProcess::FailedToStart)
        throw EGeneralError(withDetail(QStringLiteral("The OAuth command could not be started"), process.errorString()));
    keepBounded(out, process.readAllStandardOutput());
    keepBounded(err, process.readAllStandardError());
    if (process.exitStatus() == QProcess::CrashExit)
        throw EGeneralError(withDetail(QStringLiteral("The OAuth command crashed"), errorText(err)));
    if (process.exitCode() != 0)
        throw EGeneralError(withDetail(QStringLiteral("The OAuth command failed with exit code %1")
                                           .arg(process.exitCode()),
                                       errorText(err)));
    const qsizetype lineEnd = out.indexOf('\n');
    const QByteArray token = (lineEnd < 0 ? out : out.left(lineEnd)).trimmed();
    if (token.isEmpty())
        throw EGeneralError(withDetail(QStringLiteral("The OAuth command printed no access token"), errorText(err)));
    co_return token;
}
