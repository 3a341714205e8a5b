#include "platform/TStringArena.h"

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

const char *TStringArena::chunkStart(const QByteArray &value)
{
    // data_ptr() has no const form; nothing is changed through it.
    QByteArray::DataPointer &d = const_cast<QByteArray &>(value).data_ptr();
    return d.d_ptr() ? d.data() - d.freeSpaceAtBegin() : nullptr;
}

char *TStringArena::reserved(QByteArray &array, qsizetype bytes)
{
    array = QByteArray();
    array.reserve(bytes);
    return storageOf(array);
}

char *TStringArena::room(qsizetype need)
{
    if (m_chunk.isNull() || m_used + need > m_chunk.capacity()) {
        reserved(m_chunk, ChunkBytes);
        m_used = 0;
    }
    char *at = storageOf(m_chunk) + m_used;
    m_used += need;
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
