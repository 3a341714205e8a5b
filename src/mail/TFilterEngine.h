#pragma once

#include "mail/TFilter.h"
#include "mail/TMailSummary.h"

#include <QList>
#include <QStringList>

// Marks the messages that the filter rules select for deletion.
class TFilterEngine
{
public:
    enum Condition : qint32 {
        SenderContains = 0,
        SenderDoesNotContain = 1,
        SubjectIs = 2,
        SubjectContains = 3,
        SubjectDoesNotContain = 4,
        SizeIs = 5,
        SizeIsSmallerThan = 6,
        SizeIsLargerThan = 7,
    };

    // Applies `rules` in order to messages 1..mailCount of `summary` for account number
    // `account`, appending the unique id of every match to summary.Pending unless it is queued
    // already. A size rule whose argument, or a size text that, is not an integer ends the whole
    // evaluation there; marks made before stay.
    static void evaluate(const QList<TFilter> &rules, qint32 account, qint32 mailCount,
                         TMailSummary &summary);

    // The editor's lists, in code order.
    static const QStringList &conditionTexts();
    static const QStringList &actionTexts();
};
