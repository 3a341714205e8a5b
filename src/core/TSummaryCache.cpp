#include "core/TSummaryCache.h"

#include "mail/TMailSummary.h"

void TSummaryCache::bindTo(const QByteArray &host, const QByteArray &user)
{
    if (host == m_host && user == m_user)
        return;
    m_entries.clear();
    m_host = host;
    m_user = user;
}

const TSummaryCache::Entry *TSummaryCache::find(const QByteArray &uniqueId) const
{
    if (uniqueId.isEmpty())
        return nullptr;
    const auto it = m_entries.constFind(uniqueId);
    return it == m_entries.cend() ? nullptr : &it.value();
}

void TSummaryCache::keepOnly(const TMailSummary &summary)
{
    QHash<QByteArray, Entry> kept;
    QHash<QByteArray, bool> doubled;
    kept.reserve(summary.UniqueID.size());
    for (qsizetype k = 1; k < summary.UniqueID.size(); ++k) {
        const QByteArray &id = summary.UniqueID.at(k);
        if (id.isEmpty() || doubled.contains(id))
            continue;
        if (kept.contains(id)) {
            kept.remove(id);
            doubled.insert(id, true);
            continue;
        }
        kept.insert(id, {summary.Subject.value(k), summary.Sender.value(k)});
    }
    m_entries = std::move(kept);
}

void TSummaryCache::clear()
{
    m_entries.clear();
}
