#include "mail/TMailSummary.h"

#include <QHash>

void TMailSummary::packLine(qsizetype k)
{
    if (k < 1 || k >= Subject.size() || k >= Sender.size() || k >= UniqueID.size())
        return;
    std::array<QByteArray, 3> packed =
        m_strings.pack<3>({QByteArrayView(Subject.at(k)), QByteArrayView(Sender.at(k)), QByteArrayView(UniqueID.at(k))});
    Subject[k] = std::move(packed[0]);
    Sender[k] = std::move(packed[1]);
    UniqueID[k] = std::move(packed[2]);
}

void TMailSummary::compact()
{
    // Each chunk by where its storage begins, with its capacity.
    QHash<const char *, qsizetype> chunks;
    const char *last = nullptr; // neighbouring lines mostly share a chunk: one lookup for them
    qsizetype live = 0;
    for (const QByteArrayList *list : {&Subject, &Sender, &UniqueID})
        for (qsizetype k = 1; k < list->size(); ++k) {
            const QByteArray &value = list->at(k);
            const char *chunk = TStringArena::chunkStart(value);
            if (!chunk)
                continue;
            live += value.size() + 1;
            if (chunk != last)
                chunks.insert(chunk, value.capacity()); // the whole storage, not what follows the slice
            last = chunk;
        }
    qsizetype held = 0;
    for (const qsizetype capacity : std::as_const(chunks))
        held += capacity;
    if (held <= 2 * live + 2 * TStringArena::ChunkBytes)
        return;
    m_strings.release();
    const qsizetype lines = std::min({Subject.size(), Sender.size(), UniqueID.size()});
    for (qsizetype k = 1; k < lines; ++k)
        packLine(k);
}
