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
        const QByteArray *owner = nullptr;
        char *at = room(need, owner);
        std::array<QByteArray, N> slices;
        for (std::size_t i = 0; i < N; ++i) {
            if (!parts[i].isEmpty())
                memcpy(at, parts[i].data(), size_t(parts[i].size()));
            at[parts[i].size()] = '\0';
            slices[i] = sliceOf(*owner, at, parts[i].size());
            at += parts[i].size() + 1;
        }
        if (owner == &m_block)
            m_block = QByteArray(); // held by its slices alone
        return slices;
    }

    // Lets go of the chunk being filled; its slices keep it as long as they live.
    void release()
    {
        m_chunk = QByteArray();
        m_block = QByteArray();
        m_used = 0;
    }

private:
    void swap(TStringArena &other) noexcept
    {
        m_chunk.swap(other.m_chunk);
        m_block.swap(other.m_block);
        std::swap(m_used, other.m_used);
    }
    // Where `need` bytes may be written: the free end of the chunk, a new chunk, or a block
    // of their own; `owner` is set to the array whose storage that is.
    char *room(qsizetype need, const QByteArray *&owner);
    // `size` bytes at `at`, which lies in `owner`'s storage, as a slice sharing it.
    static QByteArray sliceOf(const QByteArray &owner, const char *at, qsizetype size);

    QByteArray m_chunk; // size 0: the bytes handed out lie in its capacity
    QByteArray m_block; // a group too large for a chunk, while it is being packed
    qsizetype m_used = 0;
};
