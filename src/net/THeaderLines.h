#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QByteArrayView>

// The lines of one message's header as the server sent them, held in one piece: a header
// arrives as a run of lines lying one behind the other, and copying the run at once costs a
// fraction of keeping each line apart. Lines are handed out without their line ends.
class THeaderLines
{
public:
    qsizetype size() const { return m_lines; }
    bool isEmpty() const { return m_lines == 0; }
    // Line i, 0 <= i < size(); found by a scan, for the few that look at a header's lines.
    QByteArrayView at(qsizetype i) const;
    QByteArrayView last() const { return at(m_lines - 1); }
    QByteArrayList toList() const;

    // Empty, with the storage kept for the next header.
    void clear()
    {
        m_text.resize(0);
        m_lines = 0;
    }
    // Appends `lines` whole lines that lie one behind the other in `run`, each ending in LF
    // (CR LF or a bare LF), as a connection cuts them.
    void append(QByteArrayView run, qsizetype lines);

private:
    QByteArray m_text; // the lines with their line ends
    qsizetype m_lines = 0;
};
