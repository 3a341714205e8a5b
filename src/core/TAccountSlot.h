#pragma once

#include <memory>

class QAction;
class QMenu;
class QTimer;
class TCheckerField;
class TNMPOP3;
class TSummaryCache;
struct TMailSummary;

// The object columns of one slot: made once when the slot first exists, they stay with the
// slot number and serve whatever account's data sits in it.
struct TAccountSlot
{
    TCheckerField *Field = nullptr;
    QTimer *CheckTimer = nullptr;
    TNMPOP3 *Pop3 = nullptr;
    QMenu *FieldMenu = nullptr;
    QAction *CheckNowItem = nullptr;
    QAction *LaunchItem = nullptr;
    QAction *ResetItem = nullptr;
    QAction *ZeroItem = nullptr;
    QAction *MailListItem = nullptr;
    QAction *PrefsItem = nullptr;
    QAction *AccountListItem = nullptr;
    std::shared_ptr<TMailSummary> MailSummary;
    // Headers read by earlier checks; moves with MailSummary, made by the first check.
    std::shared_ptr<TSummaryCache> SummaryCache;
};
