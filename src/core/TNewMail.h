#pragma once

#include <QList>
#include <QString>

#include <utility>

// What a check found that is new, for a notification.
struct TNewMail
{
    quint64 Serial = 0; // the account's identity
    QString Account;    // its name as shown
    qint32 Count = 0;   // new messages; on the first check of a run the box's count
    // Only the count is told: the first check of a run, or an account without a mail list.
    bool CountOnly = false;
    // Decoded sender and subject of the new messages, in the server's order.
    QList<std::pair<QString, QString>> Messages;
};
