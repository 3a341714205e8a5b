#pragma once

#include "core/TAccountData.h"
#include "core/TAccountSlot.h"

#include <QList>

class QObject;

// The one shared model: accounts numbered 1..AccountCount, each a data part that moves on
// deletion and an object part that stays with its slot. Element 0 holds no account.
class TAccountTable
{
public:
    TAccountTable();

    qint32 AccountCount = 0;
    // The most accounts a settings file may ask for: every account costs a field, a timer,
    // a menu and a client.
    static constexpr qint32 MaxAccounts = 1000;

    TAccountData &data(qint32 n) { return m_data[n]; }
    const TAccountData &data(qint32 n) const { return m_data[n]; }
    TAccountSlot &slot(qint32 n) { return m_slots[n]; }
    const TAccountSlot &slot(qint32 n) const { return m_slots[n]; }

    // Makes every column AccountCount + 1 long, keeping what is there. Slots are never dropped:
    // objects of a slot beyond the count stay alive for a later account.
    void resizeColumns();
    qint32 slotCapacity() const { return qint32(m_slots.size()) - 1; }

    // Moves the data of accounts k+1..count down one slot and decrements the count.
    void removeAccountData(qint32 k);

    // Lookups; 0 when the object belongs to no account.
    qint32 slotOfTimer(const QObject *timer) const;
    qint32 slotOfPop3(const QObject *client) const;
    // Where the account with this identity sits now; 0 once it is deleted.
    qint32 slotOfSerial(quint64 serial) const;

    // The identity of the account in slot n, handed out on first use.
    quint64 serialOf(qint32 n);

    bool anyBusy() const;
    qint64 totalMailCount() const;

private:
    QList<TAccountData> m_data;
    QList<TAccountSlot> m_slots;
    quint64 m_lastSerial = 0;
};
