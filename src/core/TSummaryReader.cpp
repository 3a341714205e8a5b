#include "core/TSummaryReader.h"

#include "core/TSummaryCache.h"
#include "mail/TMailSummary.h"
#include "net/TNMPOP3.h"
#include "platform/Log.h"

TSummaryReader::TSummaryReader(TNMPOP3 *client, TMailSummary &summary, const TSummaryCache *cache,
                               std::function<bool()> stopped)
    : m_pop(client), m_summary(summary), m_cache(cache), m_stopped(std::move(stopped))
{
}

QCoro::Task<> TSummaryReader::read(qint32 count)
{
    if (count <= 0 || !m_pop || m_stopped())
        co_return;
    if (m_pop->canPipeline())
        co_await readPipelined(count);
    else
        co_await readOneByOne(count);
}

QCoro::Task<> TSummaryReader::readOneByOne(qint32 count)
{
    for (qint32 k = 1; k <= count && m_pop && !m_stopped(); ++k) {
        try {
            TMailSummary::padTo(m_summary.Subject, k);
            TMailSummary::padTo(m_summary.Sender, k);
            co_await m_pop->GetSummary(k);
            if (!m_pop || m_stopped())
                break;
            TMailSummary::padTo(m_summary.UniqueID, k);
            const QByteArray id = co_await m_pop->UniqueID(k);
            if (!m_pop || m_stopped())
                break;
            m_summary.UniqueID.insert(k, id);
            m_summary.packLine(k);
        } catch (...) {
            qCDebug(lcCheck) << "summary of message" << k << "not read:" << Log::currentError();
            // A message the server refused is skipped; a connection that is gone ends the
            // reading, however many messages the server claimed.
            if (!m_pop || !m_pop->Connected())
                break;
        }
    }
}

QCoro::Task<bool> TSummaryReader::readIdListing(qint32 count)
{
    if (!m_pop->hasCapability("UIDL"))
        co_return false;
    try {
        QByteArrayList ids = co_await m_pop->uniqueIdList();
        if (ids.size() == qsizetype(count) + 1)
            m_ids = std::move(ids);
    } catch (...) {
        qCDebug(lcCheck) << "id listing not read:" << Log::currentError();
        // The connection is gone; every read that follows fails at once.
    }
    co_return true;
}

QCoro::Task<> TSummaryReader::readIds(qint32 first, qint32 last)
{
    QList<TBatchItem> items;
    for (qint32 k = first; k <= last; ++k)
        items.append({k, false, false, true});
    if (m_ids.size() <= last)
        m_ids.resize(qsizetype(last) + 1);
    try {
        co_await m_pop->readBatch(items, {}, [this, &items](qsizetype i, const TBatchResult &r) {
            if (r.IdRead)
                m_ids[items.at(i).Number] = r.Id;
        });
    } catch (...) {
        qCDebug(lcCheck) << "ids" << first << "to" << last << "not read:" << Log::currentError();
    }
}

void TSummaryReader::lookUp(qint32 first, qint32 last)
{
    if (m_cacheLines.size() <= last)
        m_cacheLines.resize(qsizetype(last) + 1);
    if (!m_cache)
        return;
    for (qint32 k = first; k <= last; ++k) {
        const qsizetype line = m_cache->lineOf(idOf(k), k + m_shift);
        m_cacheLines[k] = qint32(line);
        if (line > 0)
            m_shift = line - k;
    }
}

QCoro::Task<> TSummaryReader::readSummaries(qint32 first, qint32 last, bool withSizes)
{
    lookUp(first, last);
    QList<TBatchItem> items;
    for (qint32 k = first; k <= last; ++k)
        if (m_cacheLines.at(k) == 0)
            items.append({k, true, withSizes, false});
    try {
        co_await m_pop->readBatch(
            items,
            [this, &items](qsizetype i) {
                if (m_stopped())
                    return;
                const qint32 k = items.at(i).Number;
                placeUpTo(k - 1);
                TMailSummary::padTo(m_summary.Subject, k);
                TMailSummary::padTo(m_summary.Sender, k);
            },
            [this, &items](qsizetype i, const TBatchResult &r) {
                if (m_stopped())
                    return;
                const qint32 k = items.at(i).Number;
                // As one by one: a message whose summary failed gets no id, so nothing
                // that depends on its header can pick it.
                if (r.SummaryRead && !idOf(k).isEmpty()) {
                    TMailSummary::padTo(m_summary.UniqueID, k);
                    m_summary.UniqueID.insert(k, idOf(k));
                    m_summary.packLine(k);
                }
                m_placed = k;
            });
    } catch (...) {
        qCDebug(lcCheck) << "summaries" << first << "to" << last << "not read:" << Log::currentError();
    }
}

QCoro::Task<> TSummaryReader::readPipelined(qint32 count)
{
    m_ids = {};
    m_cacheLines = {};
    m_shift = 0;
    m_placed = 0;
    // Where the server lists "UIDL", sizes come from the size listing already read.
    const bool listing = co_await readIdListing(count);
    const bool idsListed = !m_ids.isEmpty();
    for (qint64 from = 1; from <= count; from += Block) {
        if (!m_pop || m_stopped() || !m_pop->Connected())
            co_return;
        const qint32 first = qint32(from);
        const qint32 last = qint32(qMin<qint64>(count, from + Block - 1));
        if (!idsListed)
            co_await readIds(first, last);
        if (!m_pop || m_stopped() || !m_pop->Connected())
            co_return;
        co_await readSummaries(first, last, !listing);
        if (m_stopped())
            co_return;
        placeUpTo(last);
    }
}

void TSummaryReader::placeUpTo(qint32 k)
{
    while (m_placed < k)
        placeWithoutSummary(++m_placed);
}

void TSummaryReader::placeWithoutSummary(qint32 k)
{
    TMailSummary::padTo(m_summary.Subject, k);
    TMailSummary::padTo(m_summary.Sender, k);
    const qint32 line = k < m_cacheLines.size() ? m_cacheLines.at(k) : 0;
    if (line == 0)
        return;
    // The cache's id rather than the one just listed: equal, and it shares one allocation
    // with the subject and sender, so the line needs no packing.
    const TSummaryCache::Entry known = m_cache->entryAt(line);
    m_summary.Subject.append(known.Subject);
    m_summary.Sender.append(known.Sender);
    TMailSummary::padTo(m_summary.UniqueID, k);
    m_summary.UniqueID.insert(k, known.UniqueID);
}
