#pragma once

#include <QByteArray>
#include <QString>
#include <stdexcept>

// The general failure of our components: it carries the message text (for a server,
// its reply line as received). Specialised errors derive from it.
class EGeneralError : public std::runtime_error
{
public:
    explicit EGeneralError(const QString &message)
        : std::runtime_error(message.toStdString()), m_message(message) {}
    explicit EGeneralError(const QByteArray &message)
        : std::runtime_error(message.toStdString()), m_message(QString::fromUtf8(message)) {}
    const QString &message() const noexcept { return m_message; }

private:
    QString m_message;
};
