#pragma once

#include <QByteArray>
#include <QString>

class QDateTime;
class QLocale;
class QWidget;

// The log of deleted messages, "vorlolog.log" in the settings directory: one "|"-separated
// record per line, appended with one open, write and close each, never read back.
class TEventLog
{
public:
    static constexpr const char *DeletedEvent = "Deleted";

    explicit TEventLog(const QString &settingsDir);

    QString fileName() const;

    // Appends one record stamped with the current local time. Never fails visibly: a record
    // that cannot be written is lost and nothing else happens.
    void writeRecord(const QByteArray &event, const QByteArray &accountName, const QByteArray &subject,
                     const QByteArray &sender, const QByteArray &size,
                     const QByteArray &uniqueId) const noexcept;

    // The record's bytes. The unique id's own CR LF ends the record; an id without one gets it.
    static QByteArray formatRecord(const QDateTime &when, const QLocale &locale, const QByteArray &event,
                                   const QByteArray &accountName, const QByteArray &subject,
                                   const QByteArray &sender, const QByteArray &size,
                                   const QByteArray &uniqueId);
    // The locale's short date, a blank and its long time without the zone; the time is left out
    // at exactly midnight.
    static QString formatDateTime(const QDateTime &when, const QLocale &locale);

    // "Show Log File": opens the log in the desktop's text viewer, or says why it cannot.
    // Returns true when the viewer was started.
    bool showLogFile(QWidget *parent = nullptr) const;

private:
    QString m_settingsDir;
};
