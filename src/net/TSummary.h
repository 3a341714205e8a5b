#pragma once

#include "net/THeaderLines.h"

#include <QByteArray>

// The header summary of one message as the server sent it: raw values (the blank after
// the colon kept, nothing unfolded or decoded) and every header line without its line end.
struct TSummary
{
    QByteArray Subject;
    QByteArray From;
    qint32 Bytes = 0;
    QByteArray MessageId;
    THeaderLines Header;
};
