#include "mail/TFilterEngine.h"
#include "platform/Log.h"

#include <QByteArrayView>
#include <QSet>

#include <optional>
#include <string_view>

namespace {

// Decimal with an optional sign, within 32 bits; anything else is no number.
std::optional<qint32> decimal(QByteArrayView text)
{
    bool negative = false;
    if (!text.isEmpty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text = text.sliced(1);
    }
    if (text.isEmpty())
        return std::nullopt;
    const qint64 limit = negative ? 2147483648LL : 2147483647LL;
    qint64 value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > limit)
            return std::nullopt;
    }
    return static_cast<qint32>(negative ? -value : value);
}

struct SizeError
{
};

qint32 sizeInKb(const QByteArray &sizeText)
{
    if (sizeText.size() < 3)
        throw SizeError();
    const std::optional<qint32> kb = decimal(QByteArrayView(sizeText).chopped(3)); // drop " kB"
    if (!kb)
        throw SizeError();
    return *kb;
}

qint32 argumentNumber(const QByteArray &argument)
{
    const std::optional<qint32> n = decimal(argument);
    if (!n)
        throw SizeError();
    return *n;
}

// As QByteArray::contains: every text contains the empty one. A rule runs over every message
// of a box; the standard search skips to the first byte's matches with memchr, which is
// quicker on these short texts than the general search that hashes them.
bool contains(QByteArrayView text, QByteArrayView part)
{
    return std::string_view(text.data(), size_t(text.size())).find(std::string_view(part.data(), size_t(part.size()))) !=
           std::string_view::npos;
}

bool matches(const TFilter &rule, const TMailSummary &summary, qsizetype m)
{
    switch (rule.IfCondition) {
    case TFilterEngine::SenderContains:
        return contains(TMailSummary::lineOf(summary.Sender, m), rule.Argument);
    case TFilterEngine::SenderDoesNotContain:
        return !contains(TMailSummary::lineOf(summary.Sender, m), rule.Argument);
    case TFilterEngine::SubjectIs: {
        // The subject keeps the blank that followed "Subject:". Compared in place: no text is
        // built per message.
        const QByteArrayView subject = TMailSummary::lineOf(summary.Subject, m);
        return subject.startsWith(' ') && subject.sliced(1) == rule.Argument;
    }
    case TFilterEngine::SubjectContains:
        return contains(TMailSummary::lineOf(summary.Subject, m), rule.Argument);
    case TFilterEngine::SubjectDoesNotContain:
        return !contains(TMailSummary::lineOf(summary.Subject, m), rule.Argument);
    case TFilterEngine::SizeIs: {
        const QByteArrayView size = TMailSummary::lineOf(summary.Size, m);
        return size.endsWith(" kB") && size.chopped(3) == rule.Argument;
    }
    case TFilterEngine::SizeIsSmallerThan: {
        const qint32 argument = argumentNumber(rule.Argument);
        return sizeInKb(TMailSummary::lineOf(summary.Size, m)) < argument;
    }
    case TFilterEngine::SizeIsLargerThan: {
        const qint32 argument = argumentNumber(rule.Argument);
        return argument < sizeInKb(TMailSummary::lineOf(summary.Size, m));
    }
    default:
        return false;
    }
}

} // namespace

void TFilterEngine::evaluate(const QList<TFilter> &rules, qint32 account, qint32 mailCount,
                             TMailSummary &summary)
{
    // A set beside the list keeps a large mailbox linear.
    QSet<QByteArray> queued(summary.Pending.cbegin(), summary.Pending.cend());
    try {
        for (const TFilter &rule : rules) {
            if (rule.Account != 0 && rule.Account != account)
                continue;
            for (qsizetype m = 1; m <= mailCount; ++m) {
                if (!matches(rule, summary, m))
                    continue;
                const QByteArray id = TMailSummary::lineOf(summary.UniqueID, m);
                // A message without an id cannot be found again for deletion.
                if (!id.isEmpty() && !queued.contains(id)) {
                    queued.insert(id);
                    summary.Pending.append(id);
                }
            }
        }
    } catch (const SizeError &) {
        qCDebug(lcCheck) << "filters of account" << account << "stopped: a size is not a number";
        // Ends this evaluation silently; the next check stops at the same place.
    }
}

const QStringList &TFilterEngine::conditionTexts()
{
    static const QStringList texts = {
        QStringLiteral("sender contains"),
        QStringLiteral("sender does not contain"),
        QStringLiteral("subject is"),
        QStringLiteral("subject contains"),
        QStringLiteral("subject does not contain"),
        QStringLiteral("size is"),
        QStringLiteral("size is smaller than"),
        QStringLiteral("size is larger than"),
    };
    return texts;
}

const QStringList &TFilterEngine::actionTexts()
{
    static const QStringList texts = {QStringLiteral("delete mail")};
    return texts;
}
