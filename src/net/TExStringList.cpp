#include "net/TExStringList.h"

#include <algorithm>

namespace {

// The sort key of a line: its name, or the whole line when it has none.
QByteArrayView keyOf(const QByteArray &line)
{
    const qsizetype colon = line.indexOf(':');
    return colon < 0 ? QByteArrayView(line) : QByteArrayView(line).first(colon);
}

bool hasName(const QByteArray &line, QByteArrayView name)
{
    const qsizetype colon = line.indexOf(':');
    return colon >= 0 && QByteArrayView(line).first(colon).compare(name, Qt::CaseInsensitive) == 0;
}

bool keyLess(const QByteArray &a, const QByteArray &b)
{
    const int byKey = keyOf(a).compare(keyOf(b), Qt::CaseInsensitive);
    return byKey != 0 ? byKey < 0 : QByteArrayView(a).compare(b, Qt::CaseInsensitive) < 0;
}

} // namespace

void TExStringList::setSorted(bool sorted)
{
    m_sorted = sorted;
    if (sorted)
        std::stable_sort(begin(), end(), keyLess);
}

qsizetype TExStringList::IndexOfName(const QByteArray &name) const
{
    if (!m_sorted) {
        for (qsizetype i = 0; i < size(); ++i)
            if (hasName(at(i), name))
                return i;
        return -1;
    }
    // Halving to the first line whose key is not below the name, then over the lines of
    // that key: one of them may lack a colon and so have no name.
    qsizetype low = 0;
    qsizetype high = size();
    while (low < high) {
        const qsizetype mid = low + (high - low) / 2;
        if (keyOf(at(mid)).compare(name, Qt::CaseInsensitive) < 0)
            low = mid + 1;
        else
            high = mid;
    }
    for (qsizetype i = low; i < size() && keyOf(at(i)).compare(name, Qt::CaseInsensitive) == 0; ++i)
        if (hasName(at(i), name))
            return i;
    return -1;
}

void TExStringList::SetValue(const QByteArray &name, const QByteArray &value)
{
    const qsizetype found = IndexOfName(name);
    if (value.isEmpty()) {
        if (found >= 0)
            removeAt(found);
        return;
    }
    const QByteArray line = name + ": " + value;
    if (found < 0) {
        insertLine(line);
    } else if (m_sorted) {
        // A new value may belong elsewhere among lines of the same name.
        removeAt(found);
        insertLine(line);
    } else {
        replace(found, line);
    }
}

void TExStringList::insertLine(const QByteArray &line)
{
    if (!m_sorted) {
        append(line);
        return;
    }
    insert(std::upper_bound(begin(), end(), line, keyLess) - begin(), line);
}
