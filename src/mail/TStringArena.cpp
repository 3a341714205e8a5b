#include "mail/TStringArena.h"

namespace {

// The first byte a byte array may hold: its data pointer, which for one of size 0 is where
// its capacity begins.
char *storageOf(const QByteArray &array)
{
    // Writing into capacity past the end is safe while this arena is the only writer: the
    // slices handed out cover only bytes written before them and never read past their NUL.
    return const_cast<char *>(array.constData());
}

} // namespace

char *TStringArena::room(qsizetype need, const QByteArray *&owner)
{
    if (need > ChunkBytes) {
        m_block = QByteArray();
        m_block.reserve(need);
        owner = &m_block;
        return storageOf(m_block);
    }
    if (m_chunk.isNull() || m_used + need > m_chunk.capacity()) {
        m_chunk = QByteArray();
        m_chunk.reserve(ChunkBytes);
        m_used = 0;
    }
    char *at = storageOf(m_chunk) + m_used;
    m_used += need;
    owner = &m_chunk;
    return at;
}

QByteArray TStringArena::sliceOf(const QByteArray &owner, const char *at, qsizetype size)
{
    if (size == 0)
        return {};
    QByteArray shared = owner;
    QByteArray::DataPointer part = std::move(shared.data_ptr());
    part.ptr = const_cast<char *>(at);
    part.size = size;
    return QByteArray(std::move(part));
}
