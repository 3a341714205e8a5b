#include "core/TSummaryCache.h"

#include "mail/TMailSummary.h"

#include <QHash>
#include <QSet>

#include <algorithm>

namespace {

quint64 hashOf(const QByteArray &id)
{
    return quint64(quint32(qHash(id))) << 32;
}

} // namespace

void TSummaryCache::bindTo(const QByteArray &host, const QByteArray &user)
{
    if (host == m_host && user == m_user)
        return;
    clear();
    m_host = host;
    m_user = user;
}

qsizetype TSummaryCache::lineOf(const QByteArray &uniqueId) const
{
    if (uniqueId.isEmpty())
        return 0;
    const quint64 hash = hashOf(uniqueId);
    for (auto it = std::lower_bound(m_index.cbegin(), m_index.cend(), hash);
         it != m_index.cend() && (*it & ~quint64(0xFFFFFFFF)) == hash; ++it) {
        const qsizetype line = qsizetype(*it & 0xFFFFFFFF);
        if (m_ids.value(line) == uniqueId)
            return line;
    }
    return 0;
}

std::optional<TSummaryCache::Entry> TSummaryCache::find(const QByteArray &uniqueId) const
{
    const qsizetype line = lineOf(uniqueId);
    if (line == 0)
        return std::nullopt;
    return Entry{m_subjects.value(line), m_senders.value(line)};
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
    QList<quint64> index;
    index.reserve(kept.size());
    for (auto it = kept.cbegin(); it != kept.cend(); ++it)
        index.append(hashOf(it.key()) | quint32(it.value()));
    std::sort(index.begin(), index.end());
    m_index = std::move(index);
    m_ids = summary.UniqueID;
    m_subjects = summary.Subject;
    m_senders = summary.Sender;
}

void TSummaryCache::clear()
{
    // Assigned, not cleared: clearing a list still shared with a summary would allocate a fresh
    // one of the same capacity.
    m_index = {};
    m_ids = {};
    m_subjects = {};
    m_senders = {};
}
