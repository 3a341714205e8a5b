#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <functional>

// One message of a batch read (TNMPOP3::readBatch) and what to ask for it. The commands go
// out in this order: "TOP n 0" (Summary), "LIST n" (Size, only with Summary), "UIDL n".
struct TBatchItem
{
    qint32 Number = 0;
    bool Summary = false;   // the header summary, as GetSummary reads it
    bool Size = false;      // Summary.Bytes from "LIST n" instead of the size listing
    bool UniqueID = false;  // the unique id, as UniqueID reads it
};

// What one message of a batch gave. A summary that failed (refused, a size that is no
// number, a failing handler) leaves SummaryRead false; the message's commands not yet
// sent are then dropped, as a one-by-one check skips the rest of that message.
struct TBatchResult
{
    bool SummaryRead = false;   // Summary holds the message, OnRetrieveEnd has run
    bool IdRead = false;
    QByteArray Id;              // with its line end, as UniqueID returns it
};

// Called for item `index` of the batch, in order: before its first reply is read, and
// after its last.
using TBatchStart = std::function<void(qsizetype index)>;
using TBatchDone = std::function<void(qsizetype index, const TBatchResult &result)>;
