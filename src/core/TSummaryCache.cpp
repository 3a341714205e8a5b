#include "core/TSummaryCache.h"

#include "mail/TMailSummary.h"

#include <algorithm>

namespace {

constexpr quint64 LineBits = 0xFFFFFFFF;

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

void TSummaryCache::buildIndex() const
{
    m_indexed = true;
    QList<quint64> index;
    index.reserve(m_ids.size());
    for (qsizetype k = 1; k < m_ids.size(); ++k)
        if (!m_ids.at(k).isEmpty())
            index.append(hashOf(m_ids.at(k)) | quint64(k));
    std::sort(index.begin(), index.end());
    // Ids on more than one line leave the index and the id list: equal ids have equal hashes,
    // so they sit in one run of equal hashes, mostly a run of one.
    QList<qsizetype> doubled;
    qsizetype kept = 0;
    for (qsizetype run = 0; run < index.size();) {
        qsizetype end = run + 1;
        while (end < index.size() && (index.at(end) & ~LineBits) == (index.at(run) & ~LineBits))
            ++end;
        for (qsizetype i = run; i < end; ++i) {
            const QByteArray &id = m_ids.at(qsizetype(index.at(i) & LineBits));
            bool twice = false;
            for (qsizetype j = run; j < end && !twice; ++j)
                twice = j != i && m_ids.at(qsizetype(index.at(j) & LineBits)) == id;
            if (twice)
                doubled.append(qsizetype(index.at(i) & LineBits));
            else
                index[kept++] = index.at(i);
        }
        run = end;
    }
    index.resize(kept);
    for (const qsizetype line : std::as_const(doubled))
        m_ids[line] = QByteArray();
    m_index = std::move(index);
}

qsizetype TSummaryCache::lineOf(const QByteArray &uniqueId, qsizetype hint) const
{
    if (uniqueId.isEmpty() || m_ids.size() < 2)
        return 0;
    if (!m_indexed)
        buildIndex();
    if (hint > 0 && hint < m_ids.size() && m_ids.at(hint) == uniqueId)
        return hint;
    const quint64 hash = hashOf(uniqueId);
    for (auto it = std::lower_bound(m_index.cbegin(), m_index.cend(), hash);
         it != m_index.cend() && (*it & ~LineBits) == hash; ++it) {
        const qsizetype line = qsizetype(*it & LineBits);
        if (m_ids.at(line) == uniqueId)
            return line;
    }
    return 0;
}

TSummaryCache::Entry TSummaryCache::entryAt(qsizetype line) const
{
    return Entry{TMailSummary::lineOf(m_subjects, line), TMailSummary::lineOf(m_senders, line),
                 TMailSummary::lineOf(m_ids, line)};
}

void TSummaryCache::keepOnly(const TMailSummary &summary)
{
    m_ids = summary.UniqueID;
    m_subjects = summary.Subject;
    m_senders = summary.Sender;
    m_index = {};
    m_indexed = false;
}

void TSummaryCache::clear()
{
    // Assigned, not cleared: clearing a list still shared with a summary would allocate a fresh
    // one of the same capacity.
    m_index = {};
    m_indexed = false;
    m_ids = {};
    m_subjects = {};
    m_senders = {};
}
