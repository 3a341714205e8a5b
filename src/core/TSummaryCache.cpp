#include "core/TSummaryCache.h"

#include "mail/TMailSummary.h"

#include <algorithm>

namespace {

constexpr quint64 LineBits = 0xFFFFFFFF;

// An index entry: the id's 32-bit hash above its line.
quint64 hashOf(const QByteArray &id)
{
    return quint64(quint32(qHash(id))) << 32;
}

quint64 hashAt(quint64 entry)
{
    return entry & ~LineBits;
}

qsizetype lineAt(quint64 entry)
{
    return qsizetype(entry & LineBits);
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
    // Ids on more than one line leave the index and the id list. Equal ids have equal hashes, so
    // they sit in one run of equal hashes, mostly a run of one; the whole run is compared before
    // anything leaves it.
    QList<qsizetype> doubled;
    for (qsizetype run = 0, end = 0; run < index.size(); run = end) {
        end = run + 1;
        while (end < index.size() && hashAt(index.at(end)) == hashAt(index.at(run)))
            ++end;
        for (qsizetype i = run; i < end; ++i)
            for (qsizetype j = i + 1; j < end; ++j)
                if (m_ids.at(lineAt(index.at(i))) == m_ids.at(lineAt(index.at(j))))
                    doubled << lineAt(index.at(i)) << lineAt(index.at(j));
    }
    for (const qsizetype line : std::as_const(doubled))
        m_ids[line] = QByteArray();
    index.removeIf([this](quint64 entry) { return m_ids.at(lineAt(entry)).isEmpty(); });
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
         it != m_index.cend() && hashAt(*it) == hash; ++it) {
        const qsizetype line = lineAt(*it);
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
