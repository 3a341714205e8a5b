#pragma once

#include "core/TNewMail.h"

#include <QObject>
#include <QString>

#include <utility>

class DesktopNotifier;
class TCheckEngine;

// Desktop notifications of new mail ("Notify"): one per account, replacing its previous one,
// naming up to three new messages; clicking one asks for that account's mail list.
class TMailNotices : public QObject
{
    Q_OBJECT
public:
    TMailNotices(TCheckEngine &engine, DesktopNotifier &notifier, QObject *parent = nullptr);

    // The title and body told for `mail`.
    static std::pair<QString, QString> text(const TNewMail &mail);
    // "Ann Smith" of "Ann Smith <ann@example.org>", the address where no name is given.
    static QString senderName(const QString &from);

    static constexpr int MessagesNamed = 3;

signals:
    void openMailList(int account);

private:
    TCheckEngine &m_engine;
};
