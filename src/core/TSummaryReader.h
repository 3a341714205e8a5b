#pragma once

#include "core/TSummaryCache.h"

#include <QByteArray>
#include <QPointer>

#include <QCoro/QCoroTask>

#include <functional>

class TNMPOP3;
struct TMailSummary;

// Reads an account's message list over its connected client into the account's summary
// lists: sizes through the client's OnList, subjects and senders through its OnRetrieveEnd
// (the checker window's handlers append them), unique ids here. Line k of every list
// belongs to message k; a message whose reading failed keeps empty lines.
//
// A server that lists "PIPELINING" gets the per-message commands in batches; one that also
// lists "UIDL" gives every id with one listing, and messages whose id the cache knows are
// not asked for again. Every other server gets one command at a time, as always.
class TSummaryReader
{
public:
    // `stopped` tells when the reading must end at once (shutdown, client gone).
    TSummaryReader(TNMPOP3 *client, TMailSummary &summary, const TSummaryCache *cache,
                   std::function<bool()> stopped);

    // Messages 1..count; the lists start from their titles.
    [[nodiscard]] QCoro::Task<> read(qint32 count);

private:
    // Messages are read in blocks of this many, so what the reading holds besides the
    // lists stays bounded whatever count the server claims (some 40 bytes a message). Each
    // block ends its pipelined batch, a round trip on a slow link: blocks are large.
    static constexpr qint32 Block = 10000;

    [[nodiscard]] QCoro::Task<> readOneByOne(qint32 count);
    [[nodiscard]] QCoro::Task<> readPipelined(qint32 count);
    [[nodiscard]] QCoro::Task<bool> readIdListing(qint32 count);
    [[nodiscard]] QCoro::Task<> readIds(qint32 first, qint32 last);
    [[nodiscard]] QCoro::Task<> readSummaries(qint32 first, qint32 last, bool withSizes);
    // Message k's lines from the cache, or its empty lines when the cache does not know it.
    void placeWithoutSummary(qint32 k);
    void placeUpTo(qint32 k);
    // Message k's id as read over this connection; empty where none was read.
    QByteArray idOf(qint32 k) const { return k < m_ids.size() ? m_ids.at(k) : QByteArray(); }
    // Looks messages first..last up in the cache.
    void lookUp(qint32 first, qint32 last);

    QPointer<TNMPOP3> m_pop;
    TMailSummary &m_summary;
    const TSummaryCache *m_cache;
    std::function<bool()> m_stopped;
    QByteArrayList m_ids;       // line k: message k's id read over this connection, or empty
    QList<qint32> m_cacheLines; // line k: message k's line in the cache, or 0
    qsizetype m_shift = 0;      // how far the last id found in the cache had moved
    qint32 m_placed = 0;        // messages 1..m_placed have their lines
};
