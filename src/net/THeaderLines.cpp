#include "net/THeaderLines.h"

#include "net/Pop3Parse.h"

#include <cstring>

QByteArrayView THeaderLines::at(qsizetype i) const
{
    Q_ASSERT(i >= 0 && i < m_lines);
    const char *from = m_text.constData();
    const char *const end = from + m_text.size();
    for (; i > 0; --i)
        from = static_cast<const char *>(std::memchr(from, '\n', size_t(end - from))) + 1;
    const char *stop = static_cast<const char *>(std::memchr(from, '\n', size_t(end - from)));
    return Pop3Parse::withoutLineEnd(QByteArrayView(from, stop + 1));
}

QByteArrayList THeaderLines::toList() const
{
    QByteArrayList lines;
    lines.reserve(m_lines);
    const char *from = m_text.constData();
    const char *const end = from + m_text.size();
    while (from != end) {
        const char *stop = static_cast<const char *>(std::memchr(from, '\n', size_t(end - from))) + 1;
        lines.append(Pop3Parse::withoutLineEnd(QByteArrayView(from, stop)).toByteArray());
        from = stop;
    }
    return lines;
}

void THeaderLines::append(QByteArrayView run, qsizetype lines)
{
    Q_ASSERT(run.isEmpty() == (lines == 0) && (run.isEmpty() || run.back() == '\n'));
    if (run.isEmpty())
        return;
    // Written through the storage while it is this list's alone and has room: one copy per
    // header, where the general append costs more than the copy.
    const qsizetype size = m_text.size();
    QByteArray::DataPointer &d = m_text.data_ptr();
    if (d.d_ptr() && !d.needsDetach() && d.freeSpaceAtEnd() >= run.size()) {
        char *at = d.data() + size;
        std::memcpy(at, run.data(), size_t(run.size()));
        at[run.size()] = '\0';
        d.size = size + run.size();
    } else {
        m_text.append(run);
    }
    m_lines += lines;
}
