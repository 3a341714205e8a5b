#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QList>

struct TMailSummary;

// The subjects and senders an account's earlier checks read, by unique id, for the run of
// the program: a check asks the server only for the headers of messages it has not seen.
// It belongs to one server and user, and holds only the messages that were on the server
// after the last check.
//
// It keeps the last check's lists themselves, implicitly shared with the mail summary, so no
// string is held twice. Between checks that is all it holds: the index from id to line
// (8 bytes a message) is built by the first lookup after a check and let go by the next
// keepOnly, since only a check looks anything up.
class TSummaryCache
{
public:
    struct Entry
    {
        QByteArray Subject;
        QByteArray Sender;
        QByteArray UniqueID; // the cache's own copy of the id, sharing the others' allocation
    };

    // Empties the cache unless it already belongs to this server text and user.
    void bindTo(const QByteArray &host, const QByteArray &user);
    // The line of a unique id (as UniqueID returns it), or 0 where the cache does not know it.
    // `hint` is the line the caller expects: a box that changed little since the last check
    // keeps most ids at a fixed distance from their old lines, and a right hint costs one
    // comparison.
    qsizetype lineOf(const QByteArray &uniqueId, qsizetype hint = 0) const;
    // Line `line`'s strings; `line` must have come from lineOf.
    Entry entryAt(qsizetype line) const;
    // From now on exactly the messages of `summary` that carry a unique id, with their
    // Subject and Sender lines. An id on more than one line is left out: which header it
    // stands for is not known.
    void keepOnly(const TMailSummary &summary);
    void clear();

private:
    void buildIndex() const;

    QByteArray m_host;
    QByteArray m_user;
    // Line k: the id of the last check's message k; empty where it has none or where the id
    // is on more than one line, once the index has been built.
    mutable QByteArrayList m_ids;
    QByteArrayList m_subjects;
    QByteArrayList m_senders;
    mutable QList<quint64> m_index; // the id's 32-bit hash above its line, sorted
    mutable bool m_indexed = false;
};
