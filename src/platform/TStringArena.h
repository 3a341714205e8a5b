#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <array>
#include <cstddef>
#include <cstring>
#include <utility>

// Copies strings that are read once and never change into shared chunks and hands out byte
// arrays that are implicitly shared slices of them: one allocation for many strings instead
// of one each, with its header and the allocator's rounding. A slice holds its chunk alive, and
// a chunk is freed with its last slice.
//
// A copy starts chunks of its own: two arenas writing into the free end of one chunk would
// write over each other's strings.
class TStringArena
{
public:
    // Bytes a chunk holds; a group of strings larger than that gets a block of its own.
    static constexpr qsizetype ChunkBytes = 16 * 1024 - 64;

    TStringArena() = default;
    TStringArena(const TStringArena &) {}
    TStringArena &operator=(const TStringArena &other)
    {
        if (this != &other)
            release();
        return *this;
    }
    TStringArena(TStringArena &&other) noexcept { swap(other); }
    TStringArena &operator=(TStringArena &&other) noexcept
    {
        TStringArena gone(std::move(other));
        swap(gone);
        return *this;
    }

    // The parts copied one right behind the other, each followed by a NUL so that every
    // slice ends in one, as every byte array does. An empty part gives an empty array.
    template <std::size_t N>
    std::array<QByteArray, N> pack(const std::array<QByteArrayView, N> &parts)
    {
        qsizetype need = 0;
        for (const QByteArrayView part : parts)
            need += part.size() + 1;
        // A group larger than a chunk gets a block of its own, held by its slices alone.
        QByteArray block;
        const QByteArray &owner = need > ChunkBytes ? block : m_chunk;
        char *at = need > ChunkBytes ? reserved(block, need) : room(need);
        std::array<QByteArray, N> slices;
        for (std::size_t i = 0; i < N; ++i) {
            if (!parts[i].isEmpty())
                memcpy(at, parts[i].data(), size_t(parts[i].size()));
            at[parts[i].size()] = '\0';
            slices[i] = sliceOf(owner, at, parts[i].size());
            at += parts[i].size() + 1;
        }
        return slices;
    }

    // Where the storage of `value` begins: the same for every slice of one chunk; null for an
    // array without storage of its own.
    static const char *chunkStart(const QByteArray &value);

    // Lets go of the chunk being filled; its slices keep it as long as they live.
    void release()
    {
        m_chunk = QByteArray();
        m_used = 0;
    }

private:
    void swap(TStringArena &other) noexcept
    {
        m_chunk.swap(other.m_chunk);
        std::swap(m_used, other.m_used);
    }
    // Where `need` bytes (at most a chunk) may be written: the free end of the chunk, or a new one.
    char *room(qsizetype need);
    // `array` emptied with room for `bytes`, and where that room begins.
    static char *reserved(QByteArray &array, qsizetype bytes);
    // `size` bytes at `at`, which lies in `owner`'s storage, as a slice sharing it.
    static QByteArray sliceOf(const QByteArray &owner, const char *at, qsizetype size);

    QByteArray m_chunk; // size 0: the bytes handed out lie in its capacity
    qsizetype m_used = 0;
};
