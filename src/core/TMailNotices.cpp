#include "core/TMailNotices.h"

#include "core/TCheckEngine.h"
#include "core/TSilent.h"
#include "platform/DesktopNotifier.h"

TMailNotices::TMailNotices(TCheckEngine &engine, DesktopNotifier &notifier, QObject *parent)
    : QObject(parent), m_engine(engine)
{
    connect(&engine, &TCheckEngine::newMail, this, [this, n = &notifier](int, const TNewMail &mail) {
        if (!m_engine.Options.Notify)
            return;
        const auto [title, body] = text(mail);
        runSilently([&] { n->show(mail.Serial, title, body); });
    });
    connect(&notifier, &DesktopNotifier::activated, this, [this](quint64 serial) {
        // The account may have moved or gone since the notification was shown.
        if (const qint32 account = m_engine.Accounts.slotOfSerial(serial); account > 0)
            emit openMailList(account);
    });
}

QString TMailNotices::senderName(const QString &from)
{
    const QString s = from.trimmed();
    const qsizetype open = s.lastIndexOf(QLatin1Char('<'));
    if (open <= 0)
        return open == 0 && s.endsWith(QLatin1Char('>')) ? s.mid(1, s.size() - 2) : s;
    QString name = s.left(open).trimmed();
    if (name.size() >= 2 && name.startsWith(QLatin1Char('"')) && name.endsWith(QLatin1Char('"')))
        name = name.mid(1, name.size() - 2);
    return name.isEmpty() ? s : name;
}

std::pair<QString, QString> TMailNotices::text(const TNewMail &mail)
{
    const QString count = mail.Count == 1 ? QStringLiteral("1 new message")
                                          : QStringLiteral("%1 new messages").arg(mail.Count);
    if (mail.CountOnly || mail.Messages.isEmpty())
        return {mail.Account, count};
    QStringList lines;
    for (qsizetype i = 0; i < mail.Messages.size() && i < MessagesNamed; ++i) {
        const auto &[from, subject] = mail.Messages.at(i);
        const QString sender = senderName(from);
        const QString shownSubject = subject.isEmpty() ? QStringLiteral("(no subject)") : subject;
        lines << (sender.isEmpty() ? shownSubject : sender + QStringLiteral(": ") + shownSubject);
    }
    if (mail.Messages.size() > MessagesNamed)
        lines << QStringLiteral("and %1 more").arg(mail.Messages.size() - MessagesNamed);
    return {mail.Account, lines.join(QLatin1Char('\n'))};
}
