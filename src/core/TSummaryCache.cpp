#include "core/TSummaryCache.h"

#include "mail/TMailSummary.h"

#include <QSet>

void TSummaryCache::bindTo(const QByteArray &host, const QByteArray &user)
{
    if (host == m_host && user == m_user)
        return;
    clear();
    m_host = host;
    m_user = user;
}

std::optional<TSummaryCache::Entry> TSummaryCache::find(const QByteArray &uniqueId) const
{
    if (uniqueId.isEmpty())
        return std::nullopt;
    const auto it = m_lines.constFind(uniqueId);
    if (it == m_lines.cend())
        return std::nullopt;
    return Entry{m_subjects.value(it.value()), m_senders.value(it.value())};
}

void TSummaryCache::keepOnly(const TMailSummary &summary)
{
    QHash<QByteArray, qint32> kept;
    QSet<QByteArray> doubled;
    kept.reserve(summary.UniqueID.size());
    for (qsizetype k = 1; k < summary.UniqueID.size(); ++k) {
        const QByteArray &id = summary.UniqueID.at(k);
        if (id.isEmpty() || doubled.contains(id))
            continue;
        if (kept.remove(id)) {
            doubled.insert(id);
            continue;
        }
        kept.insert(id, qint32(k));
    }
    m_lines = std::move(kept);
    m_subjects = summary.Subject;
    m_senders = summary.Sender;
}

void TSummaryCache::clear()
{
    m_lines.clear();
    m_subjects.clear();
    m_senders.clear();
}
