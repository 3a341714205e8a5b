#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QList>

#include <optional>

struct TMailSummary;

// The subjects and senders an account's earlier checks read, by unique id, for the run of
// the program: a check asks the server only for the headers of messages it has not seen.
// It belongs to one server and user, and holds only the messages that were on the server
// after the last check.
//
// It keeps the last check's lists themselves (implicitly shared with the mail summary, so
// no string is held twice) and an index from id to line: 8 bytes a message, the id's hash
// and its line, sorted by hash.
class TSummaryCache
{
public:
    struct Entry
    {
        QByteArray Subject;
        QByteArray Sender;
    };

    // Empties the cache unless it already belongs to this server text and user.
    void bindTo(const QByteArray &host, const QByteArray &user);
    // The entry of a unique id (as UniqueID returns it), if the cache knows it.
    std::optional<Entry> find(const QByteArray &uniqueId) const;
    bool contains(const QByteArray &uniqueId) const { return lineOf(uniqueId) > 0; }
    // From now on exactly the messages of `summary` that carry a unique id, with their
    // Subject and Sender lines. An id on more than one line is left out: which header it
    // stands for is not known.
    void keepOnly(const TMailSummary &summary);
    void clear();
    qsizetype size() const { return m_index.size(); }

private:
    // The line of a unique id in the lists below, or 0.
    qsizetype lineOf(const QByteArray &uniqueId) const;

    QByteArray m_host;
    QByteArray m_user;
    QByteArrayList m_ids;
    QByteArrayList m_subjects;
    QByteArrayList m_senders;
    QList<quint64> m_index;  // the id's 32-bit hash above its line
};
