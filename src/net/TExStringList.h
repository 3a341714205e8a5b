#pragma once

#include <QByteArray>
#include <QByteArrayList>

// A list of header lines, "name: value". A line's name is its text before the first ":";
// names compare without regard to case, and a line without a colon has no name.
class TExStringList : public QByteArrayList
{
public:
    using QByteArrayList::QByteArrayList;

    // While set, the list is ordered by name (lines without a name by their text), ignoring
    // case; SetValue inserts in order and IndexOfName searches by halving. Lines added
    // through the list's own operations must keep that order.
    bool Sorted() const { return m_sorted; }
    void setSorted(bool sorted);

    // The first line named `name`, or -1.
    qsizetype IndexOfName(const QByteArray &name) const;
    // A non-empty value replaces the line named `name` by "name: value" or adds that line;
    // an empty value removes the line.
    void SetValue(const QByteArray &name, const QByteArray &value);

private:
    void insertLine(const QByteArray &line);

    bool m_sorted = false;
};
