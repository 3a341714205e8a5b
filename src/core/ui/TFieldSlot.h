#pragma once

class QAction;
class QMenu;
class TCheckerField;

// The window's object columns of one slot: the field and its menu stay with the slot number
// and show whatever account's data sits in it.
struct TFieldSlot
{
    TCheckerField *Field = nullptr;
    QMenu *FieldMenu = nullptr;
    QAction *CheckNowItem = nullptr;
    QAction *LaunchItem = nullptr;
    QAction *ResetItem = nullptr;
    QAction *ZeroItem = nullptr;
    QAction *MailListItem = nullptr;
    QAction *PrefsItem = nullptr;
    QAction *AccountListItem = nullptr;
};
