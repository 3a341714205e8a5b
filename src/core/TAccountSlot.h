#pragma once

#include <memory>

class QTimer;
class TNMPOP3;
class TSummaryCache;
struct TMailSummary;

// The engine's object columns of one slot: made once when the slot first exists, they stay
// with the slot number and serve whatever account's data sits in it.
struct TAccountSlot
{
    QTimer *CheckTimer = nullptr;
    TNMPOP3 *Pop3 = nullptr;
    std::shared_ptr<TMailSummary> MailSummary;
    // Headers read by earlier checks; moves with MailSummary, made by the first check.
    std::shared_ptr<TSummaryCache> SummaryCache;
};
