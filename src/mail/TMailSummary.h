#pragma once

#include "platform/TStringArena.h"

#include <QByteArrayList>

// One account's retrieved mail list. In the titled lists line 0 holds the title and
// line k belongs to POP3 message k; the pending list holds the unique ids queued for
// deletion, each at most once, in the order queued. The Action list reaches only as far as
// the last message given an action: the lines it lacks are empty.
struct TMailSummary
{
    QByteArrayList Subject;
    QByteArrayList Sender;
    QByteArrayList Size;
    QByteArrayList UniqueID;
    QByteArrayList Action;
    QByteArrayList Pending;

    TMailSummary() { reset(); }

    // Titles only; the pending list is kept so queued deletions survive into the next check.
    void reset()
    {
        Subject = {"Subject"};
        Sender = {"Sender"};
        Size = {"Size"};
        UniqueID = {"UniqueID"};
        Action = {"Action"};
    }

    // Room for `lines` lines (title included) in every titled list, so a check that knows its
    // message count fills them without regrowing: growth would leave up to half of each list unused.
    void reserve(qsizetype lines)
    {
        for (QByteArrayList *list : {&Subject, &Sender, &Size, &UniqueID})
            list->reserve(lines);
    }

    // Line k's action (k >= 1).
    void setAction(qsizetype k, const QByteArray &text)
    {
        if (k < 1)
            return;
        padTo(Action, k + 1);
        Action[k] = text;
    }

    // Copies line k's subject, sender and unique id one behind the other into the summary's
    // shared chunks, and the three lists hold implicitly shared slices of them, instead of
    // three allocations with a header each: a message's strings are read once and never
    // change. Changes no value; does nothing unless all three lists have line k.
    void packLine(qsizetype k);

    // Packs every line anew when the chunks its strings lie in hold mostly strings that no
    // line holds any more (messages deleted since they were read), so that a few survivors
    // do not keep whole chunks alive. Changes no value.
    void compact();

    // Removes line i from Size, Subject, Action, Sender and UniqueID; out of range is ignored.
    void removeLine(qsizetype i)
    {
        for (QByteArrayList *list : {&Size, &Subject, &Action, &Sender, &UniqueID})
            if (i >= 0 && i < list->size())
                list->removeAt(i);
    }

    // Line i of a list, empty where the list is shorter (a message whose reading failed); good
    // while the list is not changed.
    static const QByteArray &lineOf(const QByteArrayList &list, qsizetype i)
    {
        static const QByteArray none;
        return i >= 0 && i < list.size() ? list.at(i) : none;
    }

    // Pads `list` with empty lines until it has at least `lines` lines, so line k stays message k.
    static void padTo(QByteArrayList &list, qsizetype lines)
    {
        while (list.size() < lines)
            list.append(QByteArray());
    }

    // Queues an id for deletion unless it is queued already.
    void queueDeletion(const QByteArray &uniqueId)
    {
        if (!Pending.contains(uniqueId))
            Pending.append(uniqueId);
    }

private:
    TStringArena m_strings;
};
