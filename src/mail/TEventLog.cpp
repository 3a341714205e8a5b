#include "mail/TEventLog.h"

#include "platform/Platform.h"
#include "platform/ProcessLauncher.h"
#include "platform/UserPrompts.h"
#include "platform/Log.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

namespace {

const QString LogFileName = QStringLiteral("vorlolog.log");
const QString ViewerCommand = QStringLiteral("xdg-open");

// The long time format without its time-zone field, which a log line does not need.
QString timeFormatWithoutZone(const QLocale &locale)
{
    const QString format = locale.timeFormat(QLocale::LongFormat);
    QString out;
    bool quoted = false;
    for (QChar c : format) {
        if (c == u'\'')
            quoted = !quoted;
        if (!quoted && c == u't')
            continue;
        out += c;
    }
    return out.trimmed();
}

// One argument for a command line split the shell's way: quoted, literal quotes tripled.
QString quoteArgument(QString argument)
{
    argument.replace(u'"', QStringLiteral("\"\"\""));
    return u'"' + argument + u'"';
}

} // namespace

TEventLog::TEventLog(const QString &settingsDir) : m_settingsDir(settingsDir) {}

QString TEventLog::fileName() const
{
    return Platform::joinPath(m_settingsDir, LogFileName);
}

QString TEventLog::formatDateTime(const QDateTime &when, const QLocale &locale)
{
    QString text = locale.toString(when.date(), QLocale::ShortFormat);
    if (when.time() != QTime(0, 0))
        text += u' ' + locale.toString(when.time(), timeFormatWithoutZone(locale));
    return text;
}

QByteArray TEventLog::formatRecord(const QDateTime &when, const QLocale &locale, const QByteArray &event,
                                   const QByteArray &accountName, const QByteArray &subject,
                                   const QByteArray &sender, const QByteArray &size,
                                   const QByteArray &uniqueId)
{
    QByteArray id = uniqueId;
    while (id.endsWith('\n') || id.endsWith('\r'))
        id.chop(1);
    // Fields go in as they are: a "|" inside a subject stays a "|".
    return formatDateTime(when, locale).toUtf8() + '|' + event + '|' + accountName + '|' + subject + '|' +
           sender + '|' + size + '|' + id + "\r\n";
}

void TEventLog::writeRecord(const QByteArray &event, const QByteArray &accountName, const QByteArray &subject,
                            const QByteArray &sender, const QByteArray &size,
                            const QByteArray &uniqueId) const noexcept
{
    try {
        const QByteArray record = formatRecord(QDateTime::currentDateTime(), QLocale::system(), event,
                                               accountName, subject, sender, size, uniqueId);
        QFile file(fileName());
        // Append mode: copies of the program sharing the directory add whole records.
        // Subjects, senders and ids are private: the owner alone reads the log, one written
        // by an older version included.
        const QFile::Permissions own = QFile::ReadOwner | QFile::WriteOwner;
        if (!file.open(QIODevice::WriteOnly | QIODevice::Append, own)) {
            qCDebug(lcCheck) << "log file not written:" << file.errorString();
            return;
        }
        if ((file.permissions() & ~(own | QFile::ReadUser | QFile::WriteUser)) != 0)
            file.setPermissions(own);
        file.write(record);
        file.close();
    } catch (...) {
        qCDebug(lcCheck) << "log record not written:" << Log::currentError();
        // The log never disturbs the deletion it records.
    }
}

bool TEventLog::showLogFile(QWidget *parent) const
{
    const QString path = fileName();
    if (!QFileInfo::exists(path)) {
        UserPrompts::instance().message(parent, QStringLiteral("Error"),
                                        QStringLiteral("There are no logged Events"),
                                        UserPrompts::Icon::Critical, {UserPrompts::Button::Ok});
        return false;
    }
    // The full path: the log lives in the settings directory, whatever the current one is.
    if (ProcessLauncher::instance().start(ViewerCommand + u' ' + quoteArgument(path), m_settingsDir))
        return true;
    UserPrompts::instance().message(
        parent, QStringLiteral("Error"),
        QStringLiteral(
            "Cannot detect external viewer\n\rOpen \"VorloLog.log\" with Notepad to access the log file!"),
        UserPrompts::Icon::Critical, {UserPrompts::Button::Ok});
    return false;
}
