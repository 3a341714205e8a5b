#pragma once

#include <QByteArray>
#include <QtGlobal>

// One filter rule. The defaults are those of a rule whose settings section is missing:
// such a rule matches nothing.
struct TFilter
{
    qint32 IfCondition = -1; // index into TFilterEngine::conditionTexts()
    qint32 Account = -1;     // 0: any account; n: account number n
    qint32 Action = -1;      // index into TFilterEngine::actionTexts(); every rule deletes
    QByteArray Argument;     // the text, or the size in kB, compared against
};
